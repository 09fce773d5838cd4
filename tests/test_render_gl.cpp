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
#include <cstring>
#include <string>

namespace {

constexpr int FONT_W = 256, FONT_H = 128;

// Every printable glyph is a solid block inset in its cell, luminance and coverage both full.
std::vector<uint8_t> font_pixels() {
    std::vector<uint8_t> bgr(FONT_W * FONT_H * 3, 0);
    for (int c = 33; c < 127; ++c)
        for (int y = 3; y <= 12; ++y)
            for (int x = 3; x <= 12; ++x) {
                int sy = (7 - c / 16) * 16 + y; // stored rows run bottom up
                uint8_t *p = &bgr[(static_cast<size_t>(sy) * FONT_W + (c % 16) * 16 + x) * 3];
                p[0] = p[1] = 255;
            }
    return bgr;
}

std::vector<uint8_t> solid_bmp(uint8_t r, uint8_t g, uint8_t b) {
    std::vector<uint8_t> bgr;
    for (int i = 0; i < 16; ++i)
        bgr.insert(bgr.end(), {b, g, r});
    return make_bmp(4, 4, bgr);
}

// A square facing the viewer 10 units ahead once the mesh's y-up frame is turned to z-up.
const char *tank_mesh =
    "# test tank\nv -1 -10 1\nv 1 -10 1\nv 1 -10 -1\nv -1 -10 -1\nvn 0 -1 0\nvt 0 0\nvt 1 1\n"
    "f 1/1/1 2/2/1 3/2/1 4/1/1\n";

struct image {
    int width, height;
    std::vector<uint8_t> rgb; // bottom row first, as GL reads
    const uint8_t *at(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
    // Cyan pixels in a rectangle of the text plane at depth -100 (it spans ±60 by ±45 there).
    int cyan_in(float x0, float y0, float x1, float y1) const {
        int n = 0;
        for (int y = int((y0 + 45) / 90 * height); y < int((y1 + 45) / 90 * height); ++y)
            for (int x = int((x0 + 60) / 120 * width); x < int((x1 + 60) / 120 * width); ++x)
                n += at(x, y)[0] < 60 && at(x, y)[1] > 120 && at(x, y)[2] > 120;
        return n;
    }
};

image read_frame(int width, int height) {
    image im{width, height, std::vector<uint8_t>(static_cast<size_t>(width) * height * 3)};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, im.rgb.data());
    return im;
}

void clear() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
}

class RenderGl : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        ASSERT_NE(SDL_SetVideoMode(640, 480, 32, SDL_OPENGL), nullptr) << SDL_GetError();
        g = make_test_game();
        g->settings.bit_depth = 32;
        g->pack = decode_pack(make_pack({
            {"texture_font", make_bmp(FONT_W, FONT_H, font_pixels())},
            {"texture_tank_1", solid_bmp(255, 255, 128)},
            {"texture_streaks_1", solid_bmp(10, 20, 30)},
            {"object_tank_1", text_bytes(tank_mesh)},
            {"material_tank",
             text_bytes("# tank\nemit 0 0 0.5\nambient 0 0 0\ndiffuse 0.8 0 0\nspecular 0 0 0\n")},
        }));
        testing::internal::CaptureStdout();
        gl_setup(g);
        testing::internal::GetCapturedStdout();
        register_tank_type(g, "player", 120.0f, 35.0f, 100.0f, 1.6f, 0.3f, 100.0f, "object_tank_1",
                           "texture_tank_1", "material_tank");
    }
    static void TearDownTestSuite() { SDL_Quit(); }

    void SetUp() override { switch_mode(640, 480); }

    static void switch_mode(int width, int height) {
        if (g->settings.width != width) {
            g->settings.width = width;
            g->settings.height = height;
            testing::internal::CaptureStdout();
            set_video_mode(0, width, height, 32);
            testing::internal::GetCapturedStdout();
        }
        glClearColor(0, 0, 0, 0);
        clear();
    }

    // The tank mesh under a light from the viewer; returns the centre pixel.
    static std::vector<int> tank_centre(int width, int height) {
        clear();
        const GLfloat from_viewer[4] = {0, 0, 1, 0};
        glLightfv(GL_LIGHT0, GL_POSITION, from_viewer);
        draw_geo(find_tank_type(g, "player")->geo);
        image im = read_frame(width, height);
        const uint8_t *p = im.at(width / 2, height / 2);
        return {p[0], p[1], p[2]};
    }

    static int glyph_pixels(int width, int height) {
        clear();
        glTranslatef(0, 0, -100);
        glColor4f(0, 1, 1, 1);
        glListBase(g->font_lists);
        draw_text("HOLLOW");
        return read_frame(width, height).cyan_in(-60, -45, 60, 45);
    }

    static game_record *g;
};

game_record *RenderGl::g = nullptr;

TEST_F(RenderGl, TextureRegistryKeysOnNameAndChannelsAndUploadsTheConversion) {
    texture *two = load_texture(g, "texture_streaks_1", 2, GL_REPEAT);
    texture *one = load_texture(g, "texture_streaks_1", 1, GL_REPEAT);
    ASSERT_NE(two, nullptr);
    ASSERT_NE(one, nullptr);
    EXPECT_NE(two->gl_name, one->gl_name);
    EXPECT_EQ(load_texture(g, "texture_streaks_1", 2, GL_CLAMP), two);

    glBindTexture(GL_TEXTURE_2D, two->gl_name);
    GLint min_filter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min_filter);
    EXPECT_EQ(min_filter, GL_LINEAR_MIPMAP_LINEAR) << "mipmapped";

    // Absent or damaged: null, nothing registered, and the damage is reported once.
    auto cut = solid_bmp(1, 2, 3);
    cut.resize(cut.size() - 5);
    pack_entry *old = g->pack;
    g->pack = decode_pack(make_pack({{"texture_cut", cut}}));
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
}

TEST_F(RenderGl, ModeSwitchKeepsTexturesMeshesAndGlyphs) {
    std::vector<int> mesh_before = tank_centre(640, 480);
    int glyphs_before = glyph_pixels(640, 480);
    ASSERT_GT(glyphs_before, 200);
    std::vector<std::vector<uint8_t>> pixels;
    for (texture *t = texture_registry; t; t = t->next)
        pixels.push_back(t->pixels);

    switch_mode(800, 600);
    size_t i = 0;
    for (texture *t = texture_registry; t; t = t->next, ++i) {
        EXPECT_TRUE(glIsTexture(t->gl_name)) << t->name;
        EXPECT_EQ(t->pixels, pixels[i]) << t->name;
    }
    EXPECT_EQ(tank_centre(800, 600), mesh_before);
    EXPECT_NEAR(glyph_pixels(800, 600), glyphs_before * (800.0 * 600) / (640.0 * 480), glyphs_before * 0.15);
    EXPECT_TRUE(glIsList(unit_quad()->id));

    switch_mode(640, 480);
    EXPECT_EQ(tank_centre(640, 480), mesh_before);
    EXPECT_NEAR(glyph_pixels(640, 480), glyphs_before, glyphs_before * 0.02);
}

} // namespace
