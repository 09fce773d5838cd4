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
    bool red() const { return r > 200 && g < 100 && b < 100; }
};

class Radar : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
        ASSERT_NE(SDL_SetVideoMode(WIDTH, HEIGHT, 32, SDL_OPENGL), nullptr) << SDL_GetError();
    }
    static void TearDownTestSuite() { SDL_Quit(); }

    void SetUp() override {
        g->settings.width = WIDTH;
        g->settings.height = HEIGHT;
        testing::internal::CaptureStdout();
        gl_setup(g);
        testing::internal::GetCapturedStdout();
        wide.radius = 10; // a big symbol makes its shape plain; without a type the symbol is 1.6
        enemy.active = 1;
        g->enemies = &enemy;
    }
    void TearDown() override {
        free_projectiles(enemy.missiles);
        free_test_game(g);
    }

    // Draws the radar over a cleared frame and returns every pixel in radar units.
    std::vector<Pixel> draw() {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        draw_radar(g);
        std::vector<unsigned char> rgb(WIDTH * HEIGHT * 3);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());

        // The radar plane maps affinely to the window: find the map from three points.
        GLdouble model[16], proj[16], ox, oy, ux, uy, vx, vy, z;
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
        gluProject(0, 0, -1, model, proj, view, &ox, &oy, &z);
        gluProject(1, 0, -1, model, proj, view, &ux, &uy, &z);
        gluProject(0, 1, -1, model, proj, view, &vx, &vy, &z);
        std::vector<Pixel> out;
        for (int y = 0; y < HEIGHT; ++y)
            for (int x = 0; x < WIDTH; ++x) {
                const unsigned char *c = &rgb[(y * WIDTH + x) * 3];
                out.push_back({(x + 0.5 - ox) / (ux - ox), (y + 0.5 - oy) / (vy - oy), c[0], c[1], c[2]});
            }
        return out;
    }
    static std::vector<Pixel> reds(const std::vector<Pixel> &all) {
        std::vector<Pixel> out;
        for (const Pixel &p : all)
            if (p.red()) out.push_back(p);
        return out;
    }
    static const Pixel &at(const std::vector<Pixel> &all, double rx, double ry) {
        const Pixel *best = &all[0];
        for (const Pixel &p : all)
            if (std::hypot(p.rx - rx, p.ry - ry) < std::hypot(best->rx - rx, best->ry - ry)) best = &p;
        return *best;
    }

    game_record *g = make_test_game();
    tank_type wide{};
    enemy_tank enemy{};
};

} // namespace

TEST_F(Radar, EnemyBeyondTheArenaIsAnArrowheadOutsideTheRimPointingOut) {
    enemy.y = 70;
    enemy.heading = 0; // facing +x: its own heading does not turn the arrowhead
    std::vector<Pixel> r = reds(draw());
    ASSERT_GT(r.size(), 4u);
    double top = -1e9;
    int low_row = 0, high_row = 0;
    for (const Pixel &p : r) {
        EXPECT_GE(std::hypot(p.rx, p.ry), 59.3) << p.rx << "," << p.ry;
        EXPECT_LT(std::fabs(p.rx), 2.0);
        top = std::max(top, p.ry);
        low_row += p.ry < 61.0;
        high_row += p.ry > 62.0;
    }
    EXPECT_TRUE(top > 62.0 && top < 64.0) << top;
    EXPECT_GT(low_row, high_row); // wide at the rim, narrowing outwards: it points up
}

TEST_F(Radar, EnemyInsideTheArenaIsAPlainSymbolInsideTheDisk) {
    enemy.y = 59;
    enemy.heading = 270;
    std::vector<Pixel> all = draw();
    EXPECT_TRUE(at(all, 0, 59).red());
    EXPECT_FALSE(at(all, 0, 62).red());
    for (const Pixel &p : reds(all))
        EXPECT_LE(std::hypot(p.rx, p.ry), 60.6) << p.rx << "," << p.ry;
}

TEST_F(Radar, SymbolsAreCutByTheRoundFace) {
    enemy.type = &wide;
    enemy.y = 55;
    enemy.heading = 270; // the broad base of the triangle lies across the rim
    std::vector<Pixel> all = draw();
    EXPECT_TRUE(at(all, 0, 57).red() && at(all, 5, 58).red());
    EXPECT_FALSE(at(all, 0, 61.3).red() || at(all, 4, 61.0).red());
    double far = 0;
    for (const Pixel &p : reds(all))
        far = std::max(far, std::hypot(p.rx, p.ry));
    EXPECT_TRUE(far > 59.0 && far < 60.6) << far;
}

TEST_F(Radar, MissilesOfAnEnemyOutOfPlayStillShow) {
    enemy.active = 0;
    enemy.y = 135;
    g->tick_seconds = 0.1f;
    enemy.missiles = fire_missiles(g, nullptr, -20, -20, 0, MISSILE_ENEMY, 0.5f);
    std::vector<Pixel> all = draw();
    EXPECT_TRUE(reds(all).empty());
    const Pixel &p = at(all, enemy.missiles->x, enemy.missiles->y);
    EXPECT_TRUE(p.r > 200 && p.g > 120 && p.b < 100);
}
