// Rendering on a real GL context (SDL's offscreen driver): textures and their registry, a
// tank type's mesh lit with its material and texture, text geometry, the two-sided glyph,
// the text layers of the frame read back as pixels, and a video-mode switch that loses nothing.

#include "render/render.h"

#include "combat/combat.h"
#include "core/core.h"
#include "pack/pack.h"
#include "support/test_support.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>

namespace {

constexpr int FONT_W = 256, FONT_H = 128;

// Every printable glyph is a solid block inset in its cell; 'L' covers only its left half.
std::vector<uint8_t> font_pixels() {
    std::vector<uint8_t> bgr(FONT_W * FONT_H * 3, 0);
    for (int c = 33; c < 127; ++c) {
        int column = c % 16, row = c / 16;
        int right = c == 'L' ? 7 : 12;
        for (int y = 3; y <= 12; ++y)
            for (int x = 3; x <= right; ++x) {
                int sx = column * 16 + x;
                int sy = (7 - row) * 16 + y; // stored rows run bottom up
                uint8_t *p = &bgr[(static_cast<size_t>(sy) * FONT_W + sx) * 3];
                p[0] = 255; // luminance
                p[1] = 255; // coverage
            }
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
const char *tank_mesh = "# test tank\n"
                        "v -1 -10 1\nv 1 -10 1\nv 1 -10 -1\nv -1 -10 -1\n"
                        "vn 0 -1 0\nvt 0 0\nvt 1 1\n"
                        "f 1/1/1 2/2/1 3/2/1 4/1/1\n";

// A triangle, a quad and a pentagon side by side, 20 units ahead.
const char *three_kinds = "# kinds\n"
                          "v -9 -20 1\nv -5 -20 1\nv -7 -20 -2\n"
                          "v -2 -20 1\nv 2 -20 1\nv 2 -20 -2\nv -2 -20 -2\n"
                          "v 6 -20 1\nv 9 -20 0\nv 8 -20 -2\nv 5 -20 -2\nv 4 -20 0\n"
                          "vn 0 -1 0\nvt 0.5 0.5\n"
                          "f 1/1/1 2/1/1 3/1/1\n"
                          "f 4/1/1 5/1/1 6/1/1 7/1/1\n"
                          "f 8/1/1 9/1/1 10/1/1 11/1/1 12/1/1\n";

struct image {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb; // bottom row first, as GL reads
    const uint8_t *at(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

image read_frame(int width, int height) {
    image im;
    im.width = width;
    im.height = height;
    im.rgb.resize(static_cast<size_t>(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, im.rgb.data());
    return im;
}

bool cyan(const uint8_t *p) {
    return p[0] < 60 && p[1] > 120 && p[2] > 120;
}

// Window pixel of a point of the text plane at depth -100 (the view spans ±60 by ±45 there).
int px(float x, int width) {
    return static_cast<int>((x + 60) / 120 * width);
}
int py(float y, int height) {
    return static_cast<int>((y + 45) / 90 * height);
}

int count_in(const image &im, float x0, float y0, float x1, float y1,
             const std::function<bool(const uint8_t *)> &f) {
    int n = 0;
    for (int y = py(y0, im.height); y < py(y1, im.height); ++y)
        for (int x = px(x0, im.width); x < px(x1, im.width); ++x)
            n += f(im.at(x, y));
    return n;
}

// Saves the frame for a person to look at (build tree, screenshots/).
void save_shot(const image &im, const std::string &name) {
    std::filesystem::create_directories("screenshots");
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, im.width, im.height, 24, 0xff, 0xff00, 0xff0000, 0);
    if (!s) return;
    SDL_LockSurface(s);
    for (int y = 0; y < im.height; ++y)
        memcpy(static_cast<uint8_t *>(s->pixels) + static_cast<size_t>(im.height - 1 - y) * s->pitch,
               im.at(0, y), static_cast<size_t>(im.width) * 3);
    SDL_UnlockSurface(s);
    SDL_SaveBMP(s, ("screenshots/" + name + ".bmp").c_str());
    SDL_FreeSurface(s);
}

class RenderGl : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        ASSERT_NE(SDL_SetVideoMode(640, 480, 32, SDL_OPENGL), nullptr) << SDL_GetError();
        g = make_test_game();
        g->settings.bit_depth = 32;
        auto pack = make_pack({
            {"texture_font", make_bmp(FONT_W, FONT_H, font_pixels())},
            {"texture_tank_1", solid_bmp(255, 255, 128)},
            {"texture_streaks_1", solid_bmp(10, 20, 30)},
            {"texture_puff_1", solid_bmp(200, 200, 200)},
            {"object_tank_1", text_bytes(tank_mesh)},
            {"object_kinds", text_bytes(three_kinds)},
            {"material_tank",
             text_bytes("# tank\nemit 0 0 0.5\nambient 0 0 0\ndiffuse 0.8 0 0\nspecular 0 0 0\n")},
        });
        g->pack = decode_pack(pack);
        testing::internal::CaptureStdout();
        gl_setup(g);
        testing::internal::GetCapturedStdout();
        register_tank_type(g, "player", 120.0f, 35.0f, 100.0f, 1.6f, 0.3f, 100.0f, "object_tank_1",
                           "texture_tank_1", "material_tank");
    }
    static void TearDownTestSuite() { SDL_Quit(); }

    void SetUp() override {
        g->settings.width = 640;
        g->settings.height = 480;
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
    }

    static void switch_mode(int width, int height) {
        g->settings.width = width;
        g->settings.height = height;
        testing::internal::CaptureStdout();
        set_video_mode(0, width, height, 32);
        testing::internal::GetCapturedStdout();
    }

    // The tank mesh under a light from the viewer; returns the centre pixel.
    static std::vector<int> draw_tank_mesh(int width, int height) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        const GLfloat from_viewer[4] = {0, 0, 1, 0};
        glLightfv(GL_LIGHT0, GL_POSITION, from_viewer);
        draw_geo(find_tank_type(g, "player")->geo);
        image im = read_frame(width, height);
        const uint8_t *p = im.at(width / 2, height / 2);
        return {p[0], p[1], p[2]};
    }

    static int glyph_pixels(int width, int height) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        glTranslatef(0, 0, -100);
        glColor4f(0, 1, 1, 1);
        glListBase(g->font_lists);
        text_centred = 1;
        draw_text("HOLLOW");
        text_centred = 0;
        image im = read_frame(width, height);
        return count_in(im, -60, -45, 60, 45, cyan);
    }

    static game_record *g;
};

game_record *RenderGl::g = nullptr;

TEST_F(RenderGl, TextureRegistryKeysOnNameAndChannels) {
    texture *two = load_texture(g, "texture_streaks_1", 2, GL_REPEAT);
    texture *one = load_texture(g, "texture_streaks_1", 1, GL_REPEAT);
    ASSERT_NE(two, nullptr);
    ASSERT_NE(one, nullptr);
    EXPECT_NE(two, one);
    EXPECT_NE(two->gl_name, one->gl_name);
    EXPECT_EQ(load_texture(g, "texture_streaks_1", 2, GL_CLAMP), two);
    EXPECT_EQ(two->wrap_s, static_cast<GLenum>(GL_REPEAT));

    texture *puff = load_texture(g, "texture_puff_1", 1, GL_CLAMP);
    EXPECT_EQ(load_texture(g, "texture_puff_1", 1, GL_CLAMP), puff);

    texture *head = texture_registry;
    EXPECT_EQ(load_texture(g, "texture_absent", 3, GL_CLAMP), nullptr);
    EXPECT_EQ(texture_registry, head);

    // The upload holds the converted texels: the 2-channel record's first texel is L 30, A 20.
    glBindTexture(GL_TEXTURE_2D, two->gl_name);
    std::vector<uint8_t> texels(4 * 4 * 2);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_LUMINANCE_ALPHA, GL_UNSIGNED_BYTE, texels.data());
    EXPECT_EQ(texels[0], 30);
    EXPECT_EQ(texels[1], 20);
    GLint min_filter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min_filter);
    EXPECT_EQ(min_filter, GL_LINEAR_MIPMAP_LINEAR);
}

