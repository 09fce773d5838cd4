// The world drawn on a real GL context (SDL's offscreen driver): a whole scene leaves the GL
// state and the game as it found them, shadows and marks follow their options, flashes follow
// the debris count, dead debris stay unseen, and the sky and ground fill the picture.

#include "world/world.h"

#include "combat/combat.h"
#include "core/core.h"
#include "pack/pack.h"
#include "render/render.h"
#include "support/test_support.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

constexpr int W = 320, H = 240;

std::vector<uint8_t> solid_bmp(uint8_t r, uint8_t g, uint8_t b) {
    std::vector<uint8_t> bgr;
    for (int i = 0; i < 16; ++i)
        bgr.insert(bgr.end(), {b, g, r});
    return make_bmp(4, 4, bgr);
}

const char *barrel_mesh = "# barrel\n"
                          "v -10 0 -10\nv 10 0 -10\nv 10 40 0\nv -10 40 0\n"
                          "vn 0 0 -1\nvt 0 0\nvt 1 1\n"
                          "f 1/1/1 2/2/1 3/2/1 4/1/1\n";

struct pixel {
    int r, g, b;
};

pixel read_pixel(int x, int y) {
    uint8_t p[3];
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2]};
}

barrel *add_barrel(game_record *g, float x, float y, float lift, int state = BARREL_GROUND) {
    auto *b = static_cast<barrel *>(calloc(1, sizeof(barrel)));
    b->x = x;
    b->y = y;
    b->lift = lift;
    b->state = state;
    b->next = g->barrels;
    g->barrels = b;
    return b;
}

class WorldGl : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        ASSERT_NE(SDL_SetVideoMode(W, H, 32, SDL_OPENGL), nullptr) << SDL_GetError();
        g = make_test_game();
        g->settings.width = W;
        g->settings.height = H;
        // Two-channel textures take luminance from blue and coverage from green: all opaque white.
        auto pack = make_pack({
            {"texture_ground", solid_bmp(90, 160, 90)},
            {"texture_sky_1", solid_bmp(60, 90, 200)},
            {"texture_puff_2", solid_bmp(255, 255, 255)},
            {"texture_puff_3", solid_bmp(255, 255, 255)},
            {"texture_flash_1", solid_bmp(255, 255, 255)},
            {"texture_streaks_1", solid_bmp(255, 255, 255)},
            {"texture_streaks_2", solid_bmp(255, 255, 255)},
            {"texture_streaks_3", solid_bmp(255, 255, 255)},
            {"texture_barrel", solid_bmp(200, 60, 30)},
            {"object_barrel", text_bytes(barrel_mesh)},
            {"material_barrel",
             text_bytes("# b\nemit 0 0 0\nambient 0.5 0.5 0.5\ndiffuse 1 1 1\nspecular 0 0 0\n")},
            {"material_ground",
             text_bytes("# g\nemit 0 0 0\nambient 0.6 0.6 0.6\ndiffuse 1 1 1\nspecular 0 0 0\n")},
        });
        g->pack = decode_pack(pack);
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        gl_setup(g);
        testing::internal::GetCapturedStderr();
        testing::internal::GetCapturedStdout();
    }
    static void TearDownTestSuite() { SDL_Quit(); }

    void SetUp() override {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        g->settings.display_flags = -1;
    }
    void TearDown() override {
        while (barrel *b = g->barrels) {
            g->barrels = b->next;
            free(b);
        }
        while (explosion *e = g->explosions) {
            g->explosions = e->next;
            free_projectiles(e->debris);
            free(e);
        }
        while (smoke_puff *p = g->smoke) {
            g->smoke = p->next;
            free(p);
        }
        glClearColor(0, 0, 0, 0);
    }

    // Looking straight down at the ground plane from 20 units up; the field is not consulted.
    static void look_down() {
        glLoadIdentity();
        glTranslatef(0, 0, -20);
    }

    static game_record *g;
};

game_record *WorldGl::g = nullptr;

