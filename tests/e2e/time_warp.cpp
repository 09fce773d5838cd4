// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Test helper, preloaded into the game: SDL's millisecond clock runs HOLLOWMERE_TIME_WARP times
// as fast, so that a whole game plays out in a fraction of its real length. Only the clock the
// game reads is changed; delays, audio and events keep real time.
#include <cstdint>
#include <cstdio>
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

// With HOLLOWMERE_FRAME_COUNT naming a file, the count of frames shown so far is kept there (at
// most ten writes a second), so that a test can measure the frame rate from outside.
extern "C" void SDL_GL_SwapBuffers(void) {
    using swap_fn = void (*)(void);
    using ticks_fn = uint32_t (*)(void);
    static swap_fn real = reinterpret_cast<swap_fn>(dlsym(RTLD_NEXT, "SDL_GL_SwapBuffers"));
    static ticks_fn clock = reinterpret_cast<ticks_fn>(dlsym(RTLD_NEXT, "SDL_GetTicks"));
    static const char *path = getenv("HOLLOWMERE_FRAME_COUNT");
    static unsigned long frames = 0;
    static uint32_t written_at = 0;
    if (real) real();
    ++frames;
    uint32_t now = clock ? clock() : 0;
    if (path && now - written_at >= 100) {
        written_at = now;
        if (FILE *f = fopen(path, "w")) {
            fprintf(f, "%lu %u\n", frames, now);
            fclose(f);
        }
    }
}