TEST_F(RenderGl, DamagedTextureIsReportedOnce) {
    auto bmp = solid_bmp(1, 2, 3);
    bmp.resize(bmp.size() - 5);
    pack_entry *old = g->pack;
    g->pack = decode_pack(make_pack({{"texture_cut", bmp}}));
    testing::internal::CaptureStderr();
    EXPECT_EQ(load_texture(g, "texture_cut", 3, GL_CLAMP), nullptr);
    EXPECT_EQ(load_texture(g, "texture_cut", 3, GL_CLAMP), nullptr);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    EXPECT_EQ(err.rfind("texture_cut: ", 0), 0u) << err;
    free_pack(g->pack);
    g->pack = old;
}

TEST_F(RenderGl, TankMeshDrawsLitWithItsMaterialAndTexture) {
    tank_type *t = find_tank_type(g, "player");
    ASSERT_NE(t, nullptr);
    ASSERT_NE(t->geo, nullptr);
    ASSERT_NE(t->geo->material, nullptr);
    ASSERT_NE(t->geo->texture, nullptr);
    EXPECT_EQ(t->geo->texture->name, "texture_tank_1");

    // Red from the diffuse colour, blue from the emission halved by the texture's blue.
    std::vector<int> p = draw_tank_mesh(640, 480);
    EXPECT_NEAR(p[0], 204, 8);
    EXPECT_LT(p[1], 8);
    EXPECT_NEAR(p[2], 64, 8);
    image im = read_frame(640, 480);
    EXPECT_EQ(im.at(5, 5)[0], 0) << "only the square is drawn";
}

