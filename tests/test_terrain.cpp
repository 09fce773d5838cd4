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
#include <memory>

namespace {

constexpr int CELLS = 25;

using field_ptr = std::unique_ptr<geo, decltype(&free_geo)>;

field_ptr field_from_seed(unsigned seed) {
    srand(seed);
    noise_reset();
    return field_ptr(build_field(180.0f, 180.0f, CELLS, CELLS), free_geo);
}

float vertex_height(const geo *g, int i, int j) {
    return g->vertices[3 * (j * (CELLS + 1) + i) + 1];
}

} // namespace

TEST(Terrain, NoiseVanishesOnTheLatticeAndOctavesScaleByBetaAndFadeByAlpha) {
    field_ptr f = field_from_seed(17); // the tables of seed 17
    for (auto [x, y] : {std::pair{0.0, 0.0}, {3.0, 7.0}, {-12.0, 250.0}})
        EXPECT_EQ(noise2d(x, y), 0.0) << x << "," << y;
    struct {
        double x, y, alpha, beta;
        int octaves;
        double noise; // of seed 17's tables
    } cases[] = {{0.3, 0.7, 1.05, 1.5, 5, 0.14214802518104963},
                 {12.25, 3.5, 2.0, 2.0, 3, -0.35935985211560234},
                 {1.1, 1.9, 1.05, 1.5, 1, -0.050369886082670512},
                 {-4.6, 2.2, 1.05, 1.5, 1, 0.12156250820438894}};
    for (const auto &c : cases) {
        EXPECT_NEAR(noise2d(c.x, c.y), c.noise, 1e-12) << c.x << "," << c.y;
        double sum = 0, x = c.x, y = c.y, weight = 1;
        for (int k = 0; k < c.octaves; ++k, x *= c.beta, y *= c.beta, weight /= c.alpha)
            sum += noise2d(x, y) * weight;
        EXPECT_NEAR(fractal_noise2d(c.x, c.y, c.alpha, c.beta, c.octaves), sum, 1e-12);
    }
}

// Vertex (i, j) lies at u = i/25, v = j/25: height (noise(25u, 25v) + 0.5)^2, floored at 0,
// position (u - 0.5, v - 0.5) x 360 and texture coordinate (u - 0.5, v - 0.5) x 36.
TEST(Terrain, VerticesFollowTheFractalNoiseAndTheGrid) {
    field_ptr f = field_from_seed(17);
    int floors = 0;
    for (int j = 0; j <= CELLS; ++j) {
        for (int i = 0; i <= CELLS; ++i) {
            const float *p = &f->vertices[3 * (j * (CELLS + 1) + i)];
            const float *t = &f->texcoords[2 * (j * (CELLS + 1) + i)];
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
}

// Interior normals come from the slopes to the four neighbours, exaggerated twentyfold; every
// triangle turns the same way (seen from above, y up), two to a cell.
TEST(Terrain, SlopedNormalsAndConsistentWinding) {
    field_ptr f = field_from_seed(17);
    auto at = [&](int i, int j) { return &f->vertices[3 * (j * (CELLS + 1) + i)]; };
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

TEST(Terrain, HeightAtVerticesCornersOutsideAndBeforeTheField) {
    game_record *g = make_test_game();
    field_ptr field = field_from_seed(17);
    const geo *f = field.get();
    EXPECT_EQ(height_at(g, 0, 0), 0.0f); // no field yet
    g->field = field.get();
    EXPECT_EQ(height_at(g, -180.0f, 180.0f), vertex_height(f, 0, 0));
    EXPECT_EQ(height_at(g, 180.0f, -180.0f), vertex_height(f, CELLS, CELLS)); // the last cell
    EXPECT_EQ(height_at(g, 180.0f, 180.0f), vertex_height(f, CELLS, 0));
    EXPECT_EQ(height_at(g, -180.0f, -180.0f), vertex_height(f, 0, CELLS));
    // Vertex (3, 4) sits at x = -180 + 3 * 14.4, y = 180 - 4 * 14.4; half way on is the mean.
    EXPECT_NEAR(height_at(g, -136.8f, 122.4f), vertex_height(f, 3, 4), 1e-4);
    EXPECT_NEAR(height_at(g, -129.6f, 122.4f), (vertex_height(f, 3, 4) + vertex_height(f, 4, 4)) / 2, 1e-4);
    for (float x : {180.001f, -180.001f, -1e9f, NAN, INFINITY}) {
        EXPECT_EQ(height_at(g, x, 0.0f), 0.0f) << x;
        EXPECT_EQ(height_at(g, 0.0f, x), 0.0f) << x;
    }
    EXPECT_EQ(height_at(nullptr, 0.0f, 0.0f), 0.0f);
    g->field = nullptr;
    free_test_game(g);
}
