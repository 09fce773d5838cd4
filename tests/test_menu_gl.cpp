// Settings menu on a real GL context (SDL's offscreen driver): live video-mode switching from
// the menu, a mode the platform refuses, and the drawing of a page over the scene without
// leaving GL state behind. The offscreen display refuses full screen and 1280x1024.

#include "core/core.h"
#include "menu/menu.h"
#include "render/render.h"
#include "support/test_support.h"

#include <SDL/SDL.h>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

class MenuGl : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        ASSERT_NE(SDL_SetVideoMode(640, 480, 16, SDL_OPENGL), nullptr) << SDL_GetError();
    }
    static void TearDownTestSuite() { SDL_Quit(); }
    void SetUp() override {
        g = make_test_game();
        g->flags = FLAG_PLAYING | FLAG_MENU;
        std::memset(key_state, 0, sizeof key_state);
        testing::internal::CaptureStdout();
        set_video_mode(0, 640, 480, 16);
        testing::internal::GetCapturedStdout();
        discard_menus();
        build_menus();
    }
    void TearDown() override {
        discard_menus();
        free_test_game(g);
    }
    void press(int sym) {
        key_event(sym, true);
        testing::internal::CaptureStdout();
        menu_input(g);
        testing::internal::GetCapturedStdout();
        key_event(sym, false);
    }
    void select(const char *label) {
        for (menu_item *it = settings_menu->first; it; it = it->next)
            if (it->label && *it->label == label) settings_menu->current = it;
        ASSERT_TRUE(settings_menu->current->label && *settings_menu->current->label == label);
    }
    static void expect_window(int w, int h) {
        SDL_Surface *screen = SDL_GetVideoSurface();
        ASSERT_NE(screen, nullptr);
        EXPECT_EQ(screen->w, w);
        EXPECT_EQ(screen->h, h);
        GLint vp[4];
        glGetIntegerv(GL_VIEWPORT, vp);
        EXPECT_EQ(vp[2], w) << "the picture is laid out for the window on screen";
        EXPECT_EQ(vp[3], h);
    }
    game_record *g = nullptr;
};

TEST_F(MenuGl, ResolutionSwitchesTheWindowAtOnce) {
    select("  resolution");
    press(SDLK_RIGHT);
    EXPECT_EQ(g->settings.width, 800);
    EXPECT_EQ(g->settings.height, 600);
    expect_window(800, 600);
    press(SDLK_RIGHT);
    expect_window(1024, 768);
    press(SDLK_LEFT);
    press(SDLK_LEFT);
    press(SDLK_LEFT); // round to 1280x1024, which this display refuses
    expect_window(640, 480);
    EXPECT_EQ(g->settings.width, 640);
}

TEST_F(MenuGl, RefusedModeKeepsTheWindowAndTheSettingsThatDescribeIt) {
    select("fullscreen");
    testing::internal::CaptureStderr();
    press(SDLK_RETURN);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("cant deal with 640 x 480 x 16 ("), std::string::npos) << err;
    EXPECT_EQ(g->settings.fullscreen, 0) << "the menu shows the mode actually on screen";
    expect_window(640, 480);
    refresh_settings_menu(g, settings_menu);
    EXPECT_EQ(settings_menu->current->value, 0);
    EXPECT_TRUE(g->flags & FLAG_MENU);

    select("  resolution");
    press(SDLK_RIGHT);
    press(SDLK_RIGHT);
    testing::internal::CaptureStderr();
    press(SDLK_RIGHT);
    err = testing::internal::GetCapturedStderr();
    EXPECT_NE(err.find("cant deal with 1280 x 1024 x 16"), std::string::npos) << err;
    EXPECT_EQ(g->settings.width, 1024);
    EXPECT_EQ(g->settings.height, 768);
    expect_window(1024, 768);
}

TEST_F(MenuGl, PanelDarkensTheMiddleAndLeavesStateAsFound) {
    glClearColor(1, 1, 1, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    text_centred = 1;
    draw_settings_screen(g);
    glFinish();

    // The panel spans x from -27 to 27 of the 120-unit wide view; sample beside the texts.
    unsigned char inside[4] = {0}, outside[4] = {0};
    glReadPixels(320 + 26 * 320 / 60, 240, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, inside);
    glReadPixels(320 + 30 * 320 / 60, 240, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, outside);
    EXPECT_NEAR(inside[0], 128, 12) << "half-transparent black over white";
    EXPECT_EQ(outside[0], 255);

    EXPECT_EQ(text_centred, 1);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_FOG));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    GLboolean depth_mask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depth_mask);
    EXPECT_TRUE(depth_mask);
    GLfloat mv[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, mv);
    EXPECT_FLOAT_EQ(mv[14], 0) << "the model-view matrix is left as found";
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    menu_page = 2;
    draw_settings_screen(g);
    menu_page = 3;
    draw_settings_screen(g); // shows nothing
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glClearColor(0, 0, 0, 0);
    text_centred = 0;
}

} // namespace
