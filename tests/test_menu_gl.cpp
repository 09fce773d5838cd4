// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Settings menu on a real GL context (SDL's offscreen driver): live video-mode switching from
// the menu and modes the platform refuses. The offscreen display refuses full screen and
// 1280x1024.

#include "core/core.h"
#include "menu/menu.h"
#include "render/render.h"
#include "support/test_support.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>
#include <string>
#include <tuple>

TEST(MenuGl, ResolutionSwitchesAtOnceAndARefusedModeKeepsTheWindow) {
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    game_record *g = make_test_game();
    g->flags = FLAG_PLAYING | FLAG_MENU;
    set_video_mode(0, 640, 480, 16);
    ASSERT_NE(SDL_GetVideoSurface(), nullptr) << SDL_GetError();
    discard_menus();
    build_menus();
    // One menu frame with the key on the labelled item; the window, the viewport and the settings
    // must then all describe the mode w x h, with one swap per refresh asked for. Returns what the
    // frame wrote to stderr.
    auto press = [&](const char *label, int sym, int w, int h) {
        for (menu_item *it = settings_menu->first; it; it = it->next)
            if (it->label && *it->label == label) settings_menu->current = it;
        key_event(sym, true);
        testing::internal::CaptureStderr();
        menu_input(g);
        key_event(sym, false);
        std::string err = testing::internal::GetCapturedStderr();
        GLint vp[4];
        glGetIntegerv(GL_VIEWPORT, vp);
        int swap_interval = 0;
        SDL_GL_GetAttribute(SDL_GL_SWAP_CONTROL, &swap_interval);
        EXPECT_EQ(std::tuple(SDL_GetVideoSurface()->w, SDL_GetVideoSurface()->h, vp[2], vp[3],
                             g->settings.width, g->settings.height, g->settings.fullscreen, swap_interval),
                  std::tuple(w, h, w, h, w, h, 0, 1))
            << label << ": " << err;
        return err;
    };
    EXPECT_EQ(press("  resolution", SDLK_RIGHT, 800, 600), "");
    press("  resolution", SDLK_RIGHT, 1024, 768);
    std::string err = press("  resolution", SDLK_RIGHT, 1024, 768);
    EXPECT_NE(err.find("cant deal with 1280 x 1024 x 16"), std::string::npos) << err;
    key_event(SDLK_UP, true); // held through the switch; the window is made anew and never hears of it
    err = press("fullscreen", SDLK_RETURN, 1024, 768);
    EXPECT_EQ(key_state[SDLK_UP], 0) << "a key held over a switch to full screen counts as released";
    EXPECT_NE(err.find("cant deal with 1024 x 768 x 16 ("), std::string::npos) << err;
    refresh_settings_menu(g, settings_menu);
    EXPECT_EQ(settings_menu->current->value, 0) << "the menu shows the mode actually on screen";
    press("  resolution", SDLK_LEFT, 800, 600);
    press("  resolution", SDLK_LEFT, 640, 480);
    free_test_game(g);
    SDL_Quit();
}
