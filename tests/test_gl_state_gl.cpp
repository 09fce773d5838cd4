// GL state: the baseline every draw routine starts from, the fixed projection, and the
// renewal of display-list handles across a video-mode switch. Runs on a real GL context
// from SDL's offscreen driver.

#include "core/core.h"
#include "render/render.h"
#include "support/test_support.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>

namespace {

class GlState : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        ASSERT_NE(SDL_SetVideoMode(640, 480, 16, SDL_OPENGL), nullptr) << SDL_GetError();
    }
    static void TearDownTestSuite() { SDL_Quit(); }
    void SetUp() override { g = make_test_game(); }
    void TearDown() override { free_test_game(g); }
    game_record *g = nullptr;
};

TEST_F(GlState, SetupGivesTheBaseline) {
    testing::internal::CaptureStdout();
    gl_setup(g);
    std::string out = testing::internal::GetCapturedStdout();
    EXPECT_NE(out.find("openGL driver: "), std::string::npos);

    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    GLint src = 0, dst = 0, depth_func = 0, fog_mode = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    EXPECT_EQ(src, GL_ONE);
    EXPECT_EQ(dst, GL_ONE_MINUS_SRC_ALPHA);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    glGetIntegerv(GL_DEPTH_FUNC, &depth_func);
    EXPECT_EQ(depth_func, GL_LEQUAL);
    EXPECT_TRUE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_NORMALIZE));
    EXPECT_TRUE(glIsEnabled(GL_FOG));
    glGetIntegerv(GL_FOG_MODE, &fog_mode);
    EXPECT_EQ(fog_mode, GL_LINEAR);
    GLfloat fog_start = 0, fog_end = 0, ambient[4];
    glGetFloatv(GL_FOG_START, &fog_start);
    glGetFloatv(GL_FOG_END, &fog_end);
    EXPECT_FLOAT_EQ(fog_start, 30.0f);
    EXPECT_FLOAT_EQ(fog_end, 150.0f);
    glGetLightfv(GL_LIGHT0, GL_AMBIENT, ambient);
    EXPECT_FLOAT_EQ(ambient[0], 0.5f);

    // The fixed 4:3 frustum from near 1 to far 2500.
    GLfloat p[16];
    glGetFloatv(GL_PROJECTION_MATRIX, p);
    EXPECT_NEAR(p[0], 2.0 / 1.2, 1e-5);
    EXPECT_NEAR(p[5], 2.0 / 0.9, 1e-5);
    EXPECT_NEAR(p[10], -(2500.0 + 1.0) / (2500.0 - 1.0), 1e-5);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 640);
    EXPECT_EQ(viewport[3], 480);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(GlState, SetupRenewsEveryDisplayListHandle) {
    testing::internal::CaptureStdout();
    gl_setup(g);
    dlist *a = new_dlist();
    dlist *b = new_dlist();
    EXPECT_EQ(dlist_registry, b);
    EXPECT_EQ(b->next, a);
    EXPECT_EQ(a->dirty, 1);
    glNewList(a->id, GL_COMPILE);
    glEndList();
    a->dirty = 0;
    EXPECT_TRUE(glIsList(a->id));
    gl_setup(g);
    testing::internal::GetCapturedStdout();
    EXPECT_EQ(a->dirty, 1);
    EXPECT_EQ(b->dirty, 1);
    EXPECT_NE(a->id, 0u);
    EXPECT_NE(a->id, b->id);
}

TEST_F(GlState, ModeSwitchKeepsTheViewportOfTheStoredSize) {
    game = g;
    g->settings.width = 800;
    g->settings.height = 600;
    testing::internal::CaptureStdout();
    set_video_mode(0, 800, 600, 32);
    testing::internal::GetCapturedStdout();
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 800);
    EXPECT_EQ(viewport[3], 600);
    EXPECT_TRUE(glIsEnabled(GL_FOG));
}

} // namespace
