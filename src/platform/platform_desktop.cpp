// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What the desktops (Linux and Windows) share in the platform layer: a process that owns its
// thread runs the frame loop until it exits and saves its settings at that exit. A desktop's
// SDL may start on a driver that shows nothing (offscreen, dummy) when there is no display:
// SDL 2 under the Linux layer does so by itself; the classic SDL 1.2 on Windows only when
// SDL_VIDEODRIVER names it.

#include "platform/platform.h"

#include <SDL/SDL.h>
#include <cstdlib>
#include <cstring>

[[noreturn]] void run_frame_loop(void (*frame)(), void (*)()) {
    for (;;)
        frame();
}

void settings_checkpoint() {}

bool full_screen_left_by_host() {
    return false;
}

std::string missing_display() {
    char driver[32] = "";
    if (!SDL_VideoDriverName(driver, sizeof driver)) return "";
    if (std::strcmp(driver, "offscreen") != 0 && std::strcmp(driver, "dummy") != 0) return "";
    if (std::getenv("SDL_VIDEODRIVER")) return ""; // asked for by name
    const char *display = std::getenv("DISPLAY");
    std::string where = display ? std::string("DISPLAY=") + display : std::string("DISPLAY is not set");
    return "no display to open a window on (" + where + ")";
}