TEST_F(RenderGl, TrianglesQuadsAndPolygonsAllDraw) {
    pack_entry *e = find_resource(g->pack, "object_kinds");
    geo *kinds = parse_obj("object_kinds", reinterpret_cast<const char *>(e->data), e->size);
    ASSERT_NE(kinds, nullptr);
    // Neither texture nor material: drawn with whatever is current, and it must not fail.
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    draw_geo(kinds);
    glEnable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    image im = read_frame(640, 480);
    // At depth 20 the view spans ±12 by ±9.
    auto lit = [&](float x, float y) {
        return im.at(static_cast<int>((x + 12) / 24 * 640), static_cast<int>((y + 9) / 18 * 480))[0] > 200;
    };
    EXPECT_TRUE(lit(-7, 0)) << "triangle";
    EXPECT_TRUE(lit(0, 0)) << "quad";
    EXPECT_TRUE(lit(6.5f, 0)) << "pentagon";
    EXPECT_FALSE(lit(-3.5f, 0));
    draw_geo(nullptr);
    free_geo(kinds);
}

TEST_F(RenderGl, CentredTextStartsHalfItsWidthLeft) {
    // Feedback returns the glyphs' corners in window pixels.
    std::vector<GLfloat> buffer(20000);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    glTranslatef(0, 0, -100);
    glListBase(g->font_lists);
    text_centred = 1;
    draw_text("0123456789");
    text_centred = 0;
    GLint n = glRenderMode(GL_RENDER);
    ASSERT_GT(n, 0);
    float min_x = 1e9f, max_x = -1e9f;
    for (GLint i = 0; i < n;) {
        if (buffer[i] == GL_POLYGON_TOKEN) {
            int count = static_cast<int>(buffer[i + 1]);
            for (int k = 0; k < count; ++k) {
                min_x = std::min(min_x, buffer[i + 2 + 3 * k]);
                max_x = std::max(max_x, buffer[i + 2 + 3 * k]);
            }
            i += 2 + 3 * count;
        } else {
            ++i;
        }
    }
    // 10 units left of the centre; the last glyph ends 0.2 glyph units past the advance.
    float unit = 640.0f / 120;
    EXPECT_NEAR(min_x, 320 - 10 * unit, 0.5);
    EXPECT_NEAR(max_x, 320 + (10 + 0.5f) * unit, 0.5);
    glLoadIdentity();
}

