// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Start-up, the frame loop, keyboard capture, the frame timer and the single exit path.
// The frame update decides from the state bits whether the game advances and cuts long
// frames into ticks of at most 100 ms so that the simulation stays stable when slow.

#include "core/core.h"
#include "core/pad.h"

#include "audio/audio.h"
#include "combat/combat.h"
#include "pack/pack.h"
#include "replay/replay.h"
#include "platform/platform.h"
#include "render/render.h"

#include <SDL/SDL.h>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

game_record *game = nullptr;
int key_state[KEY_COUNT + 1];

static uint32_t last_ticks = 0;

// Where the pack and the settings file are, asked of the system once.
static const game_files &files() {
    static const game_files where = locate_game_files();
    return where;
}

double random_unit() {
    return game_rand() / 32767.0;
}

double length2d(double x, double y) {
    return std::sqrt(x * x + y * y);
}

void zero_bytes(void *p, size_t n) {
    auto *b = static_cast<unsigned char *>(p);
    for (size_t i = 0; i < n; ++i)
        b[i] = 0;
}

game_record *new_game_record() {
    auto *g = static_cast<game_record *>(std::calloc(1, sizeof(game_record)));
    if (!g) {
        fprintf(stderr, "ui_init failed: out of memory\n");
        exit(1);
    }
    g->key_state = key_state;
    g->flags = FLAG_GAME_OVER;
    return g;
}

static bool exit_planned = false;

[[noreturn]] void save_and_exit(int status) {
    exit_planned = true;
    if (game) {
        record_stop(game);
        write_settings(game, files().settings.c_str());
    }
    exit(status);
}

void save_settings() {
    if (!game) return;
    write_settings(game, files().settings.c_str());
    record_flush(game); // a page may be closed next: the game so far, as it stands
}

void unplanned_exit() {
    if (exit_planned || !game) return;
    exit_planned = true;
    record_stop(game);
    write_settings(game, files().settings.c_str());
    fflush(nullptr);
    _Exit(1);
}

// Opens the pack before anything else; without one the game has nothing to show.
static pack_entry *open_pack() {
    const char *pack_path = files().pack.c_str();
    int open_error = 0;
    pack_entry *pack = load_pack(pack_path, &open_error);
    if (!pack) {
        if (open_error)
            fprintf(stderr, "%s: cannot open resource pack: %s\n", pack_path, strerror(open_error));
        else
            fprintf(stderr, "%s: cannot open resource pack: no resources\n", pack_path);
    } else {
        report_missing_resources(pack, pack_path);
    }
    return pack;
}

void ui_init() {
    pack_entry *pack = open_pack();
    if (!pack) exit(1); // nothing to save yet: the record does not exist

    choose_window_path(); // the game always starts in a window

    // Video and timer: audio is its own subsystem, so a machine without sound still plays, and
    // the joystick is too (started after the first picture), so a machine whose joystick
    // support fails plays from the keyboard.
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) < 0 || SDL_GetVideoInfo() == nullptr) {
        fprintf(stderr, "ui_init failed: %s\n", SDL_GetError());
        exit(1);
    }
    seed_random(17);

    game = new_game_record();
    game->pack = pack;
    read_settings(game, files().settings.c_str());
    game->frame_ms = 0;
    set_replay_folder(files().replays);

    // A driver that shows nothing would run the game unseen until killed: a failed start-up.
    if (std::string reason = missing_display(); !reason.empty()) {
        fprintf(stderr, "ui_init failed: %s\n", reason.c_str());
        save_and_exit(1);
    }

    SDL_WM_SetCaption(window_caption, window_caption);
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 5);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_SWAP_CONTROL, 1);
    if (!SDL_SetVideoMode(game->settings.width, game->settings.height, game->settings.bit_depth,
                          SDL_OPENGL)) {
        fprintf(stderr, "ui_init failed: %s\n", SDL_GetError());
        save_and_exit(1);
    }
}

void key_event(int sym, bool down) {
    if (sym < 0 || sym >= KEY_COUNT) return;
    if (down) {
        key_state[sym] = 1;
        last_key = sym;
    } else {
        key_state[sym] = 0;
    }
    if (sym == SDLK_SPACE) start_event(down);
}

