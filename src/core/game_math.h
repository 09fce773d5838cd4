// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The simulation's math: the functions whose results a libm may round its own way, taken from
// one source (musl's, in third_party/musl-math/) and compiled alike for every system, so that
// a game gives the same bits on Linux, Windows and the web and on any CPU. Everything that
// moves the game or builds its world calls these; sqrt, fabs, floor and fmod are exact in IEEE
// arithmetic and stay the C library's. The f-suffixed ones take and give float, as the C
// library's do, where the game's arithmetic is in float.
#pragma once

extern "C" {
double game_sin(double x);
double game_cos(double x);
double game_atan(double x);
double game_atan2(double y, double x);
double game_acos(double x);
double game_pow(double x, double y);
float game_sinf(float x);
float game_cosf(float x);
float game_atanf(float x);
float game_atan2f(float y, float x);
}