TEST_F(RenderGl, EmptyTextDrawsNothingAndLeavesStateAsFound) {
    glFrontFace(GL_CW);
    std::vector<GLfloat> buffer(1000);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    text_centred = 1;
    draw_text("%s", "");
    draw_text(nullptr);
    text_centred = 0;
    EXPECT_EQ(glRenderMode(GL_RENDER), 0);
    GLint front = 0;
    glGetIntegerv(GL_FRONT_FACE, &front);
    EXPECT_EQ(front, GL_CCW);
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
}

TEST_F(RenderGl, GlyphDecalReadsTheRightWayFromBothSides) {
    glDisable(GL_LIGHTING);
    glColor4f(0, 1, 1, 1);
    auto centroid_x = [&](float turn) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        glTranslatef(0, 0, -10);
        glRotatef(turn, 0, 1, 0);
        draw_glyph_decal(g, 'L');
        image im = read_frame(640, 480);
        double sum = 0;
        int n = 0;
        for (int y = 0; y < 480; ++y)
            for (int x = 0; x < 640; ++x)
                if (cyan(im.at(x, y))) {
                    sum += x;
                    ++n;
                }
        EXPECT_GT(n, 100) << "seen at " << turn << " degrees";
        return n ? sum / n : 320.0;
    };
    EXPECT_LT(centroid_x(0), 315) << "the letter's stroke is on its left";
    EXPECT_LT(centroid_x(180), 315) << "and still on the left seen from behind";
    glEnable(GL_LIGHTING);
    glLoadIdentity();
}

TEST_F(RenderGl, TitlePanelDarkensAndAlternates) {
    glClearColor(1, 1, 1, 1);
    g->game_time = 4.9f;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    draw_title_panel(g);
    image game_over = read_frame(640, 480);
    save_shot(game_over, "render_gl_title_game_over");
    // The panel lies just behind the text plane, so a thin margin at the window's edge stays clear.
    const uint8_t *corner = game_over.at(20, 20);
    EXPECT_NEAR(corner[0], 153, 3) << "60% of the white shows through the panel";
    EXPECT_NEAR(corner[2], 153, 3);
    auto cyanish = [](const uint8_t *p) { return p[0] < 120 && p[1] > 200 && p[2] > 200; };
    EXPECT_GT(count_in(game_over, -22, 21.5f, 22, 27.3f, cyanish), 500) << "GAME OVER";
    EXPECT_EQ(count_in(game_over, -30, 30, 30, 34.5f, cyanish), 0) << "no list title";

    for (float t : {5.0f, 14.9f}) {
        g->game_time = t;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        draw_title_panel(g);
        image list = read_frame(640, 480);
        if (t == 5.0f) save_shot(list, "render_gl_title_scores");
        EXPECT_GT(count_in(list, -30, 30, 30, 34.5f, cyanish), 200) << "HIGH SCORES LIST: at " << t;
        EXPECT_GT(count_in(list, -27, 1.2f, 0, 3.4f, cyanish), 100) << "the tenth entry at " << t;
    }
    g->game_time = 15.0f;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    draw_title_panel(g);
    image again = read_frame(640, 480);
    EXPECT_EQ(count_in(again, -30, 30, 30, 34.5f, cyanish), 0) << "GAME OVER again at 15 s";
    glClearColor(0, 0, 0, 0);

    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    GLboolean mask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &mask);
    EXPECT_EQ(mask, GL_TRUE);
}

TEST_F(RenderGl, HudShowsTheScoreLineAndBlinksTheMessage) {
    player_tank p{};
    p.alive = 1;
    p.message = "HOMING MISSILES";
    p.message_timer = 2.1f;
    g->player = &p;
    draw_hud(g);
    image dark = read_frame(640, 480);
    EXPECT_GT(count_in(dark, -57, 42, 0, 44.5f, cyan), 300) << "score line at the top left";
    EXPECT_EQ(count_in(dark, -60, -45, 60, 40, cyan), 0) << "message in its dark phase";

    p.message_timer = 2.5f;
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    draw_hud(g);
    image lit = read_frame(640, 480);
    save_shot(lit, "render_gl_hud");
    EXPECT_GT(count_in(lit, -20, -30, 20, -27.5f, cyan), 300) << "message centred below";
    g->player = nullptr;
}