void poll_events() {
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        switch (event.type) {
        case SDL_KEYDOWN:
            key_event(event.key.keysym.sym, true);
            break;
        case SDL_KEYUP:
            key_event(event.key.keysym.sym, false);
            break;
        case SDL_JOYAXISMOTION:
            pad_axis(event.jaxis.axis, event.jaxis.value);
            break;
        case SDL_JOYHATMOTION:
            pad_hat(event.jhat.hat, event.jhat.value);
            break;
        case SDL_JOYBUTTONDOWN:
        case SDL_JOYBUTTONUP:
            pad_button(event.jbutton.button, event.type == SDL_JOYBUTTONDOWN);
            break;
        case SDL_QUIT:
            save_and_exit(0);
        default:
            break;
        }
    }
    pad_dispatch(game);
    pad_rescan(game, SDL_GetTicks());
}

double elapsed_ms() {
    if (last_ticks == 0) last_ticks = SDL_GetTicks();
    int result = static_cast<int>(SDL_GetTicks() - last_ticks);
    last_ticks = SDL_GetTicks();
    return result;
}

void sleep_ms(uint32_t ms) {
    SDL_Delay(ms);
}

void advance_frame(game_record *g, int dt) {
    // A replay on screen stands in for the title; the game behind it waits as it was.
    if (replay_watching()) {
        watch_frame(dt);
        return;
    }
    g->game_time += dt / 1000.0;

    if (!((g->flags & FLAG_QUALIFIES) && (g->flags & FLAG_GAME_OVER)) && key_state[SDLK_ESCAPE] == 1) {
        if (!(g->flags & FLAG_MENU)) {
            key_state[SDLK_ESCAPE] = 0;
            last_key = 0;
            stop_all_sounds(g);
        }
        g->flags |= FLAG_MENU;
    }

    g->frame_ms = dt;

    if (g->flags & FLAG_MENU) {
        record_frame(g, dt, FRAME_MENU, 0);
        g->tick_seconds = dt / 1000.0;
        g->frame_ms_avg = (g->frame_ms_avg * 99 + dt) / 100;
        menu_frame(dt);
        return;
    }

    if ((g->flags & FLAG_PLAYING) && !(g->flags & FLAG_FROZEN)) {
        record_frame(g, dt, FRAME_PLAY, held_actions(g));
        play_frame_ticks(g, dt);
        record_after_frame(g);
        return;
    }

    g->tick_seconds = dt / 1000.0;
    if (g->flags & FLAG_GAME_OVER) {
        if (g->flags & FLAG_QUALIFIES) {
            if (name_entry(dt)) {
                insert_high_score(g, g->score, g->player_name);
                keep_replay_for_entry(g, g->score, g->player_name);
                g->flags ^= FLAG_QUALIFIES;
            }
        } else {
            title_frame(dt);
        }
    }
    // Playing and frozen: the developer single-step block is left out, so nothing advances.
}

void play_frame_ticks(game_record *g, int dt) {
    decide_qualifies(g);
    g->frame_ms_avg = (g->frame_ms_avg * 99 + dt) / 100;
    if (dt <= 100) {
        g->tick_seconds = dt / 1000.0;
        game_tick();
    } else {
        while (dt > 100) {
            dt -= 100;
            g->tick_seconds = 0.1f;
            game_tick();
        }
        if (dt > 0.001) {
            g->tick_seconds = dt / 1000.0;
            game_tick();
        }
    }
    if (g->flags & FLAG_GAME_OVER) end_game(g);
}

void frame_update() {
    advance_frame(game, static_cast<int>(elapsed_ms()));
}

void run_frame() {
    frame_update();
    if (replay_watching())
        draw_watch_screen(game);
    else
        draw_frame(game);
    SDL_GL_SwapBuffers();
    last_key = 0;
    start_pressed = false;
}

// The window shows the title as soon as it exists: the first title frame's padding then
// passes with the picture already on screen instead of in front of it. Nothing has run yet,
// so the picture is the one the first frame would draw.
void show_first_frame() {
    draw_frame(game);
    SDL_GL_SwapBuffers();
    // Listing the joysticks takes milliseconds that the first picture need not wait for.
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) == 0) pad_open();
}
