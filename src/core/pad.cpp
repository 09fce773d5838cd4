// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Gamepad input. The stick runs a small state machine per axis with hysteresis, so a stick
// resting near the edge of the dead zone does not chatter; stick, hat and d-pad buttons hold
// directions each on their own, and a direction is held while any of them holds it. The pad
// never writes the held keys, so a key and the pad holding the same action combine in
// read_controls and releasing one leaves the other.

#include "core/pad.h"

#include "combat/combat.h"
#include "core/core.h"
#include "menu/menu.h"
#include "replay/replay.h"

#include <SDL/SDL.h>

namespace {

SDL_Joystick *pad = nullptr;
unsigned last_scan_ms = 0;
int stick_x = 0, stick_y = 0; // -1, 0 or +1 per axis
int hat_dirs = 0;
int button_bits = 0; // d-pad buttons as directions, and the four game buttons
int pressed_bits = 0;

int stick_dirs() {
    return (stick_x < 0 ? PAD_LEFT : 0) | (stick_x > 0 ? PAD_RIGHT : 0) | (stick_y < 0 ? PAD_UP : 0) |
           (stick_y > 0 ? PAD_DOWN : 0);
}

// Applies a change of held state, recording the inputs that became held as presses.
template <class F> void change(F &&f) {
    int before = pad_held();
    f();
    pressed_bits |= pad_held() & ~before;
}

int axis_state(int state, int value) {
    int magnitude = value < 0 ? -value : value;
    int side = value < 0 ? -1 : 1;
    if (state != 0 && state == side && magnitude >= PAD_RELEASE) return state;
    return magnitude >= PAD_ENGAGE ? side : 0;
}

} // namespace

void pad_open() {
    if (pad || SDL_NumJoysticks() < 1) return;
    pad = SDL_JoystickOpen(0);
    if (pad) SDL_JoystickEventState(SDL_ENABLE);
}

void pad_rescan(const game_record *g, unsigned now_ms) {
    // SDL 1.2 lists joysticks when its subsystem starts, so only a restart finds a new one.
    if (pad || !g || ((g->flags & FLAG_PLAYING) && !(g->flags & FLAG_MENU))) return;
    if (now_ms - last_scan_ms < 3000) return;
    last_scan_ms = now_ms;
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    if (SDL_InitSubSystem(SDL_INIT_JOYSTICK) < 0) return;
    pad_release_all(); // a new device starts with nothing held
    pad_open();
}

void pad_release_all() {
    stick_x = stick_y = 0;
    hat_dirs = 0;
    button_bits = 0;
    pressed_bits = 0;
}

void pad_axis(int axis, int value) {
    change([&] {
        if (axis == PAD_LAYOUT.axis_x) stick_x = axis_state(stick_x, value);
        if (axis == PAD_LAYOUT.axis_y) stick_y = axis_state(stick_y, value);
    });
}

void pad_hat(int hat, int value) {
    if (hat != PAD_LAYOUT.hat) return;
    change([&] {
        hat_dirs = (value & SDL_HAT_UP ? PAD_UP : 0) | (value & SDL_HAT_DOWN ? PAD_DOWN : 0) |
                   (value & SDL_HAT_LEFT ? PAD_LEFT : 0) | (value & SDL_HAT_RIGHT ? PAD_RIGHT : 0);
    });
}

void pad_button(int button, bool down) {
    const pad_layout &l = PAD_LAYOUT;
    const int map[][2] = {{l.dpad_up, PAD_UP},       {l.dpad_down, PAD_DOWN},     {l.dpad_left, PAD_LEFT},
                          {l.dpad_right, PAD_RIGHT}, {l.button_a, PAD_A},         {l.button_b, PAD_B},
                          {l.button_back, PAD_BACK}, {l.button_start, PAD_START}, {l.button_x, PAD_X},
                          {l.button_y, PAD_Y}};
    for (const auto &m : map) {
        if (m[0] != button) continue;
        int bit = m[1];
        // A button event is a press of its own even where the direction was already held.
        if (down && (bit & (PAD_A | PAD_B | PAD_BACK | PAD_START | PAD_X | PAD_Y))) pressed_bits |= bit;
        change([&] { button_bits = down ? button_bits | bit : button_bits & ~bit; });
    }
}

int pad_held() {
    return stick_dirs() | hat_dirs | button_bits;
}

int pad_pressed() {
    return pressed_bits;
}

int pad_actions() {
    int h = pad_held();
    return (h & PAD_UP ? ACT_FORWARD : 0) | (h & PAD_DOWN ? ACT_REVERSE : 0) | (h & PAD_LEFT ? ACT_LEFT : 0) |
           (h & PAD_RIGHT ? ACT_RIGHT : 0) | (h & PAD_A ? ACT_FIRE : 0);
}

static bool menu_waits_for_key() {
    menu *m = selected_menu();
    return m && m->current && m->awaiting == m->current && m->current->kind == ITEM_KEY &&
           !m->current->changed;
}

void pad_dispatch(game_record *g) {
    int p = pressed_bits;
    pressed_bits = 0;
    if (!p || !g) return;
    auto press = [&](int sym) {
        if (last_key == 0) last_key = sym;
    };
    int f = g->flags;
    if (replay_watching()) {
        watch_pad_presses(p);
    } else if (f & FLAG_MENU) {
        if (menu_waits_for_key()) return; // a binding needs a key from the keyboard
        if (p & PAD_UP) press(SDLK_UP);
        if (p & PAD_DOWN) press(SDLK_DOWN);
        if (p & PAD_LEFT) press(SDLK_LEFT);
        if (p & PAD_RIGHT) press(SDLK_RIGHT);
        if (p & PAD_A) press(SDLK_RETURN);
        if (p & (PAD_B | PAD_BACK | PAD_START)) press(SDLK_ESCAPE);
    } else if ((f & FLAG_GAME_OVER) && (f & FLAG_QUALIFIES) && !(f & FLAG_PLAYING)) {
        if (p & PAD_UP) name_cycle(1);
        if (p & PAD_DOWN) name_cycle(-1);
        if (p & PAD_LEFT) press(SDLK_LEFT);
        if (p & PAD_RIGHT) press(SDLK_RIGHT);
        if (p & PAD_B) press(SDLK_BACKSPACE);
        if (p & (PAD_A | PAD_START)) press(SDLK_RETURN);
        if (p & PAD_BACK) press(SDLK_ESCAPE);
    } else {
        // Title: A or Start is a new press, whatever the keyboard's space did; up and down
        // choose an entry of the table and X plays its game, as the keys do.
        bool title = (f & FLAG_GAME_OVER) && !(f & FLAG_PLAYING);
        if (title && (p & (PAD_A | PAD_START))) start_pressed = true;
        if (title && (p & PAD_UP)) press(SDLK_UP);
        if (title && (p & PAD_DOWN)) press(SDLK_DOWN);
        if (title && (p & PAD_X)) press(SDLK_RETURN);
        // Playing: Start (and Back anywhere here) opens the menu as the escape key does.
        if ((p & PAD_BACK) || ((f & FLAG_PLAYING) && (p & PAD_START))) {
            key_state[SDLK_ESCAPE] = 1;
            last_key = SDLK_ESCAPE;
        }
    }
}