TEST_F(RenderGl, NameEntryCursorBlinksUnderTheCursorPosition) {
    auto cursor_pixels = [&](float game_time) {
        g->game_time = game_time;
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        draw_name_entry(g, "ENTER YOUR NAME:", "AB%dC", 20, 5);
        image im = read_frame(640, 480);
        if (game_time > 0.5f) save_shot(im, "render_gl_name_entry");
        EXPECT_GT(count_in(im, -20, -4, 20, -1.5f, cyan), 500) << "the prompt";
        EXPECT_GT(count_in(im, -20, -7.5f, -12, -5, cyan), 200) << "the name";
        return count_in(im, -9.3f, -7.5f, -8.2f, -5, cyan);
    };
    EXPECT_GT(cursor_pixels(0.7f), 10);
    EXPECT_EQ(cursor_pixels(0.2f), 0);
}

TEST_F(RenderGl, InstructionsStayInTheirBandAtEveryResolution) {
    const int sizes[][2] = {{640, 480}, {800, 600}, {1024, 768}};
    for (const auto &size : sizes) {
        int w = size[0], h = size[1];
        switch_mode(w, h);
        int low = h, high = -1;
        int outside = 0;
        for (int step = 0; step < 24; ++step) {
            glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
            draw_instructions(g, 25.0f + step * 0.15f);
            EXPECT_FALSE(glIsEnabled(GL_SCISSOR_TEST));
            image im = read_frame(w, h);
            if (step == 0) save_shot(im, "render_gl_instructions_" + std::to_string(w));
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    if (cyan(im.at(x, y))) {
                        low = std::min(low, y);
                        high = std::max(high, y);
                        if (y < h / 30 || y >= h / 30 + h / 3) ++outside;
                    }
        }
        EXPECT_EQ(outside, 0) << w << "x" << h;
        EXPECT_EQ(low, h / 30) << w << "x" << h;
        EXPECT_EQ(high, h / 30 + h / 3 - 1) << w << "x" << h;
    }
    switch_mode(640, 480);
    glClear(GL_COLOR_BUFFER_BIT);
    draw_instructions(g, 0);
    image none = read_frame(640, 480);
    EXPECT_EQ(count_in(none, -60, -45, 60, 45, cyan), 0) << "at the start the text is below the band";
}

TEST_F(RenderGl, ModeSwitchKeepsTexturesMeshesAndGlyphs) {
    std::vector<int> mesh_before = draw_tank_mesh(640, 480);
    int glyphs_before = glyph_pixels(640, 480);
    ASSERT_GT(glyphs_before, 200);
    std::vector<std::vector<uint8_t>> pixels;
    for (texture *t = texture_registry; t; t = t->next)
        pixels.push_back(t->pixels);
    geo *mesh = find_tank_type(g, "player")->geo;

    switch_mode(800, 600);
    EXPECT_EQ(mesh->list->dirty, 1);
    size_t i = 0;
    for (texture *t = texture_registry; t; t = t->next, ++i) {
        EXPECT_TRUE(glIsTexture(t->gl_name)) << t->name;
        EXPECT_EQ(t->pixels, pixels[i]) << t->name;
    }
    std::vector<int> mesh_big = draw_tank_mesh(800, 600);
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(mesh_big[c], mesh_before[c], 3);
    EXPECT_NEAR(glyph_pixels(800, 600), glyphs_before * (800.0 * 600) / (640.0 * 480), glyphs_before * 0.15);
    EXPECT_TRUE(glIsList(unit_quad()->id));

    switch_mode(640, 480);
    std::vector<int> mesh_after = draw_tank_mesh(640, 480);
    for (int c = 0; c < 3; ++c)
        EXPECT_NEAR(mesh_after[c], mesh_before[c], 3);
    EXPECT_NEAR(glyph_pixels(640, 480), glyphs_before, glyphs_before * 0.02);
}

} // namespace
