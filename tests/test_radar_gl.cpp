// The radar on a real GL context: an enemy beyond the arena becomes an arrowhead just outside
// the rim pointing away from the centre, an enemy inside is a plain symbol, symbols are cut by
// the round face, and the missiles of an enemy out of play still show. Checked by pixels.

#include "combat/combat.h"
#include "core/core.h"
#include "render/render.h"
#include "support/test_support.h"
#include "world/world.h"

#include <GL/glu.h>
#include <SDL/SDL.h>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

namespace {

constexpr int WIDTH = 1024, HEIGHT = 768;

struct Pixel {
    double rx, ry; // radar units
    unsigned char r, g, b;
};

class Radar : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
        SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
        ASSERT_NE(SDL_SetVideoMode(WIDTH, HEIGHT, 32, SDL_OPENGL), nullptr) << SDL_GetError();
    }
    static void TearDownTestSuite() { SDL_Quit(); }

    void SetUp() override {
        g = make_test_game();
        g->settings.width = WIDTH;
        g->settings.height = HEIGHT;
        testing::internal::CaptureStdout();
        gl_setup(g);
        testing::internal::GetCapturedStdout();
        register_tank_type(g, "grunt", 90, 15, 100, 1.6f, 3, 100, "object_tank_1", "texture_tank_1",
                           "material_tank");
        register_tank_type(g, "wide", 90, 15, 100, 10.0f, 3, 100, "object_tank_1", "texture_tank_1",
                           "material_tank");
        enemy = static_cast<enemy_tank *>(calloc(1, sizeof(enemy_tank)));
        enemy->type = find_tank_type(g, "grunt");
        enemy->active = 1;
        g->enemies = enemy;
    }
    void TearDown() override {
        free_projectiles(enemy->missiles);
        free(enemy);
        for (tank_type *t = g->tank_types; t;) {
            tank_type *next = t->next;
            delete t;
            t = next;
        }
        free_test_game(g);
    }

    // Draws the radar over a cleared frame and returns every pixel in radar units.
    std::vector<Pixel> draw() {
        glClearColor(0, 0, 0, 0);
        glClearDepth(1.0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        draw_radar(g);
        std::vector<unsigned char> rgb(WIDTH * HEIGHT * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());

        // The radar plane maps affinely to the window: find the map from three points.
        GLdouble model[16], proj[16];
        GLint view[4];
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        glTranslatef(0.4f, 0.3f, -1.0f);
        glScalef(0.0023333333f, 0.0023333333f, 0.0001f);
        glGetDoublev(GL_MODELVIEW_MATRIX, model);
        glPopMatrix();
        glGetDoublev(GL_PROJECTION_MATRIX, proj);
        glGetIntegerv(GL_VIEWPORT, view);
        GLdouble ox, oy, ux, uy, z;
        gluProject(0, 0, -1, model, proj, view, &ox, &oy, &z);
        gluProject(1, 0, -1, model, proj, view, &ux, &uy, &z);
        double px_per_x = ux - ox;
        gluProject(0, 1, -1, model, proj, view, &ux, &uy, &z);
        double px_per_y = uy - oy;

        std::vector<Pixel> out;
        out.reserve(WIDTH * HEIGHT);
        for (int y = 0; y < HEIGHT; ++y)
            for (int x = 0; x < WIDTH; ++x) {
                const unsigned char *c = &rgb[(y * WIDTH + x) * 3];
                out.push_back({(x + 0.5 - ox) / px_per_x, (y + 0.5 - oy) / px_per_y, c[0], c[1], c[2]});
            }
        return out;
    }

    static bool red(const Pixel &p) { return p.r > 200 && p.g < 100 && p.b < 100; }
    static std::vector<Pixel> reds(const std::vector<Pixel> &all) {
        std::vector<Pixel> out;
        for (const Pixel &p : all)
            if (red(p)) out.push_back(p);
        return out;
    }
    static const Pixel &at(const std::vector<Pixel> &all, double rx, double ry) {
        const Pixel *best = &all[0];
        double bd = 1e9;
        for (const Pixel &p : all) {
            double d = std::hypot(p.rx - rx, p.ry - ry);
            if (d < bd) {
                bd = d;
                best = &p;
            }
        }
        return *best;
    }

    game_record *g = nullptr;
    enemy_tank *enemy = nullptr;
};

} // namespace

