// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The yardstick for start-up: a bare SDL window with a GL context that clears and swaps once.
#include <GL/gl.h>
#include <SDL/SDL.h>

int main(int, char **) {
    if (SDL_Init(SDL_INIT_VIDEO) < 0) return 1;
    if (!SDL_SetVideoMode(640, 480, 16, SDL_OPENGL)) return 1;
    for (;;) {
        SDL_Event e;
        while (SDL_PollEvent(&e)) {
        }
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        SDL_GL_SwapBuffers();
    }
}
