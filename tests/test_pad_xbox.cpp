// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// An Xbox-layout pad as each desktop's SDL 1.2 reports it, input by input: the classic SDL 1.2
// on Windows reads it through the system's older joystick interface (axes X, Y, Z, R, U in that
// order, both triggers on Z, the d-pad as the point-of-view hat, buttons A, B, X, Y, LB, RB,
// Back, Start, LS, RS from 0), Linux's joystick driver gives the triggers and the right stick
// axes of their own and a guide button before the sticks'. Every input the game reads has the
// same number on both, so each becomes the same action; the rest do nothing on either. Runs
// natively and, in the Windows build, under Wine.

#include "combat/combat.h"
#include "core/core.h"
#include "core/pad.h"
#include "support/test_support.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>
#include <tuple>

TEST(PadXbox, EachInputActsAsOnLinuxOnBothDesktops) {
    game_record *g = make_test_game();
    const struct {
        const char *input;
        char kind; // 'a' axis, 'h' hat, 'b' button
        int windows, linux_number, value;
        int actions;  // while playing
        int opens;    // the menu, while playing
        int menu_key; // what the menu reads
    } rows[] = {
        {"left stick left", 'a', 0, 0, -32768, ACT_LEFT, 0, SDLK_LEFT},
        {"left stick down", 'a', 1, 1, 32767, ACT_REVERSE, 0, SDLK_DOWN},
        {"left stick up", 'a', 1, 1, -32768, ACT_FORWARD, 0, SDLK_UP},
        {"d-pad up", 'h', 0, 0, SDL_HAT_UP, ACT_FORWARD, 0, SDLK_UP},
        {"d-pad right", 'h', 0, 0, SDL_HAT_RIGHT, ACT_RIGHT, 0, SDLK_RIGHT},
        {"A", 'b', 0, 0, 0, ACT_FIRE, 0, SDLK_RETURN},
        {"B", 'b', 1, 1, 0, 0, 0, SDLK_ESCAPE},
        {"Back", 'b', 6, 6, 0, 0, 1, SDLK_ESCAPE},
        {"Start", 'b', 7, 7, 0, 0, 1, SDLK_ESCAPE},
        {"X", 'b', 2, 2, 0, 0, 0, 0},
        {"Y", 'b', 3, 3, 0, 0, 0, 0},
        {"LB", 'b', 4, 4, 0, 0, 0, 0},
        {"RB", 'b', 5, 5, 0, 0, 0, 0},
        {"left stick pressed", 'b', 8, 9, 0, 0, 0, 0},
        {"right stick pressed", 'b', 9, 10, 0, 0, 0, 0},
        {"left trigger", 'a', 2, 2, 32767, 0, 0, 0},
        {"right trigger", 'a', 2, 5, -32768, 0, 0, 0},
        {"right stick up", 'a', 3, 4, -32768, 0, 0, 0},
        {"right stick left", 'a', 4, 3, -32768, 0, 0, 0},
    };
    for (const auto &r : rows) {
        for (int windows = 0; windows < 2; ++windows) {
            SCOPED_TRACE(testing::Message() << r.input << (windows ? " on Windows" : " on Linux"));
            int number = windows ? r.windows : r.linux_number;
            auto send = [&] {
                pad_release_all();
                if (r.kind == 'a') pad_axis(number, r.value);
                if (r.kind == 'h') pad_hat(number, r.value);
                if (r.kind == 'b') pad_button(number, true);
            };
            g->flags = FLAG_PLAYING;
            key_state[SDLK_ESCAPE] = 0;
            last_key = 0;
            send();
            int actions = pad_actions();
            pad_dispatch(g);
            EXPECT_EQ(std::pair(actions, key_state[SDLK_ESCAPE]), std::pair(r.actions, r.opens));
            g->flags = FLAG_MENU;
            last_key = 0;
            send();
            pad_dispatch(g);
            EXPECT_EQ(last_key, r.menu_key);
        }
    }
    pad_release_all();
    key_state[SDLK_ESCAPE] = 0;
    last_key = 0;
    free_test_game(g);
}
