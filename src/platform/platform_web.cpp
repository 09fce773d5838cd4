// The browser's side of the platform layer (Emscripten). Files live in Emscripten's in-memory
// file system: the pack is preloaded beside the program, the settings file sits in /save, which
// the page mounts on the browser's IndexedDB and fills before the game starts. A page has no
// exit and cannot block, so the frame loop is a function the browser calls once a frame, the
// title and menu pacing waits by skipping browser frames (web/sdl_web.cpp's SDL_Delay), and the
// settings are kept at checkpoints and when the page is hidden or closed.

#include "platform/platform.h"

#include <emscripten.h>
#include <emscripten/html5.h>

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

FILE *open_file(const char *path, const char *mode) {
    return fopen(path, mode);
}

uint8_t *read_file_bytes(const char *path, size_t *size, int *open_error) {
    *size = 0;
    *open_error = 0;
    int fd = open(path, O_RDONLY);
    if (fd < 0) {
        *open_error = errno;
        return nullptr;
    }
    struct stat st;
    size_t capacity =
        fstat(fd, &st) == 0 && S_ISREG(st.st_mode) ? static_cast<size_t>(st.st_size) + 1 : 1 << 16;
    auto *block = static_cast<uint8_t *>(malloc(capacity));
    size_t have = 0;
    while (block) {
        if (have == capacity) {
            auto *grown = static_cast<uint8_t *>(realloc(block, capacity * 2));
            if (!grown) break;
            block = grown;
            capacity *= 2;
        }
        ssize_t n = read(fd, block + have, capacity - have);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        have += static_cast<size_t>(n);
    }
    close(fd);
    *size = have;
    return block;
}

bool replace_file(const char *from, const char *to) {
    return rename(from, to) == 0;
}

bool remove_file(const char *path) {
    return remove(path) == 0;
}

std::string follow_links(const char *path) {
    return path; // nothing in the page's file system is a link
}

bool is_read_only(const char *path) {
    struct stat st;
    return stat(path, &st) == 0 && S_ISREG(st.st_mode) && (st.st_mode & 0222) == 0;
}

game_files locate_game_files() {
    return {"hollowmere.data", "/save/hollowmere.cfg"};
}

void set_environment(const char *name, const char *value) {
    setenv(name, value, 1);
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

[[noreturn]] void run_frame_loop(void (*frame)(), void (*save)()) {
    game_frame = frame;
    save_game = save;
    emscripten_set_visibilitychange_callback(nullptr, EM_FALSE, page_hidden);
    emscripten_set_beforeunload_callback(nullptr, page_closing);
    emscripten_set_main_loop(browser_frame, 0, 1);
    abort(); // not reached: the browser runs the loop
}

void settings_checkpoint() {
    checkpoint = true;
}

// Full screen is the page's: asked for on the next key or click (a browser grants it only
// inside one), with the canvas scaled to the screen keeping its shape.
bool full_screen_by_host(bool fullscreen) {
    EmscriptenFullscreenChangeEvent now;
    bool is_full = emscripten_get_fullscreen_status(&now) == EMSCRIPTEN_RESULT_SUCCESS && now.isFullscreen;
    if (fullscreen && !is_full) {
        EmscriptenFullscreenStrategy how{};
        how.scaleMode = EMSCRIPTEN_FULLSCREEN_SCALE_ASPECT;
        how.canvasResolutionScaleMode = EMSCRIPTEN_FULLSCREEN_CANVAS_SCALE_NONE;
        how.filteringMode = EMSCRIPTEN_FULLSCREEN_FILTERING_DEFAULT;
        emscripten_request_fullscreen_strategy("#canvas", EM_TRUE, &how);
    } else if (!fullscreen && is_full) {
        emscripten_exit_fullscreen();
    }
    return true;
}
