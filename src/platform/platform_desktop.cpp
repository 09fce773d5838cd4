// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What the desktops (Linux and Windows) share in the platform layer: a process that owns its
// thread runs the frame loop until it exits, saves its settings at that exit, and makes its own
// full screen.

#include "platform/platform.h"

[[noreturn]] void run_frame_loop(void (*frame)(), void (*)()) {
    for (;;)
        frame();
}

void settings_checkpoint() {}

bool full_screen_by_host(bool) {
    return false;
}
