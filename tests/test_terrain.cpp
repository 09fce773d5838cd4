// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Terrain: the noise and its octaves, the field built from a seed (heights, grid, texture
// coordinates, normals, winding), and the ground-height lookup at vertices, edges, outside the
// field and before the field exists. No GL needed; the draws a field takes are pinned by the
// seeded games.

#include "core/core.h"
#include "render/render.h"
#include "world/world.h"

#include "support/test_support.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <tuple>

constexpr int CELLS = 25;

// The field of seed 17, which also leaves the noise tables of seed 17 behind.
struct Terrain : ::testing::Test {
    geo *f = nullptr;
    void SetUp() override {
        seed_random(17);
        noise_reset();
        f = build_field(180.0f, 180.0f, CELLS, CELLS);
    }
    void TearDown() override { free_geo(f); }
    // Vertex (i, j): x, height, z.
    const float *at(int i, int j) const { return &f->vertices[3 * (j * (CELLS + 1) + i)]; }
};

TEST_F(Terrain, NoiseAndTheFieldBuiltFromItWithItsGridNormalsAndWinding) {
    // Noise vanishes on the lattice; octaves scale by beta and fade by alpha.
    for (auto [x, y] : {std::pair{0.0, 0.0}, {3.0, 7.0}, {-12.0, 250.0}})
        EXPECT_EQ(noise2d(x, y), 0.0) << x << "," << y;
    // x, y, alpha, beta, octaves and the noise at (x, y) of seed 17's tables.
    const std::tuple<double, double, double, double, int, double> cases[] = {
        {0.3, 0.7, 1.05, 1.5, 5, 0.14214802518104963},
        {12.25, 3.5, 2.0, 2.0, 3, -0.35935985211560234},
        {1.1, 1.9, 1.05, 1.5, 1, -0.050369886082670512},
        {-4.6, 2.2, 1.05, 1.5, 1, 0.12156250820438894}};
    for (auto [x0, y0, alpha, beta, octaves, noise] : cases) {
        EXPECT_NEAR(noise2d(x0, y0), noise, 1e-12) << x0 << "," << y0;
        double sum = 0, x = x0, y = y0, weight = 1;
        for (int k = 0; k < octaves; ++k, x *= beta, y *= beta, weight /= alpha)
            sum += noise2d(x, y) * weight;
        EXPECT_NEAR(fractal_noise2d(x0, y0, alpha, beta, octaves), sum, 1e-12);
    }

    // Vertex (i, j) lies at u = i/25, v = j/25: height (noise(25u, 25v) + 0.5)^2, floored at 0,
    // position (u - 0.5, v - 0.5) x 360 and texture coordinate (u - 0.5, v - 0.5) x 36. Interior
    // normals come from the slopes to the four neighbours, exaggerated twentyfold; every triangle
    // turns the same way (seen from above, y up), two to a cell.
    int floors = 0;
    for (int j = 0; j <= CELLS; ++j) {
        for (int i = 0; i <= CELLS; ++i) {
            const float *p = at(i, j), *t = &f->texcoords[2 * (j * (CELLS + 1) + i)];
            float u = i / 25.0f, v = j / 25.0f;
            double h = std::max(0.0, fractal_noise2d(25.0 * u, 25.0 * v, 1.05, 1.5, 5) + 0.5);
            ASSERT_NEAR(p[1], h * h, 1e-5) << i << "," << j;
            floors += p[1] == 0;
            ASSERT_NEAR(p[0], (u - 0.5f) * 360, 1e-4);
            ASSERT_NEAR(p[2], (v - 0.5f) * 360, 1e-4);
            ASSERT_NEAR(t[0], (u - 0.5f) * 36, 1e-5);
            ASSERT_NEAR(t[1], (v - 0.5f) * 36, 1e-5);
        }
    }
    EXPECT_GT(floors, 0) << "seed 17 has hollows cut off at 0";

    for (auto [i, j] : {std::pair{1, 1}, {12, 7}, {24, 24}}) {
        const float *L = at(i - 1, j), *R = at(i + 1, j), *D = at(i, j - 1), *U = at(i, j + 1);
        double a = 20 * std::atan2(L[1] - R[1], L[0] - R[0]), b = 20 * std::atan2(D[1] - U[1], D[2] - U[2]);
        const float *n = &f->normals[3 * (j * (CELLS + 1) + i)];
        EXPECT_NEAR(n[0], -std::cos(b) * std::sin(a), 1e-5);
        EXPECT_NEAR(n[1], -std::cos(b) * std::cos(a), 1e-5);
        EXPECT_NEAR(n[2], -std::sin(b), 1e-5);
    }
    int faces = 0;
    for (const face *t = f->faces; t; t = t->next, ++faces) {
        const float *p0 = f->vertices.data() + 3 * t->vertex_index[0];
        const float *p1 = f->vertices.data() + 3 * t->vertex_index[1];
        const float *p2 = f->vertices.data() + 3 * t->vertex_index[2];
        double up = (p1[2] - p0[2]) * (p2[0] - p0[0]) - (p1[0] - p0[0]) * (p2[2] - p0[2]);
        ASSERT_GT(up, 0) << "face " << faces;
    }
    EXPECT_EQ(faces, 2 * CELLS * CELLS);
}

TEST_F(Terrain, HeightAtVerticesCornersOutsideAndBeforeTheField) {
    game_record *g = make_test_game();
    EXPECT_EQ(height_at(g, 0, 0), 0.0f); // no field yet
    g->field = f;
    EXPECT_EQ(height_at(g, -180.0f, 180.0f), at(0, 0)[1]);
    EXPECT_EQ(height_at(g, 180.0f, -180.0f), at(CELLS, CELLS)[1]); // the last cell
    EXPECT_EQ(height_at(g, 180.0f, 180.0f), at(CELLS, 0)[1]);
    EXPECT_EQ(height_at(g, -180.0f, -180.0f), at(0, CELLS)[1]);
    // Vertex (3, 4) sits at x = -180 + 3 * 14.4, y = 180 - 4 * 14.4; half way on is the mean.
    EXPECT_NEAR(height_at(g, -136.8f, 122.4f), at(3, 4)[1], 1e-4);
    EXPECT_NEAR(height_at(g, -129.6f, 122.4f), (at(3, 4)[1] + at(4, 4)[1]) / 2, 1e-4);
    for (float x : {180.001f, -180.001f, -1e9f, NAN, INFINITY}) {
        EXPECT_EQ(height_at(g, x, 0.0f), 0.0f) << x;
        EXPECT_EQ(height_at(g, 0.0f, x), 0.0f) << x;
    }
    EXPECT_EQ(height_at(nullptr, 0.0f, 0.0f), 0.0f);
    g->field = nullptr;
    free_test_game(g);
}
