/* SPDX-FileCopyrightText: 2026 The Hollowmere developers */
/* SPDX-License-Identifier: GPL-3.0-or-later */

/* Preloaded into a program to time its start-up: at its first buffer swap it writes the
 * monotonic clock to $STARTUP_PROBE_OUT and ends the process. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <stdio.h>
#include <stdlib.h>
#include <time.h>
#include <unistd.h>

void SDL_GL_SwapBuffers(void) {
    void (*real)(void) = (void (*)(void))dlsym(RTLD_NEXT, "SDL_GL_SwapBuffers");
    if (real) real();
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    const char *path = getenv("STARTUP_PROBE_OUT");
    FILE *f = path ? fopen(path, "w") : NULL;
    if (f) {
        fprintf(f, "%.6f\n", now.tv_sec + now.tv_nsec / 1e9);
        fclose(f);
    }
    _exit(0);
}
