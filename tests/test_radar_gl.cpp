// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The radar on a real GL context: an enemy beyond the arena becomes an arrowhead just outside
// the rim pointing away from the centre, an enemy inside is a plain symbol, symbols are cut by
// the round face, and the missiles of an enemy out of play still show. Checked by pixels; the
// frame's line width survives the radar's thin outlines.

#include "combat/combat.h"
#include "core/core.h"
#include "render/render.h"
#include "support/test_support.h"
#include "world/world.h"

#include <GL/glu.h>
#include <SDL/SDL.h>
#include <cmath>
#include <gtest/gtest.h>
#include <vector>

namespace {

constexpr int WIDTH = 1024, HEIGHT = 768;

struct point {
    double x, y; // radar units
};

} // namespace

TEST(Radar, BeyondTheArenaAnArrowheadPointsOutInsideAPlainSymbolCutByTheRoundFaceAndMissilesShow) {
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    ASSERT_NE(SDL_SetVideoMode(WIDTH, HEIGHT, 32, SDL_OPENGL), nullptr) << SDL_GetError();
    game_record *g = make_test_game();
    g->settings.width = WIDTH;
    g->settings.height = HEIGHT;
    testing::internal::CaptureStdout();
    gl_setup(g);
    testing::internal::GetCapturedStdout();
    // The radar plane maps affinely to the window: find the map from three points.
    GLdouble model[16], proj[16], q[3][3];
    GLint view[4];
    glTranslatef(0.4f, 0.3f, -1.0f); // from the identity gl_setup leaves
    glScalef(0.0023333333f, 0.0023333333f, 0.0001f);
    glGetDoublev(GL_MODELVIEW_MATRIX, model);
    glLoadIdentity();
    glGetDoublev(GL_PROJECTION_MATRIX, proj);
    glGetIntegerv(GL_VIEWPORT, view);
    for (int i = 0; i < 3; ++i)
        gluProject(i == 1, i == 2, -1, model, proj, view, &q[i][0], &q[i][1], &q[i][2]);
    const GLdouble ox = q[0][0], oy = q[0][1], sx = q[1][0] - ox, sy = q[2][1] - oy;
    tank_type wide{};
    wide.radius = 10; // a big symbol makes its shape plain; without a type the symbol is 1.6
    enemy_tank enemy{};
    enemy.active = 1;
    g->enemies = &enemy;
    std::vector<unsigned char> rgb(WIDTH * HEIGHT * 3);
    auto red = [](const unsigned char *c) { return c[0] > 200 && c[1] < 100 && c[2] < 100; };
    // Draws the radar over a cleared frame and returns where it is red, in radar units.
    auto draw = [&] {
        glClearColor(0, 0, 0, 0);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        draw_radar(g);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(0, 0, WIDTH, HEIGHT, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
        std::vector<point> reds;
        for (int y = 0; y < HEIGHT; ++y)
            for (int x = 0; x < WIDTH; ++x)
                if (red(&rgb[(y * WIDTH + x) * 3]))
                    reds.push_back({(x + 0.5 - ox) / sx, (y + 0.5 - oy) / sy});
        return reds;
    };
    auto at = [&](double rx, double ry) {
        return &rgb[(static_cast<int>(oy + ry * sy) * WIDTH + static_cast<int>(ox + rx * sx)) * 3];
    };

    // The face's outlines trace the rim only: nothing but the dark fill near the centre.
    enemy.y = 70;
    draw();
    for (double rx = -4; rx <= 4; rx += 0.25)
        for (double ry = -4; ry <= 4; ry += 0.25)
            EXPECT_LT(+at(rx, ry)[2], 40) << rx << "," << ry;

    // Beyond the arena: an arrowhead just outside the rim, pointing away from the centre.
    enemy.heading = 0; // facing +x: its own heading does not turn the arrowhead
    std::vector<point> r = draw();
    ASSERT_GT(r.size(), 4u);
    double top = -1e9;
    int low_row = 0, high_row = 0;
    for (point p : r) {
        EXPECT_GE(std::hypot(p.x, p.y), 59.3) << p.x << "," << p.y;
        EXPECT_LT(std::fabs(p.x), 2.0);
        top = std::max(top, p.y);
        low_row += p.y < 61.0;
        high_row += p.y > 62.0;
    }
    EXPECT_TRUE(top > 62.0 && top < 64.0) << top;
    EXPECT_GT(low_row, high_row); // wide at the rim, narrowing outwards: it points up

    // Inside the arena: a plain symbol inside the disk.
    enemy.y = 59;
    enemy.heading = 270;
    for (point p : draw())
        EXPECT_LE(std::hypot(p.x, p.y), 60.6) << p.x << "," << p.y;
    EXPECT_TRUE(red(at(0, 59)) && !red(at(0, 62)));

    // Symbols are cut by the round face.
    enemy.type = &wide;
    enemy.y = 55; // heading 270: the broad base of the triangle lies across the rim
    double far = 0;
    for (point p : draw())
        far = std::max(far, std::hypot(p.x, p.y));
    EXPECT_TRUE(far > 59.0 && far < 60.6) << far;
    EXPECT_TRUE(red(at(0, 57)) && red(at(5, 58)));
    EXPECT_FALSE(red(at(0, 61.3)) || red(at(4, 61.0)));

    // The missiles of an enemy out of play still show.
    enemy.active = 0;
    enemy.y = 135;
    g->tick_seconds = 0.1f;
    enemy.missiles = fire_missiles(g, nullptr, -20, -20, 0, MISSILE_ENEMY, 0.5f);
    EXPECT_TRUE(draw().empty());
    const unsigned char *c = at(enemy.missiles->x, enemy.missiles->y);
    EXPECT_TRUE(c[0] > 200 && c[1] > 120 && c[2] < 100);
    GLfloat width = 0;
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_EQ(width, 2.0f) << "the radar leaves the line width as it found it";
    free_projectiles(enemy.missiles);
    g->enemies = nullptr; // the enemy lives on the stack
    free_test_game(g);
    SDL_Quit();
}
