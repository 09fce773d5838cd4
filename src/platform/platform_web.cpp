// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The browser's side of the platform layer (Emscripten); its files and environment take the
// POSIX calls (platform_posix.cpp). Files live in Emscripten's in-memory file system: the pack
// is preloaded beside the program, the settings file sits in /save, which the page mounts on
// the browser's IndexedDB and fills before the game starts. A page has no
// exit and cannot block, so the frame loop is a function the browser calls once a frame, the
// title and menu pacing waits by skipping browser frames (web/sdl_web.cpp's SDL_Delay), and the
// settings are kept at checkpoints and when the page is hidden or closed.

#include "platform/platform.h"
#include "replay/replay.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <cstdlib>
#include <string>

game_files locate_game_files() {
    return {"hollowmere.data", "/save/hollowmere.cfg", "/save/replays"};
}

// Set by SDL_Delay's stand-in: the browser frame before which the next game frame must not run.
extern double web_frame_not_before;

static void (*game_frame)() = nullptr;
static void (*save_game)() = nullptr;
static bool checkpoint = false;

// Writes the settings into /save and hands /save to IndexedDB; the copy finishes on its own.
static void keep_settings() {
    if (!save_game) return;
    save_game();
    // clang-format off
    EM_ASM({
        FS.syncfs(false, function(e) { if (e) console.warn('settings not kept: ' + e); });
    });
    // clang-format on
}

static void browser_frame() {
    if (emscripten_get_now() < web_frame_not_before) return;
    game_frame();
    if (checkpoint) {
        checkpoint = false;
        keep_settings();
    }
}

static EM_BOOL page_hidden(int, const EmscriptenVisibilityChangeEvent *e, void *) {
    if (e->hidden) keep_settings();
    return EM_FALSE;
}

static const char *page_closing(int, const void *, void *) {
    keep_settings();
    return nullptr;
}

// These do nothing with the event; being there lets a full-screen request wait for the
// player's next key or click, the only place a browser grants one.
static EM_BOOL key_seen(int, const EmscriptenKeyboardEvent *, void *) {
    return EM_FALSE;
}

static EM_BOOL click_seen(int, const EmscriptenMouseEvent *, void *) {
    return EM_FALSE;
}

static EM_BOOL full_screen_changed(int, const EmscriptenFullscreenChangeEvent *e, void *);

[[noreturn]] void run_frame_loop(void (*frame)(), void (*save)()) {
    game_frame = frame;
    save_game = save;
    emscripten_set_visibilitychange_callback(nullptr, EM_FALSE, page_hidden);
    emscripten_set_beforeunload_callback(nullptr, page_closing);
    emscripten_set_keydown_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_TRUE, key_seen);
    emscripten_set_keyup_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_TRUE, key_seen);
    emscripten_set_mousedown_callback("#canvas", nullptr, EM_TRUE, click_seen);
    emscripten_set_mouseup_callback("#canvas", nullptr, EM_TRUE, click_seen);
    emscripten_set_fullscreenchange_callback(EMSCRIPTEN_EVENT_TARGET_DOCUMENT, nullptr, EM_TRUE,
                                             full_screen_changed);
    emscripten_set_main_loop(browser_frame, 0, 1);
    abort(); // not reached: the browser runs the loop
}

void settings_checkpoint() {
    checkpoint = true;
}

// Full screen is the page's: asked for on the next key or click (a browser grants it only
// inside one), with the canvas scaled to the screen keeping its shape. The browser may leave it
// on its own (its Escape, F11): the game's setting then follows, and the Escape that did it is
// the browser's alone (web/sdl_web.cpp keeps it from the game).
static bool leaving_by_game = false;
static bool left_by_host = false;
double web_full_screen_left_at = -1e9; // emscripten_get_now() when the page last left it

bool web_full_screen() {
    EmscriptenFullscreenChangeEvent now;
    return emscripten_get_fullscreen_status(&now) == EMSCRIPTEN_RESULT_SUCCESS && now.isFullscreen;
}

static EM_BOOL full_screen_changed(int, const EmscriptenFullscreenChangeEvent *e, void *) {
    if (e->isFullscreen) return EM_FALSE;
    web_full_screen_left_at = emscripten_get_now();
    left_by_host = !leaving_by_game;
    leaving_by_game = false;
    return EM_FALSE;
}

bool full_screen_left_by_host() {
    bool left = left_by_host;
    left_by_host = false;
    return left;
}

void prepare_first_window() {}

bool prepare_video_mode(bool fullscreen) {
    bool is_full = web_full_screen();
    if (fullscreen && !is_full) {
        EmscriptenFullscreenStrategy how{};
        how.scaleMode = EMSCRIPTEN_FULLSCREEN_SCALE_ASPECT;
        how.canvasResolutionScaleMode = EMSCRIPTEN_FULLSCREEN_CANVAS_SCALE_NONE;
        how.filteringMode = EMSCRIPTEN_FULLSCREEN_FILTERING_DEFAULT;
        emscripten_request_fullscreen_strategy("#canvas", EM_TRUE, &how);
    } else if (!fullscreen && is_full) {
        leaving_by_game = true;
        emscripten_exit_fullscreen();
    }
    return true;
}

// The page's canvas is always there to draw on.
std::string missing_display() {
    return "";
}

// The page's way to show a replay it holds in the file system (picked, dropped or fetched):
// "" when it plays, or the reason it does not, which the page shows where the player looks.
extern "C" EMSCRIPTEN_KEEPALIVE const char *hollowmere_watch_replay(const char *path) {
    static std::string reason;
    reason = watch_replay_path(path ? path : "", WATCH_CHOSEN);
    return reason.c_str();
}
