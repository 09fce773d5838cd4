// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The gamepad: stick hysteresis at the dead zone's edges, hat and buttons, pad and keys holding
// the same action, a pad pulled out mid-hold, and the presses each state receives.

#include "combat/combat.h"
#include "core/core.h"
#include "core/pad.h"
#include "menu/menu.h"
#include "render/render.h"
#include "support/test_support.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>
#include <tuple>

namespace {

struct Pad : ::testing::Test {
    game_record *g = nullptr;
    void SetUp() override {
        g = make_test_game();
        pad_release_all();
        last_key = 0;
        start_pressed = false;
    }
    void TearDown() override { free_test_game(g); }
};

// Forward is rebound to 'w' first: rebinding the keys changes nothing for the pad.
TEST_F(Pad, StickHatButtonsAndKeysHoldDirectionsAndActions) {
    register_tank_type(g, "player", 120, 35, 100, 1.6f, 0.3f, 100, "object_tank_1", "texture_tank_1", "m");
    player_tank *t = make_player_tank(g, "player");
    t->alive = 1;
    g->settings.key_forward = 'w';
    // The stick engages a direction at a quarter and lets go below three sixteenths.
    const struct {
        int axis, value, held;
    } stick[] = {
        {0, 8191, 0}, {0, 8192, PAD_RIGHT}, {0, 6144, PAD_RIGHT}, {0, 6143, 0},
        {0, 7000, 0}, {0, -8192, PAD_LEFT}, {0, -6144, PAD_LEFT}, {0, 8192, PAD_RIGHT}, // flip
        {0, 0, 0},    {1, -32768, PAD_UP},  {1, -6500, PAD_UP},   {1, 32767, PAD_DOWN},
        {1, -100, 0}, {2, 32767, 0}, // other axes (triggers, right stick) do nothing
    };
    for (const auto &e : stick) {
        pad_axis(e.axis, e.value);
        EXPECT_EQ(pad_held(), e.held) << "axis " << e.axis << " at " << e.value;
    }
    // Each event is followed by what the pad holds and what the player's tank then does.
    const int A = PAD_A, B = PAD_B, START = PAD_START; // another enum than the directions
    const struct {
        char kind; // 'a' axis, 'h' hat, 'b'/'u' button down/up, 'k' key event, 'x' pad forgotten
        int number, value, held, actions;
    } events[] = {
        {'h', 0, SDL_HAT_UP, PAD_UP, ACT_FORWARD},
        {'h', 0, SDL_HAT_RIGHTDOWN, PAD_DOWN | PAD_RIGHT, ACT_REVERSE | ACT_RIGHT},
        // A second hat is not the d-pad.
        {'h', 1, SDL_HAT_LEFT, PAD_DOWN | PAD_RIGHT, ACT_REVERSE | ACT_RIGHT},
        {'h', 0, SDL_HAT_CENTERED, 0, 0},
        {'b', 13, 0, PAD_UP, ACT_FORWARD}, // d-pad reported as buttons
        {'b', 11, 0, PAD_UP | PAD_LEFT, ACT_FORWARD | ACT_LEFT},
        {'u', 13, 0, PAD_LEFT, ACT_LEFT},
        {'b', 0, 0, PAD_LEFT | A, ACT_LEFT | ACT_FIRE},
        {'b', 1, 0, PAD_LEFT | A | B, ACT_LEFT | ACT_FIRE}, // B, Back and Start are no actions
        {'b', 7, 0, PAD_LEFT | A | B | START, ACT_LEFT | ACT_FIRE},
        {'u', 11, 0, A | B | START, ACT_FIRE},
        {'u', 0, 0, B | START, 0},
        {'x', 0, 0, 0, 0},
        // A key and the pad holding one action combine: releasing one leaves the other.
        {'k', 'w', 1, 0, ACT_FORWARD},
        {'a', 1, -20000, PAD_UP, ACT_FORWARD},
        {'k', 'w', 0, PAD_UP, ACT_FORWARD},
        {'k', 'w', 1, PAD_UP, ACT_FORWARD},
        {'a', 1, 0, 0, ACT_FORWARD},
        {'k', 'w', 0, 0, 0},
        // Pulled out mid-hold: SDL recentres every input it had, or the pad is forgotten outright.
        {'h', 0, SDL_HAT_UP, PAD_UP, ACT_FORWARD},
        {'b', 0, 0, PAD_UP | A, ACT_FORWARD | ACT_FIRE},
        {'a', 0, -30000, PAD_UP | A | PAD_LEFT, ACT_FORWARD | ACT_FIRE | ACT_LEFT},
        {'a', 0, 0, PAD_UP | A, ACT_FORWARD | ACT_FIRE},
        {'h', 0, SDL_HAT_CENTERED, A, ACT_FIRE},
        {'u', 0, 0, 0, 0},
        {'a', 0, -30000, PAD_LEFT, ACT_LEFT},
        {'x', 0, 0, 0, 0},
    };
    for (const auto &e : events) {
        if (e.kind == 'a') pad_axis(e.number, e.value);
        if (e.kind == 'h') pad_hat(e.number, e.value);
        if (e.kind == 'b' || e.kind == 'u') pad_button(e.number, e.kind == 'b');
        if (e.kind == 'k') key_event(e.number, e.value);
        if (e.kind == 'x') pad_release_all();
        read_controls(g, t);
        EXPECT_EQ(std::pair(pad_held(), t->actions), std::pair(e.held, e.actions))
            << e.kind << " " << e.number << " " << e.value;
    }
    free_player_tank(t);
}

// Each press is handed over only once; a key pressed on the keyboard in the same frame wins.
TEST_F(Pad, PressesReachWhatEachStateReads) {
    const int name_entry = FLAG_GAME_OVER | FLAG_QUALIFIES;
    const struct {
        int flags, button, typed; // button -1: stick up; typed: last_key from the keyboard
        int last_key, start, escape_held;
    } rows[] = {
        {FLAG_GAME_OVER, 0, 0, 0, 1, 0},
        {FLAG_GAME_OVER, 7, 0, 0, 1, 0},
        {FLAG_GAME_OVER, 1, 0, 0, 0, 0},
        {FLAG_GAME_OVER, 6, 0, SDLK_ESCAPE, 0, 1},
        {FLAG_GAME_OVER, -1, 0, SDLK_UP, 0, 0},    // up and down choose an entry of the table
        {FLAG_GAME_OVER, 2, 0, SDLK_RETURN, 0, 0}, // X plays its game
        {FLAG_PLAYING, 7, 0, SDLK_ESCAPE, 0, 1},
        {FLAG_PLAYING, 0, 0, 0, 0, 0},
        {FLAG_PLAYING, -1, 0, 0, 0, 0},
        {FLAG_MENU, -1, 0, SDLK_UP, 0, 0},
        {FLAG_MENU | FLAG_PLAYING, 0, 0, SDLK_RETURN, 0, 0},
        {FLAG_MENU, 1, 0, SDLK_ESCAPE, 0, 0},
        {FLAG_MENU, 7, 0, SDLK_ESCAPE, 0, 0},
        {FLAG_MENU, 0, 'q', 'q', 0, 0},
        {name_entry, 1, 0, SDLK_BACKSPACE, 0, 0},
        {name_entry, 0, 0, SDLK_RETURN, 0, 0},
        {name_entry, 7, 0, SDLK_RETURN, 0, 0},
    };
    for (const auto &r : rows) {
        SCOPED_TRACE(testing::Message() << r.flags << " " << r.button);
        g->flags = r.flags;
        last_key = r.typed;
        key_state[SDLK_ESCAPE] = 0;
        start_pressed = false;
        r.button < 0 ? pad_axis(1, -32768) : pad_button(r.button, true);
        pad_dispatch(g);
        EXPECT_EQ(std::tuple(last_key, start_pressed, key_state[SDLK_ESCAPE]),
                  std::tuple(r.last_key, r.start != 0, r.escape_held));
        last_key = 0;
        pad_dispatch(g);
        EXPECT_EQ(last_key, 0) << "handed over twice";
        pad_release_all();
    }
}

TEST_F(Pad, IgnoredWhileAKeyItemWaitsForAKey) {
    build_menus();
    menu_page = 2;
    menu *m = selected_menu();
    for (menu_item *it = m->first; it; it = it->next)
        if (it->kind == ITEM_KEY) m->current = it;
    last_key = SDLK_RETURN;
    g->flags = FLAG_MENU;
    menu_input(g); // the item now waits
    for (int b : {0, 1, 7}) {
        pad_button(b, true);
        pad_dispatch(g);
        EXPECT_EQ(last_key, 0);
    }
    last_key = 'k';
    menu_input(g);
    EXPECT_EQ(m->current->value, 'k'); // the keyboard still binds it
}

TEST_F(Pad, NameEntryCyclesTheCharacterAtTheCursor) {
    g->flags = FLAG_GAME_OVER | FLAG_QUALIFIES;
    // u/d: d-pad up/down; > <: right/left; x: B. Each is one frame's press.
    struct row {
        const char *presses, *name;
        int cursor;
    } rows[] = {
        {"u", "a", 0},      {"uu", "b", 0},     {"d", "~", 0},    {"ud", " ", 0},
        {"u>uuu", "ac", 1}, {"u>u<u", "ba", 0}, {"u>ux", "a", 0}, {"u>u>>", "aa", 2},
    };
    for (const row &r : rows) {
        zero_bytes(g->player_name, NAME_LENGTH);
        reset_name_cursor();
        for (const char *c = r.presses; *c; ++c) {
            const int button = *c == 'u' ? 13 : *c == 'd' ? 14 : *c == '>' ? 12 : *c == '<' ? 11 : 1;
            pad_button(button, true);
            pad_button(button, false);
            pad_dispatch(g);
            name_entry(0);
        }
        EXPECT_STREQ(g->player_name, r.name) << r.presses;
        EXPECT_EQ(g->name_cursor, r.cursor) << r.presses;
    }
}

} // namespace
