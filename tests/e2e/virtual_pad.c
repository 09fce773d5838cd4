/* SPDX-FileCopyrightText: 2026 The Hollowmere developers */
/* SPDX-License-Identifier: GPL-3.0-or-later */

/* Preloaded into the game: attaches a virtual Xbox-style pad to SDL 2 (the library under SDL
   1.2's compatibility layer) before the game starts its joystick subsystem, then sets its
   inputs from lines "a|b|h NUMBER VALUE" (axis, button, hat) read from the FIFO $VPAD_FIFO. */
#include <dlfcn.h>
#include <pthread.h>
#include <stdio.h>
#include <stdlib.h>

static void *joy;
static int (*set_axis)(void *, int, short);
static int (*set_button)(void *, int, unsigned char);
static int (*set_hat)(void *, int, unsigned char);

static void *reader(void *path) {
    for (;;) { /* a writer that closes is followed by the next one */
        FILE *f = fopen((const char *)path, "r");
        if (!f) return NULL;
        char kind;
        int n, v;
        while (fscanf(f, " %c %d %d", &kind, &n, &v) == 3) {
            if (kind == 'a') set_axis(joy, n, (short)v);
            if (kind == 'b') set_button(joy, n, (unsigned char)v);
            if (kind == 'h') set_hat(joy, n, (unsigned char)v);
        }
        fclose(f);
    }
}

__attribute__((constructor)) static void attach_pad(void) {
    const char *fifo = getenv("VPAD_FIFO");
    void *sdl = fifo ? dlopen("libSDL2-2.0.so.0", RTLD_NOW | RTLD_GLOBAL) : NULL;
    if (!sdl) return;
    int (*init)(unsigned) = (int (*)(unsigned))dlsym(sdl, "SDL_InitSubSystem");
    int (*attach)(int, int, int, int) = (int (*)(int, int, int, int))dlsym(sdl, "SDL_JoystickAttachVirtual");
    void *(*open)(int) = (void *(*)(int))dlsym(sdl, "SDL_JoystickOpen");
    set_axis = (int (*)(void *, int, short))dlsym(sdl, "SDL_JoystickSetVirtualAxis");
    set_button = (int (*)(void *, int, unsigned char))dlsym(sdl, "SDL_JoystickSetVirtualButton");
    set_hat = (int (*)(void *, int, unsigned char))dlsym(sdl, "SDL_JoystickSetVirtualHat");
    if (!init || !attach || !open || !set_axis || !set_button || !set_hat || init(0x200 /* joystick */) < 0) return;
    joy = open(attach(1 /* game controller */, 6, 15, 1));
    pthread_t thread;
    if (joy) pthread_create(&thread, NULL, reader, (void *)fifo);
}
