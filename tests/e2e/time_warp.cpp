// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Test helper, preloaded into the game: SDL's millisecond clock runs HOLLOWMERE_TIME_WARP times
// as fast, so that a whole game plays out in a fraction of its real length. Only the clock the
// game reads is changed; delays, audio and events keep real time.
#include <cstdint>
#include <cstdlib>
#include <dlfcn.h>

extern "C" uint32_t SDL_GetTicks(void) {
    using ticks_fn = uint32_t (*)(void);
    static ticks_fn real = reinterpret_cast<ticks_fn>(dlsym(RTLD_NEXT, "SDL_GetTicks"));
    static double warp = [] {
        const char *w = getenv("HOLLOWMERE_TIME_WARP");
        double v = w ? atof(w) : 1.0;
        return v > 0 ? v : 1.0;
    }();
    return real ? static_cast<uint32_t>(real() * warp) : 0;
}
