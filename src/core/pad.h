// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Gamepad input: the first joystick SDL reports, read as an Xbox-style pad. Its stick, d-pad
// and buttons act through the same paths as the keyboard: held directions and A become the
// player's actions, and presses become the keys the title, menu and name entry already read.
#pragma once

struct game_record;

// Button and axis numbers of the pad layout; another layout is one edit here.
struct pad_layout {
    int axis_x, axis_y;                            // left stick
    int hat;                                       // d-pad as a hat
    int dpad_up, dpad_down, dpad_left, dpad_right; // d-pad as buttons, where the driver says so
    int button_a, button_b, button_back, button_start;
    int button_x, button_y;
};
inline constexpr pad_layout PAD_LAYOUT = {0, 1, 0, 13, 14, 11, 12, 0, 1, 6, 7, 2, 3};

// The stick engages a direction beyond a quarter of its travel and lets go below 3/16.
inline constexpr int PAD_ENGAGE = 8192;
inline constexpr int PAD_RELEASE = 6144;

// Directions, held or pressed (bits).
enum : int { PAD_UP = 0x1, PAD_DOWN = 0x2, PAD_LEFT = 0x4, PAD_RIGHT = 0x8 };
// Buttons the game uses (bits).
enum : int { PAD_A = 0x10, PAD_B = 0x20, PAD_BACK = 0x40, PAD_START = 0x80, PAD_X = 0x100, PAD_Y = 0x200 };

// Opens the first joystick SDL reports, if any (quietly: no pad is no error).
void pad_open();
// Tries again for a pad now and then while none is open (title and menu only).
void pad_rescan(const game_record *game, unsigned now_ms);
// Forgets every held input, as when the pad goes away.
void pad_release_all();

// The raw inputs, as SDL's joystick events give them.
void pad_axis(int axis, int value);
void pad_hat(int hat, int value);
void pad_button(int button, bool down);

// Directions and buttons held now, and those pressed since the last pad_dispatch.
int pad_held();
int pad_pressed();
// The player's action bits that the pad holds (ACT_* of the tank record).
int pad_actions();
// Hands this frame's presses to whatever the state reads: the title's start latch, the escape
// key, or last_key for the menu and the name entry. Keys pressed on the keyboard win.
void pad_dispatch(game_record *game);