TEST_F(Radar, EnemyBeyondTheArenaIsAnArrowheadOutsideTheRimPointingOut) {
    enemy->x = 0;
    enemy->y = 70;
    enemy->heading = 0; // its own heading does not turn the arrowhead
    std::vector<Pixel> r = reds(draw());
    ASSERT_GT(r.size(), 4u);
    double top = -1e9;
    int low_row = 0, high_row = 0;
    for (const Pixel &p : r) {
        EXPECT_GE(std::hypot(p.rx, p.ry), 59.3) << p.rx << "," << p.ry;
        EXPECT_LT(std::fabs(p.rx), 2.0);
        top = std::max(top, p.ry);
        if (p.ry < 61.0) ++low_row;
        if (p.ry > 62.0) ++high_row;
    }
    EXPECT_GT(top, 62.0);
    EXPECT_LT(top, 64.0);
    EXPECT_GT(low_row, high_row); // wide at the rim, narrowing outwards: it points up
}

TEST_F(Radar, ArrowheadPointsAwayFromTheCentreWhateverTheTanksHeading) {
    enemy->type = find_tank_type(g, "wide"); // a big symbol makes its shape plain
    enemy->heading = 0;
    enemy->x = -70 * std::sin(to_radians(30));
    enemy->y = 70 * std::cos(to_radians(30)); // 120 degrees round from +x
    std::vector<Pixel> all = draw();
    double out_x = -std::sin(to_radians(30)), out_y = std::cos(to_radians(30));
    // Tip 13 units beyond the symbol's centre at radius 61, along the line from the centre.
    EXPECT_TRUE(red(at(all, 72 * out_x, 72 * out_y)));
    EXPECT_FALSE(red(at(all, 75 * out_x, 75 * out_y)));
    // Across the line near the tip the arrowhead is narrow.
    EXPECT_FALSE(red(at(all, 70 * out_x + 5 * out_y, 70 * out_y - 5 * out_x)));
    EXPECT_FALSE(red(at(all, 70 * out_x - 5 * out_y, 70 * out_y + 5 * out_x)));
    for (const Pixel &p : reds(all))
        EXPECT_GE(std::hypot(p.rx, p.ry), 59.3);
}

TEST_F(Radar, EnemyInsideTheArenaIsAPlainSymbolInsideTheDisk) {
    enemy->x = 0;
    enemy->y = 59;
    enemy->heading = 270;
    std::vector<Pixel> all = draw();
    EXPECT_TRUE(red(at(all, 0, 59)));
    for (const Pixel &p : reds(all))
        EXPECT_LE(std::hypot(p.rx, p.ry), 60.6) << p.rx << "," << p.ry;
    EXPECT_FALSE(red(at(all, 0, 62)));
}

TEST_F(Radar, SymbolsAreCutByTheRoundFace) {
    enemy->type = find_tank_type(g, "wide");
    enemy->x = 0;
    enemy->y = 55;
    enemy->heading = 270; // the broad base of the triangle lies across the rim
    std::vector<Pixel> all = draw();
    EXPECT_TRUE(red(at(all, 0, 57)));
    EXPECT_TRUE(red(at(all, 5, 58)));
    EXPECT_FALSE(red(at(all, 0, 61.3)));
    EXPECT_FALSE(red(at(all, 4, 61.0)));
    double far = 0;
    for (const Pixel &p : reds(all))
        far = std::max(far, std::hypot(p.rx, p.ry));
    EXPECT_GT(far, 59.0);
    EXPECT_LT(far, 60.6);
}

TEST_F(Radar, MissilesOfAnEnemyOutOfPlayStillShow) {
    enemy->active = 0;
    enemy->x = 0;
    enemy->y = 135;
    g->tick_seconds = 0.1f;
    enemy->missiles = fire_missiles(g, nullptr, -20, -20, 0, MISSILE_ENEMY, 0.5f);
    projectile *m = enemy->missiles;
    std::vector<Pixel> all = draw();
    EXPECT_TRUE(reds(all).empty());
    const Pixel &p = at(all, m->x, m->y);
    EXPECT_GT(p.r, 200);
    EXPECT_GT(p.g, 120);
    EXPECT_LT(p.b, 100);
}
