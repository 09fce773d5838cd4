// What the desktops (Linux and Windows) share in the platform layer: a process that owns its
// thread runs the frame loop until it exits and saves its settings at that exit.

#include "platform/platform.h"

[[noreturn]] void run_frame_loop(void (*frame)(), void (*)()) {
    for (;;)
        frame();
}

void settings_checkpoint() {}

bool full_screen_left_by_host() {
    return false;
}
