// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Where Linux keeps the game's files (the working directory, which is the player's own
// directory when the game is started through the launcher), and how its video follows full
// screen.

#include "platform/platform.h"

#include <SDL/SDL.h>
#include <cstdio>
#include <cstdlib>
#include <string>

game_files locate_game_files() {
    return {"hollowmere.data", "hollowmere.cfg", "replays"};
}

// The video path. The SDL 1.2 layer on SDL 2 reads SDL12COMPAT_OPENGL_SCALING when its video
// subsystem starts. On, it draws every frame offscreen and copies it to the screen, stretched
// to the largest size of the same shape: full screen then fills any desktop and leaves the
// desktop's own mode alone. Off, it draws straight into the window, which saves a copy every
// frame and a shader at start-up, but full screen asks the display for a real mode of the
// game's size, which most desktops lack. So a window takes the direct path and full screen the
// stretched one; a switch between the two restarts the video subsystem under the other value.
// A player's own setting of the variable is kept throughout.

static const char *const scaling_variable = "SDL12COMPAT_OPENGL_SCALING";
static bool scaling_is_players = false;
static bool scaling_on = false;

void prepare_first_window() {
    scaling_is_players = getenv(scaling_variable) != nullptr;
    if (!scaling_is_players) set_environment(scaling_variable, "0");
}

bool prepare_video_mode(bool fullscreen) {
    if (scaling_is_players || scaling_on == fullscreen) return true;
    char *title = nullptr, *icon = nullptr;
    SDL_WM_GetCaption(&title, &icon);
    std::string caption = title ? title : "";
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
    set_environment(scaling_variable, fullscreen ? "1" : "0");
    scaling_on = fullscreen;
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) < 0) {
        fprintf(stderr, "cannot restart video: %s\n", SDL_GetError());
        return false;
    }
    SDL_WM_SetCaption(caption.c_str(), caption.c_str());
    return true;
}
