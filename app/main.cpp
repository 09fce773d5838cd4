// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Process entry: bring the game up, then run the frame loop until save_and_exit ends it (or,
// in a browser, until the page goes).

#include "audio/audio.h"
#include "core/core.h"
#include "platform/platform.h"
#include "render/render.h"
#include "replay/replay.h"

#include <SDL/SDL.h>
#include <cstdlib>

// One frame. A name entered or the menu closed is a checkpoint, where a host that may end the
// game without an exit keeps the settings; a full screen the host left on its own is off.
static void frame() {
    if (full_screen_left_by_host()) game->settings.fullscreen = 0;
    int before = game->flags;
    poll_events();
    run_frame();
    int after = game->flags;
    bool menu_closed = (before & FLAG_MENU) && !(after & FLAG_MENU);
    bool name_entered =
        (before & after & FLAG_GAME_OVER) && (before & FLAG_QUALIFIES) && !(after & FLAG_QUALIFIES);
    if (menu_closed || name_entered) settings_checkpoint();
}

int main(int argc, char **argv) {
    atexit(SDL_Quit);
    atexit(SDL_CloseAudio);
    atexit(unplanned_exit);
    ui_init();
    start_audio();
    gl_setup(game);
    register_game_tank_types(game);
    game->field = nullptr;
    new_game(game);
    zero_bytes(game->player_name, NAME_LENGTH);
    game->name_cursor = 0;
    show_first_frame();
    // A replay named on the command line (a double click on one) plays, then the title shows.
    if (argc > 1) watch_replay_file(argv[1], WATCH_CHOSEN);
    run_frame_loop(frame, save_settings);
}
