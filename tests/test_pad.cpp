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
#include <string>
#include <vector>

namespace {

struct Pad : ::testing::Test {
    game_record *g = nullptr;
    void SetUp() override {
        g = make_test_game();
        pad_release_all();
        last_key = 0;
        start_pressed = false;
    }
    void TearDown() override {
        pad_release_all();
        free_test_game(g);
    }
};

TEST_F(Pad, StickEngagesAtAQuarterAndLetsGoBelowThreeSixteenths) {
    struct step {
        int axis, value, held;
    } steps[] = {
        {0, 8191, 0}, {0, 8192, PAD_RIGHT}, {0, 6144, PAD_RIGHT}, {0, 6143, 0},
        {0, 7000, 0}, {0, -8192, PAD_LEFT}, {0, -6144, PAD_LEFT}, {0, 8192, PAD_RIGHT}, // flip
        {0, 0, 0},    {1, -32768, PAD_UP},  {1, -6500, PAD_UP},   {1, 32767, PAD_DOWN},
        {1, -100, 0}, {2, 32767, 0}, // other axes (triggers, right stick) do nothing
    };
    for (const step &s : steps) {
        pad_axis(s.axis, s.value);
        EXPECT_EQ(pad_held(), s.held) << "axis " << s.axis << " at " << s.value;
    }
}

TEST_F(Pad, HatAndButtonsHoldDirectionsAndActions) {
    struct event {
        char kind; // 'h' hat, 'b' button down, 'u' button up
        int number, value, actions;
    } events[] = {
        {'h', 0, SDL_HAT_UP, ACT_FORWARD},
        {'h', 0, SDL_HAT_RIGHTDOWN, ACT_REVERSE | ACT_RIGHT},
        {'h', 1, SDL_HAT_LEFT, ACT_REVERSE | ACT_RIGHT}, // a second hat is not the d-pad
        {'h', 0, SDL_HAT_CENTERED, 0},
        {'b', 13, 0, ACT_FORWARD}, // d-pad reported as buttons
        {'b', 11, 0, ACT_FORWARD | ACT_LEFT},
        {'u', 13, 0, ACT_LEFT},
        {'b', 0, 0, ACT_LEFT | ACT_FIRE},
        {'b', 1, 0, ACT_LEFT | ACT_FIRE}, // B, Back and Start are no actions
        {'b', 7, 0, ACT_LEFT | ACT_FIRE},
        {'u', 11, 0, ACT_FIRE},
        {'u', 0, 0, 0},
    };
    for (const event &e : events) {
        if (e.kind == 'h')
            pad_hat(e.number, e.value);
        else
            pad_button(e.number, e.kind == 'b');
        EXPECT_EQ(pad_actions(), e.actions) << e.kind << e.number;
    }
}

TEST_F(Pad, PadAndKeyHoldingOneActionCombineAndAPulledPadLeavesNothingHeld) {
    register_tank_type(g, "player", 120, 35, 100, 1.6f, 0.3f, 100, "object_tank_1", "texture_tank_1", "m");
    player_tank *t = make_player_tank(g, "player");
    t->alive = 1;
    auto actions = [&] {
        read_controls(g, t);
        return t->actions;
    };
    key_event(SDLK_UP, true);
    pad_axis(1, -20000);
    EXPECT_EQ(actions(), ACT_FORWARD);
    key_event(SDLK_UP, false); // the pad still holds it
    EXPECT_EQ(actions(), ACT_FORWARD);
    key_event(SDLK_UP, true);
    pad_axis(1, 0); // the key still holds it
    EXPECT_EQ(actions(), ACT_FORWARD);
    key_event(SDLK_UP, false);
    EXPECT_EQ(actions(), 0);

    // Rebinding the keys changes nothing for the pad.
    g->settings.key_forward = 'w';
    pad_hat(0, SDL_HAT_UP);
    pad_button(0, true);
    pad_axis(0, -30000);
    EXPECT_EQ(actions(), ACT_FORWARD | ACT_FIRE | ACT_LEFT);
    // Pulled out mid-hold: SDL recentres every input it had, or the pad is forgotten outright.
    pad_axis(0, 0);
    pad_hat(0, SDL_HAT_CENTERED);
    pad_button(0, false);
    EXPECT_EQ(actions(), 0);
    pad_axis(0, -30000);
    pad_release_all();
    EXPECT_EQ(actions(), 0);
    free_player_tank(t);
}

TEST_F(Pad, PressesReachWhatEachStateReads) {
    const int name_entry = FLAG_GAME_OVER | FLAG_QUALIFIES;
    struct row {
        int flags;
        int button; // -1: stick up
        int last_key;
        bool start, escape_held;
    } rows[] = {
        {FLAG_GAME_OVER, 0, 0, true, false},
        {FLAG_GAME_OVER, 7, 0, true, false},
        {FLAG_GAME_OVER, 1, 0, false, false},
        {FLAG_GAME_OVER, 6, SDLK_ESCAPE, false, true},
        {FLAG_PLAYING, 7, SDLK_ESCAPE, false, true},
        {FLAG_PLAYING, 0, 0, false, false},
        {FLAG_PLAYING, -1, 0, false, false},
        {FLAG_MENU, -1, SDLK_UP, false, false},
        {FLAG_MENU | FLAG_PLAYING, 0, SDLK_RETURN, false, false},
        {FLAG_MENU, 1, SDLK_ESCAPE, false, false},
        {FLAG_MENU, 7, SDLK_ESCAPE, false, false},
        {name_entry, 1, SDLK_BACKSPACE, false, false},
        {name_entry, 0, SDLK_RETURN, false, false},
        {name_entry, 7, SDLK_RETURN, false, false},
    };
    for (const row &r : rows) {
        g->flags = r.flags;
        last_key = 0;
        key_state[SDLK_ESCAPE] = 0;
        start_pressed = false;
        if (r.button < 0)
            pad_axis(1, -32768);
        else
            pad_button(r.button, true);
        pad_dispatch(g);
        EXPECT_EQ(last_key, r.last_key) << r.flags << " " << r.button;
        EXPECT_EQ(start_pressed, r.start) << r.flags << " " << r.button;
        EXPECT_EQ(key_state[SDLK_ESCAPE] == 1, r.escape_held) << r.flags << " " << r.button;
        pad_release_all();
    }
    // A key pressed on the keyboard in the same frame wins; a press is handed over only once.
    g->flags = FLAG_MENU;
    last_key = 'q';
    pad_button(0, true);
    pad_dispatch(g);
    EXPECT_EQ(last_key, 'q');
    last_key = 0;
    pad_dispatch(g);
    EXPECT_EQ(last_key, 0);
    key_state[SDLK_ESCAPE] = 0;
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
    menu_page = 1;
}

TEST_F(Pad, NameEntryCyclesTheCharacterAtTheCursor) {
    g->flags = FLAG_GAME_OVER | FLAG_QUALIFIES;
    zero_bytes(g->player_name, NAME_LENGTH);
    reset_name_cursor();
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
