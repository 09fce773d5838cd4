// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// GL state and display-list handles. gl_setup puts OpenGL into the baseline that every draw
// routine assumes on entry; after a video-mode switch it renews every display-list handle
// (owners recompile lazily through the dirty flag) and rebuilds the font.
//
// The video path. The SDL 1.2 layer on SDL 2 reads SDL12COMPAT_OPENGL_SCALING when its video
// subsystem starts. On, it draws every frame offscreen and copies it to the screen, stretched
// to the largest size of the same shape: full screen then fills any desktop and leaves the
// desktop's own mode alone. Off, it draws straight into the window, which saves a copy every
// frame and a shader at start-up, but full screen asks the display for a real mode of the
// game's size, which most desktops lack. So a window takes the direct path and full screen the
// stretched one; a switch between the two restarts the video subsystem under the other value.
// A player's own setting of the variable is kept throughout.

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

static const char *const scaling_variable = "SDL12COMPAT_OPENGL_SCALING";
static bool scaling_is_players = false;
static bool scaling_on = false;

void choose_window_path() {
    scaling_is_players = getenv(scaling_variable) != nullptr;
    if (!scaling_is_players) set_environment(scaling_variable, "0");
}

// Restarts the video subsystem when the mode about to be set wants the other path; false when
// video could not start again.
static bool follow_video_path(bool fullscreen) {
    if (full_screen_by_host(fullscreen)) return true;
    if (scaling_is_players || scaling_on == fullscreen) return true;
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    set_environment(scaling_variable, fullscreen ? "1" : "0");
    scaling_on = fullscreen;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) < 0) {
        fprintf(stderr, "cannot restart video: %s\n", SDL_GetError());
        return false;
    }
    SDL_WM_SetCaption(window_caption, window_caption);
    return true;
}

bool set_video_mode(int fullscreen, int width, int height, int bits) {
    bool ok = false;
    // The restart comes first: starting video again resets the GL attributes.
    if (follow_video_path(fullscreen != 0)) {
        int channel = bits == 16 ? 5 : 8;
        SDL_GL_SetAttribute(SDL_GL_RED_SIZE, channel);
        SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, channel);
        SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, channel);
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        SDL_GL_SetAttribute(SDL_GL_SWAP_CONTROL, 1); // one swap per display refresh
        Uint32 flags = SDL_OPENGL | (fullscreen ? SDL_FULLSCREEN : 0);
        if (SDL_VideoModeOK(width, height, bits, flags) == 0)
            fprintf(stderr, "cant deal with %d x %d x %d (%s)\n", width, height, bits, SDL_GetError());
        else
            ok = SDL_SetVideoMode(width, height, bits, flags) != nullptr;
    }
    gl_setup(game);
    reload_textures();
    return ok;
}
