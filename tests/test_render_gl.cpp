// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Rendering on a real GL context (SDL's offscreen driver): the texture registry and a
// video-mode switch that loses no texture, mesh or glyph. How whole frames look is checked by
// test_pictures_gl.

#include "render/render.h"

#include "combat/combat.h"
#include "core/core.h"
#include "pack/pack.h"
#include "support/test_support.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

namespace {

constexpr int FONT_W = 256, FONT_H = 128;

// Every printable glyph is a solid block inset in its cell, luminance and coverage both full.
std::vector<uint8_t> font_pixels() {
    std::vector<uint8_t> bgr(FONT_W * FONT_H * 3, 0);
    for (int c = 33; c < 127; ++c)
        for (int y = 3; y <= 12; ++y) {
            size_t row = static_cast<size_t>((7 - c / 16) * 16 + y) * FONT_W; // stored rows run bottom up
            for (int x = (c % 16) * 16 + 3; x <= (c % 16) * 16 + 12; ++x)
                bgr[(row + x) * 3] = bgr[(row + x) * 3 + 1] = 255;
        }
    return bgr;
}

std::vector<uint8_t> solid_bmp(uint8_t r, uint8_t g, uint8_t b) {
    std::vector<uint8_t> bgr;
    for (int i = 0; i < 16; ++i)
        bgr.insert(bgr.end(), {b, g, r});
    return make_bmp(4, 4, bgr);
}

// RGB pixels of a rectangle of the frame, bottom row first.
std::vector<uint8_t> read_pixels(int x, int y, int width, int height) {
    std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}

game_record *g;

void switch_mode(int width, int height) {
    g->settings.width = width;
    g->settings.height = height;
    testing::internal::CaptureStdout();
    set_video_mode(0, width, height, 32);
    testing::internal::GetCapturedStdout();
}

// The tank mesh under a light from the viewer; returns the centre pixel.
std::vector<uint8_t> tank_centre(int width, int height) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    const GLfloat from_viewer[4] = {0, 0, 1, 0};
    glLightfv(GL_LIGHT0, GL_POSITION, from_viewer);
    draw_geo(find_tank_type(g, "player")->geo);
    return read_pixels(width / 2, height / 2, 1, 1);
}

int glyph_pixels(int width, int height) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glTranslatef(0, 0, -100);
    glColor4f(0, 1, 1, 1);
    glListBase(g->font_lists);
    draw_text("HOLLOW");
    std::vector<uint8_t> rgb = read_pixels(0, 0, width, height);
    int cyan = 0;
    for (size_t i = 0; i < rgb.size(); i += 3)
        cyan += rgb[i] < 60 && rgb[i + 1] > 120 && rgb[i + 2] > 120;
    return cyan;
}

} // namespace

TEST(RenderGl, TextureRegistryKeysOnNameAndChannelsAndAModeSwitchKeepsTexturesMeshesAndGlyphs) {
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    ASSERT_NE(SDL_SetVideoMode(640, 480, 32, SDL_OPENGL), nullptr) << SDL_GetError();
    g = make_test_game();
    g->settings.bit_depth = 32;
    g->pack = decode_pack(make_pack({
        {"texture_font", make_bmp(FONT_W, FONT_H, font_pixels())},
        {"texture_tank_1", solid_bmp(255, 255, 128)},
        {"texture_streaks_1", solid_bmp(10, 20, 30)},
        // A square facing the viewer 10 units ahead once the mesh's y-up frame is turned to z-up.
        {"object_tank_1",
         text_bytes("# test tank\nv -1 -10 1\nv 1 -10 1\nv 1 -10 -1\nv -1 -10 -1\nvn 0 -1 0\n"
                    "vt 0 0\nvt 1 1\nf 1/1/1 2/2/1 3/2/1 4/1/1\n")},
        {"material_tank",
         text_bytes("# tank\nemit 0 0 0.5\nambient 0 0 0\ndiffuse 0.8 0 0\nspecular 0 0 0\n")},
    }));
    testing::internal::CaptureStdout();
    gl_setup(g);
    testing::internal::GetCapturedStdout();
    register_tank_type(g, "player", 120.0f, 35.0f, 100.0f, 1.6f, 0.3f, 100.0f, "object_tank_1",
                       "texture_tank_1", "material_tank");

    // The registry keys on name and channel count and uploads mipmapped.
    texture *two = load_texture(g, "texture_streaks_1", 2, GL_REPEAT);
    texture *one = load_texture(g, "texture_streaks_1", 1, GL_REPEAT);
    ASSERT_TRUE(two && one);
    EXPECT_NE(two->gl_name, one->gl_name);
    EXPECT_EQ(load_texture(g, "texture_streaks_1", 2, GL_CLAMP), two);

    glBindTexture(GL_TEXTURE_2D, two->gl_name);
    GLint min_filter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min_filter);
    EXPECT_EQ(min_filter, GL_LINEAR_MIPMAP_LINEAR) << "mipmapped";

    // Absent or damaged: null, nothing registered, and the damage is reported once.
    std::vector<uint8_t> bmp = solid_bmp(1, 2, 3);
    pack_entry *old = g->pack;
    g->pack = decode_pack(make_pack({{"texture_cut", {bmp.begin(), bmp.end() - 5}}}));
    texture *head = texture_registry;
    testing::internal::CaptureStderr();
    EXPECT_EQ(load_texture(g, "texture_absent", 3, GL_CLAMP), nullptr);
    EXPECT_EQ(load_texture(g, "texture_cut", 3, GL_CLAMP), nullptr);
    EXPECT_EQ(load_texture(g, "texture_cut", 3, GL_CLAMP), nullptr);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(err.rfind("texture_cut: ", 0), 0u) << err;
    EXPECT_EQ(texture_registry, head);
    free_pack(g->pack);
    g->pack = old;

    // A mode switch loses no texture, mesh or glyph.
    std::vector<uint8_t> mesh_before = tank_centre(640, 480);
    int glyphs_before = glyph_pixels(640, 480);
    ASSERT_GT(glyphs_before, 200);
    std::vector<std::vector<uint8_t>> pixels;
    for (texture *t = texture_registry; t; t = t->next)
        pixels.push_back(t->pixels);

    switch_mode(800, 600);
    size_t i = 0;
    for (texture *t = texture_registry; t; t = t->next, ++i)
        EXPECT_TRUE(glIsTexture(t->gl_name) && t->pixels == pixels[i]) << t->name;
    EXPECT_EQ(tank_centre(800, 600), mesh_before);
    EXPECT_NEAR(glyph_pixels(800, 600), glyphs_before * (800.0 * 600) / (640.0 * 480), glyphs_before * 0.15);
    EXPECT_TRUE(glIsList(unit_quad()->id));

    switch_mode(640, 480);
    EXPECT_EQ(tank_centre(640, 480), mesh_before);
    EXPECT_NEAR(glyph_pixels(640, 480), glyphs_before, glyphs_before * 0.02);
    SDL_Quit();
}
