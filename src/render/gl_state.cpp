// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// GL state and display-list handles. gl_setup puts OpenGL into the baseline that every draw
// routine assumes on entry; after a video-mode switch it renews every display-list handle
// (owners recompile lazily through the dirty flag) and rebuilds the font. How each system
// readies video for a window or full screen is the platform layer's (prepare_video_mode).

#include "render/render.h"

#include "core/core.h"
#include "platform/platform.h"

#include <SDL/SDL.h>
#include <cstdio>
#include <cstdlib>

dlist *dlist_registry = nullptr;

dlist *new_dlist() {
    auto *d = new dlist;
    d->id = glGenLists(1);
    d->dirty = 1;
    d->next = dlist_registry;
    dlist_registry = d;
    return d;
}

void gl_setup(game_record *g) {
    for (dlist *d = dlist_registry; d; d = d->next) {
        glDeleteLists(d->id, 1);
        d->dirty = 1;
    }
    for (dlist *d = dlist_registry; d; d = d->next) {
        d->id = glGenLists(1);
        d->dirty = 1;
    }

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-0.6, 0.6, -0.45, 0.45, 1.0, 2500.0);
    glViewport(0, 0, g->settings.width, g->settings.height);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();

    glEnable(GL_BLEND);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_NORMALIZE);
    glLineWidth(2.0f);
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glClearColor(0, 0, 0, 0);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glEnable(GL_CULL_FACE);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);

    static const GLfloat fog_colour[4] = {0.0f, 0.0f, 0.0f, 1.0f};
    glEnable(GL_FOG);
    glFogf(GL_FOG_START, 30.0f);
    glFogf(GL_FOG_END, 150.0f);
    glFogf(GL_FOG_MODE, 9729.0f); // GL_LINEAR
    glFogfv(GL_FOG_COLOR, fog_colour);

    static const GLfloat ambient[4] = {0.5f, 0.5f, 0.5f, 1.0f};
    static const GLfloat diffuse[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    static const GLfloat specular[4] = {0.4f, 0.4f, 0.4f, 1.0f};
    glLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, diffuse);
    glLightfv(GL_LIGHT0, GL_SPECULAR, specular);

    if (g->font_lists != 0 && glIsList(g->font_lists)) glDeleteLists(g->font_lists, 128);
    g->font_lists = build_font(g);

    const GLubyte *vendor = glGetString(GL_VENDOR);
    printf("openGL driver: %s\n", vendor ? reinterpret_cast<const char *>(vendor) : "");
    fflush(stdout);
}

void choose_window_path() {
    prepare_first_window();
}

bool set_video_mode(int fullscreen, int width, int height, int bits) {
    bool ok = false;
    // Readying video comes first: starting it again resets the GL attributes.
    if (prepare_video_mode(fullscreen != 0)) {
        int channel = bits == 16 ? 5 : 8;
        SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channel);
        SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channel);
        SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channel);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_SWAP_CONTROL, 1); // one swap per display refresh
        Uint32 flags = SDL_OPENGL | (fullscreen ? SDL_FULLSCREEN : 0);
        SDL_ClearError(); // a refusal need not say why: no stale message in its place
        if (SDL_VideoModeOK(width, height, bits, flags) == 0)
            fprintf(stderr, "cant deal with %d x %d x %d (%s)\n", width, height, bits, SDL_GetError());
        else
            ok = SDL_SetVideoMode(width, height, bits, flags) != nullptr;
    }
    // A mode that could not be set may have taken the window and its GL context with it; GL
    // then waits for the window the caller makes again (GLU, for one, reads the version string
    // of the context and trips over the null it gets without one).
    if (SDL_GetVideoSurface()) {
        gl_setup(game);
        reload_textures();
    }
    return ok;
}