TEST_F(WorldGl, WholeSceneLeavesGlStateAndGameAsFound) {
    g->game_time = 3.5f;
    g->tick_seconds = 0.02f;
    add_barrel(g, 0, 8, 0);
    add_barrel(g, 3, 8, 12, BARREL_LIFTING);
    srand(4);
    make_explosion(g, 2, 12, 1.0f);
    update_explosions(g);
    lay_smoke(g, {0, 10, 1.5f}, {1, 10, 1.5f}, MISSILE);
    ASSERT_NE(g->smoke, nullptr);

    // The chase camera of the scene drawing: behind and above a tank at the origin heading +y.
    glLoadIdentity();
    glTranslatef(0, -3, -30);
    glRotatef(-75, 1, 0, 0);
    GLfloat before[16], after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);
    GLint attrib_depth = 0, matrix_depth = 0, depth_after = 0, matrix_after = 0;
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &attrib_depth);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &matrix_depth);
    float barrel_x = g->barrels->x, lift = g->barrels->lift, timer = g->explosions->timer;
    int debris = g->explosions->live_debris;

    for (int frame = 0; frame < 2; ++frame) {
        draw_sky_and_field(g);
        draw_barrels(g);
        draw_explosions(g);
        draw_ring_wall(g, GL_CCW);
        draw_smoke(g);
        draw_ring_wall(g, GL_CW);
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    EXPECT_EQ(memcmp(before, after, sizeof before), 0);
    glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &depth_after);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &matrix_after);
    EXPECT_EQ(depth_after, attrib_depth);
    EXPECT_EQ(matrix_after, matrix_depth);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    GLboolean mask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_TRUE(mask);

    // Drawing changed nothing in the game, and made the field once.
    ASSERT_NE(g->field, nullptr);
    EXPECT_EQ(g->field->vertex_count, 26 * 26);
    EXPECT_EQ(g->barrels->x, barrel_x);
    EXPECT_EQ(g->barrels->lift, lift);
    EXPECT_EQ(g->explosions->timer, timer);
    EXPECT_EQ(g->explosions->live_debris, debris);

    // The sky fills the top of the picture and the ground the bottom.
    pixel sky = read_pixel(W / 2, H - 3);
    pixel ground = read_pixel(W / 2, 3);
    EXPECT_GT(sky.b, 100) << sky.r << "," << sky.g << "," << sky.b;
    EXPECT_GT(ground.r + ground.g + ground.b, 30);
    glLoadIdentity();
}

TEST_F(WorldGl, ShadowsDarkenByLiftAndFollowTheOption) {
    glClearColor(1, 1, 1, 1);
    auto centre_after = [&](int options) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        g->settings.display_flags = options;
        look_down();
        draw_ground_decals(g);
        glLoadIdentity();
        return read_pixel(W / 2, H / 2).r;
    };
    barrel *b = add_barrel(g, 0, 0, 0);
    EXPECT_NEAR(centre_after(SHOW_SHADOWS), 128, 3); // alpha 0.5 on the ground
    b->lift = 5;
    EXPECT_NEAR(centre_after(SHOW_SHADOWS), 191, 3); // alpha 0.25 half way up
    b->lift = 10;
    EXPECT_EQ(centre_after(SHOW_SHADOWS), 255); // none from 10 up
    b->lift = 0;
    EXPECT_EQ(centre_after(SHOW_SMOKE | SHOW_MARKS), 255);
    b->state = BARREL_GONE;
    EXPECT_EQ(centre_after(SHOW_SHADOWS), 255);
    b->state = BARREL_GROUND;
    b->x = 50;

    // Low missile smoke casts a shadow only while smoke is shown too.
    auto *p = static_cast<smoke_puff *>(calloc(1, sizeof(smoke_puff)));
    p->kind = 1;
    p->z = 1;
    p->size = 1;
    p->opacity = 0.8f;
    p->life = p->initial_life = 1;
    g->smoke = p;
    EXPECT_LT(centre_after(SHOW_SHADOWS | SHOW_SMOKE), 230);
    EXPECT_EQ(centre_after(SHOW_SHADOWS), 255);
    p->kind = 0;
    EXPECT_EQ(centre_after(SHOW_SHADOWS | SHOW_SMOKE), 255);
}

TEST_F(WorldGl, ScorchMarkFadesAndFlashNeedsDebris) {
    make_explosion(g, 0, 0, 1.0f);
    explosion *e = g->explosions;
    auto centre_after = [&](int options, float clear) {
        glClearColor(clear, clear, clear, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        g->settings.display_flags = options;
        look_down();
        draw_ground_decals(g);
        glLoadIdentity();
        return read_pixel(W / 2, H / 2);
    };
    // Fresh: no flash yet, a scorch mark of a quarter.
    EXPECT_EQ(centre_after(0, 0).r, 0);
    EXPECT_NEAR(centre_after(SHOW_MARKS, 1).r, 191, 3);
    e->timer = e->duration / 2;
    EXPECT_NEAR(centre_after(SHOW_MARKS, 1).r, 223, 3);
    EXPECT_EQ(centre_after(0, 1).r, 255);
    // Counted debris light the flash, additively.
    e->live_debris = 5;
    pixel flash = centre_after(0, 0);
    EXPECT_NEAR(flash.r, 128, 3);
    EXPECT_NEAR(flash.g, 89, 3);
    EXPECT_NEAR(flash.b, 51, 3);
}

TEST_F(WorldGl, DebrisWithoutLifeStayUnseen) {
    make_explosion(g, 0, 0, 1.0f);
    explosion *e = g->explosions;
    for (projectile *p = e->debris; p; p = p->next) {
        p->x = p->y = 0;
        p->life = p->life0 = 0;
    }
    look_down();
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    draw_explosions(g);
    EXPECT_EQ(read_pixel(W / 2, H / 2).r, 0);
    e->debris->life = e->debris->life0 = 0.2f;
    look_down();
    draw_explosions(g);
    pixel p = read_pixel(W / 2, H / 2);
    EXPECT_GT(p.r, 200); // a new puff glows orange
    EXPECT_GT(p.r, p.b);
    glLoadIdentity();
}

} // namespace
