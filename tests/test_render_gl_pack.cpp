// Rendering with the generated resource pack of the build tree (skipped while there is none):
// the whole game-over frame with the name-entry prompt, and the tank type's own mesh drawn lit
// with its material and texture.

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
#include <string>

namespace {

constexpr int W = 640, H = 480;

std::vector<uint8_t> read_frame() {
    std::vector<uint8_t> rgb(static_cast<size_t>(W) * H * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, W, H, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
    return rgb;
}

// Cyan pixels in a rectangle of the text plane (x -60..60, y -45..45).
int cyan_in(const std::vector<uint8_t> &rgb, float x0, float y0, float x1, float y1) {
    int n = 0;
    for (int y = static_cast<int>((y0 + 45) / 90 * H); y < static_cast<int>((y1 + 45) / 90 * H); ++y)
        for (int x = static_cast<int>((x0 + 60) / 120 * W); x < static_cast<int>((x1 + 60) / 120 * W); ++x) {
            const uint8_t *p = &rgb[(static_cast<size_t>(y) * W + x) * 3];
            n += p[0] < 90 && p[1] > 170 && p[2] > 170;
        }
    return n;
}

void save_shot(const std::vector<uint8_t> &rgb, const std::string &name) {
    std::filesystem::create_directories("screenshots");
    SDL_Surface *s = SDL_CreateRGBSurface(SDL_SWSURFACE, W, H, 24, 0xff, 0xff00, 0xff0000, 0);
    if (!s) return;
    SDL_LockSurface(s);
    for (int y = 0; y < H; ++y)
        memcpy(static_cast<uint8_t *>(s->pixels) + static_cast<size_t>(H - 1 - y) * s->pitch, &rgb[y * W * 3],
               W * 3);
    SDL_UnlockSurface(s);
    SDL_SaveBMP(s, ("screenshots/" + name + ".bmp").c_str());
    SDL_FreeSurface(s);
}

class RenderGlPack : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        pack = load_pack("../hollowmere.data");
        if (!pack) return;
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        ASSERT_NE(SDL_SetVideoMode(W, H, 32, SDL_OPENGL), nullptr) << SDL_GetError();
        g = make_test_game();
        g->pack = pack;
        testing::internal::CaptureStdout();
        gl_setup(g);
        register_tank_type(g, "player", 120.0f, 35.0f, 100.0f, 1.6f, 0.3f, 100.0f, "object_tank_1",
                           "texture_tank_1", "material_tank");
        register_tank_type(g, "grunt", 90.0f, 15.0f, 100.0f, 1.6f, 3.0f, 100.0f, "object_tank_1",
                           "texture_tank_1", "material_tank");
        new_game(g);
        testing::internal::GetCapturedStdout();
    }
    static void TearDownTestSuite() {
        if (pack) SDL_Quit();
    }
    void SetUp() override {
        if (!pack) GTEST_SKIP() << "no generated pack in the build tree";
    }
    static pack_entry *pack;
    static game_record *g;
};

pack_entry *RenderGlPack::pack = nullptr;
game_record *RenderGlPack::g = nullptr;

TEST_F(RenderGlPack, NameEntryPromptOverTheTitleScreen) {
    g->flags = FLAG_GAME_OVER | FLAG_QUALIFIES;
    g->game_time = 0.7f; // "GAME OVER" phase, cursor lit
    strcpy(g->player_name, "TALLIS%s");
    g->name_cursor = 8;
    testing::internal::CaptureStdout();
    draw_frame(g);
    testing::internal::GetCapturedStdout();
    std::vector<uint8_t> rgb = read_frame();
    save_shot(rgb, "render_gl_pack_name_entry");
    EXPECT_GT(cyan_in(rgb, -17, -4, 17, -1.5f), 150) << "ENTER YOUR NAME:";
    EXPECT_GT(cyan_in(rgb, -20, -7.5f, -4, -5), 80) << "the name";
    EXPECT_GT(cyan_in(rgb, -22, 21.5f, 22, 27.5f), 300) << "GAME OVER behind the prompt";
    EXPECT_EQ(g->flags, FLAG_GAME_OVER | FLAG_QUALIFIES) << "drawing leaves the state alone";
}

TEST_F(RenderGlPack, TankTypeMeshDrawsLitAndTextured) {
    tank_type *t = find_tank_type(g, "player");
    ASSERT_NE(t, nullptr);
    ASSERT_NE(t->geo, nullptr);
    ASSERT_NE(t->geo->material, nullptr);
    ASSERT_NE(t->geo->texture, nullptr);
    EXPECT_GT(t->geo->vertex_count, 8);

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glPushMatrix();
    glLoadIdentity();
    const GLfloat from_above[4] = {0.3f, 0.5f, 1.0f, 0.0f};
    glLightfv(GL_LIGHT0, GL_POSITION, from_above);
    glTranslatef(0, 0, -20);
    glRotatef(-70, 1, 0, 0);
    glRotatef(-30, 0, 0, 1);
    glScalef(0.09f, 0.1f, 0.12f); // the tank drawing's own scale
    draw_geo(t->geo);
    glPopMatrix();
    std::vector<uint8_t> rgb = read_frame();
    save_shot(rgb, "render_gl_pack_tank");

    int covered = 0, coloured = 0;
    for (size_t i = 0; i < rgb.size(); i += 3) {
        int sum = rgb[i] + rgb[i + 1] + rgb[i + 2];
        covered += sum > 30;
        coloured +=
            std::max({rgb[i], rgb[i + 1], rgb[i + 2]}) - std::min({rgb[i], rgb[i + 1], rgb[i + 2]}) > 8;
    }
    EXPECT_GT(covered, W * H / 100) << "the tank covers part of the view";
    EXPECT_GT(coloured, covered / 10) << "and is not flat grey: its texture shows";
}

} // namespace
