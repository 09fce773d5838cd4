// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The world drawn on a real GL context (SDL's offscreen driver): a whole scene leaves the GL
// state and the game as it found them, the scorch mark fades, flashes follow the debris count,
// dead debris stay unseen, and the sky and ground fill the picture.

#include "world/world.h"

#include "combat/combat.h"
#include "core/core.h"
#include "pack/pack.h"
#include "render/render.h"
#include "support/test_support.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <string>
#include <tuple>

namespace {

constexpr int W = 320, H = 240;

template <class T> void free_list(T *&head) {
    while (T *x = head) {
        head = x->next;
        free(x);
    }
}

struct pixel {
    uint8_t r, g, b;
};

pixel read_pixel(int x, int y) {
    pixel p;
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGB, GL_UNSIGNED_BYTE, &p);
    return p;
}

game_record *g;

// The ground decals seen straight down from 20 units up over a cleared picture: the centre.
pixel decals_at_centre(int options, float clear = 1) {
    glClearColor(clear, clear, clear, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    g->settings.display_flags = options;
    glLoadIdentity();
    glTranslatef(0, 0, -20);
    draw_ground_decals(g);
    return read_pixel(W / 2, H / 2);
}

void free_world() {
    for (explosion *e = g->explosions; e; e = e->next)
        free_projectiles(e->debris);
    free_list(g->explosions);
    free_list(g->barrels);
    free_list(g->smoke);
}

} // namespace

TEST(WorldGl, WholeSceneLeavesGlStateAndGameAsFoundScorchMarkFadesAndDeadDebrisStayUnseen) {
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    ASSERT_NE(SDL_SetVideoMode(W, H, 32, SDL_OPENGL), nullptr) << SDL_GetError();
    g = make_test_game();
    g->settings.width = W;
    g->settings.height = H;
    // One-pixel textures given as B, G, R. Two-channel ones take luminance from blue and
    // coverage from green: all opaque white.
    std::vector<std::pair<std::string, std::vector<uint8_t>>> records{
        {"texture_ground", make_bmp(1, 1, {90, 160, 90})},
        {"texture_sky_1", make_bmp(1, 1, {200, 90, 60})},
        {"texture_barrel", make_bmp(1, 1, {30, 60, 200})},
        {"object_barrel", text_bytes("# barrel\nv -10 0 -10\nv 10 0 -10\nv 10 40 0\nv -10 40 0\nvn 0 0 -1\n"
                                     "vt 0 0\nvt 1 1\nf 1/1/1 2/2/1 3/2/1 4/1/1\n")}};
    for (const char *name : {"texture_puff_2", "texture_puff_3", "texture_flash_1", "texture_streaks_1",
                             "texture_streaks_2", "texture_streaks_3"})
        records.push_back({name, make_bmp(1, 1, {255, 255, 255})});
    for (const char *name : {"material_barrel", "material_ground"})
        records.push_back(
            {name, text_bytes("# m\nemit 0 0 0\nambient 0.5 0.5 0.5\ndiffuse 1 1 1\nspecular 0 0 0\n")});
    g->pack = decode_pack(make_pack(records));
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    gl_setup(g);
    testing::internal::GetCapturedStderr();
    testing::internal::GetCapturedStdout();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    g->settings.display_flags = -1;

    // A whole scene leaves the GL state and the game as it found them.
    g->game_time = 3.5f;
    g->tick_seconds = 0.02f;
    g->barrels = make_barrels(nullptr);
    g->barrels->state = BARREL_LIFTING;
    g->barrels->lift = 12;
    seed_random(4);
    make_explosion(g, 2, 12, 1.0f);
    update_explosions(g);
    lay_smoke(g, {0, 10, 1.5f}, {1, 10, 1.5f}, MISSILE);
    ASSERT_NE(g->smoke, nullptr);

    // The chase camera: behind and above a tank at the origin heading +y.
    glTranslatef(0, -3, -30);
    glRotatef(-75, 1, 0, 0);
    // The GL state, and the barrel and explosion as bytes.
    auto state = [] {
        GLint attribs = 0, matrices = 0;
        GLboolean mask = GL_FALSE;
        std::array<GLfloat, 16> m{};
        glGetIntegerv(GL_ATTRIB_STACK_DEPTH, &attribs);
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &matrices);
        glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
        glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
        return std::tuple(attribs, matrices, m, mask, glIsEnabled(GL_DEPTH_TEST), glIsEnabled(GL_LIGHTING),
                          std::string(reinterpret_cast<char *>(g->barrels), sizeof(barrel)),
                          std::string(reinterpret_cast<char *>(g->explosions), sizeof(explosion)));
    };
    auto before = state();
    for (int frame = 0; frame < 2; ++frame) {
        draw_sky_and_field(g);
        draw_barrels(g);
        draw_explosions(g);
        draw_ring_wall(g, GL_CCW);
        draw_smoke(g);
        draw_ring_wall(g, GL_CW);
    }
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    // Drawing changed nothing in the game (the field is made once, on first use).
    EXPECT_TRUE(state() == before);
    ASSERT_NE(g->field, nullptr);

    // The sky fills the top of the picture and the ground the bottom.
    pixel sky = read_pixel(W / 2, H - 3), ground = read_pixel(W / 2, 3);
    EXPECT_GT(sky.b, 100) << sky.r << "," << sky.g << "," << sky.b;
    EXPECT_GT(ground.r + ground.g + ground.b, 30);
    free_world();

    // The scorch mark fades, the flash needs counted debris and dead debris stay unseen.
    make_explosion(g, 0, 0, 1.0f);
    explosion *e = g->explosions;
    EXPECT_EQ(decals_at_centre(0, 0).r, 0); // fresh: no flash before the first update
    EXPECT_NEAR(decals_at_centre(SHOW_MARKS).r, 191, 3);
    e->timer = e->duration / 2;
    EXPECT_NEAR(decals_at_centre(SHOW_MARKS).r, 223, 3);
    EXPECT_EQ(decals_at_centre(0).r, 255);
    e->live_debris = 5; // counted debris light the flash, additively
    pixel flash = decals_at_centre(0, 0);
    EXPECT_NEAR(flash.r, 128, 3);
    EXPECT_NEAR(flash.g, 89, 3);
    EXPECT_NEAR(flash.b, 51, 3);

    for (projectile *p = e->debris; p; p = p->next) {
        p->x = p->y = 0;
        p->life = p->life0 = 0;
    }
    e->live_debris = 0;
    decals_at_centre(0, 0);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    draw_explosions(g);
    EXPECT_EQ(read_pixel(W / 2, H / 2).r, 0);
    e->debris->life = e->debris->life0 = 0.2f;
    draw_explosions(g);
    pixel p = read_pixel(W / 2, H / 2);
    EXPECT_GT(p.r, 200); // a new puff glows orange
    EXPECT_GT(p.r, p.b);
    free_world();
    SDL_Quit();
}
