// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Field and terrain: Perlin gradient noise, the field mesh and the ground-height lookup.
// The field is generated once per run from the game's random draws, so their order below
// decides which terrain a seed gives; height_at answers for any point, inside the field or not.

#include "world/world.h"

#include "core/core.h"
#include "core/game_math.h"
#include "render/render.h"

#include <cmath>
#include <cstdlib>

static float field_half_x = 180.0f;
static float field_half_y = 180.0f;
static int field_cells_x = 25;
static int field_cells_y = 25;

constexpr int NOISE_B = 256;
constexpr int NOISE_ENTRIES = NOISE_B + NOISE_B + 2;

static int noise_perm[NOISE_ENTRIES];
static double noise_grad1[NOISE_ENTRIES];
static double noise_grad2[NOISE_ENTRIES][2];
static double noise_grad3[NOISE_ENTRIES][3];
static int noise_start = 1;

void noise_reset() {
    noise_start = 1;
}

static double random_gradient_component() {
    return static_cast<double>(game_rand() % (NOISE_B + NOISE_B) - NOISE_B) / NOISE_B;
}

// Scales a gradient to unit length; a zero draw stays zero instead of becoming NaN.
static void normalise(double *v, int n) {
    double s = 0;
    for (int k = 0; k < n; ++k)
        s += v[k] * v[k];
    s = std::sqrt(s);
    if (s == 0) return;
    for (int k = 0; k < n; ++k)
        v[k] = v[k] / s;
}

// The one-component and 3-D gradients are never read, but their draws keep later draws in step.
void noise_init() {
    for (int i = 0; i < NOISE_B; ++i) {
        noise_perm[i] = i;
        noise_grad1[i] = random_gradient_component();
        for (int k = 0; k < 2; ++k)
            noise_grad2[i][k] = random_gradient_component();
        normalise(noise_grad2[i], 2);
        for (int k = 0; k < 3; ++k)
            noise_grad3[i][k] = random_gradient_component();
        normalise(noise_grad3[i], 3);
    }
    for (int i = NOISE_B - 1; i > 0; --i) {
        int k = noise_perm[i];
        int j = game_rand() % NOISE_B;
        noise_perm[i] = noise_perm[j];
        noise_perm[j] = k;
    }
    for (int i = 0; i < NOISE_B + 2; ++i) {
        noise_perm[NOISE_B + i] = noise_perm[i];
        noise_grad1[NOISE_B + i] = noise_grad1[i];
        for (int k = 0; k < 2; ++k)
            noise_grad2[NOISE_B + i][k] = noise_grad2[i][k];
        for (int k = 0; k < 3; ++k)
            noise_grad3[NOISE_B + i][k] = noise_grad3[i][k];
    }
}

static double s_curve(double t) {
    return t * t * (3.0 - 2.0 * t);
}

static double lerp(double t, double a, double b) {
    return a + t * (b - a);
}

double noise2d(double x, double y) {
    if (noise_start) {
        noise_start = 0;
        noise_init();
    }
    double t = x + 4096.0;
    int bx0 = static_cast<int>(t) & (NOISE_B - 1);
    int bx1 = (bx0 + 1) & (NOISE_B - 1);
    double rx0 = t - static_cast<int>(t);
    double rx1 = rx0 - 1.0;
    t = y + 4096.0;
    int by0 = static_cast<int>(t) & (NOISE_B - 1);
    int by1 = (by0 + 1) & (NOISE_B - 1);
    double ry0 = t - static_cast<int>(t);
    double ry1 = ry0 - 1.0;

    int i = noise_perm[bx0];
    int j = noise_perm[bx1];
    int b00 = noise_perm[i + by0];
    int b10 = noise_perm[j + by0];
    int b01 = noise_perm[i + by1];
    int b11 = noise_perm[j + by1];

    double sx = s_curve(rx0);
    double sy = s_curve(ry0);
    const double *q = noise_grad2[b00];
    double u = rx0 * q[0] + ry0 * q[1];
    q = noise_grad2[b10];
    double v = rx1 * q[0] + ry0 * q[1];
    double a = lerp(sx, u, v);
    q = noise_grad2[b01];
    u = rx0 * q[0] + ry1 * q[1];
    q = noise_grad2[b11];
    v = rx1 * q[0] + ry1 * q[1];
    double b = lerp(sx, u, v);
    return lerp(sy, a, b);
}

double fractal_noise2d(double x, double y, double alpha, double beta, int octaves) {
    double sum = 0;
    double scale = 1;
    double px = x, py = y;
    for (int k = 0; k < octaves; ++k) {
        sum += noise2d(px, py) / scale;
        scale *= alpha;
        px *= beta;
        py *= beta;
    }
    return sum;
}

static void add_triangle(geo *g, int a, int b, int c) {
    auto *f = new face;
    f->count = 3;
    f->vertex_index = {a, b, c};
    f->normal_index = f->vertex_index;
    f->texcoord_index = f->vertex_index;
    f->next = g->faces;
    g->faces = f;
}

random_snapshot field_built_from{};

geo *build_field(float half_x, float half_y, int cx, int cy) {
    field_built_from = save_random();
    if (cx < 1) cx = 1;
    if (cy < 1) cy = 1;
    field_half_x = half_x;
    field_half_y = half_y;
    field_cells_x = cx;
    field_cells_y = cy;

    auto *g = new geo{};
    g->name = "object_field";
    int n = (cx + 1) * (cy + 1);
    g->vertex_count = g->normal_count = g->texcoord_count = n;
    g->vertices.assign(3 * static_cast<size_t>(n), 0.0f);
    g->normals.assign(3 * static_cast<size_t>(n), 0.0f);
    g->texcoords.assign(2 * static_cast<size_t>(n), 0.0f);
    float *pos = g->vertices.data();
    float *nor = g->normals.data();
    float *tex = g->texcoords.data();

    for (int j = 0; j <= cy; ++j) {
        for (int i = 0; i <= cx; ++i) {
            float u = static_cast<float>(i) / static_cast<float>(cx);
            float v = static_cast<float>(j) / static_cast<float>(cy);
            int idx = j * (cx + 1) + i;
            double noise = fractal_noise2d(25.0 * u, 25.0 * v, 1.05, 1.5, 5);
            float h = static_cast<float>(noise * 1.0 + 0.5);
            if (h < 0) h = 0;
            float height = static_cast<float>(game_pow(h, 2.0));
            pos[3 * idx + 0] = static_cast<float>((u - 0.5) * half_x * 2);
            pos[3 * idx + 1] = height;
            pos[3 * idx + 2] = static_cast<float>((v - 0.5) * half_y * 2);
            double r1 = random_unit();
            double r2 = random_unit();
            double r3 = random_unit();
            nor[3 * idx + 0] = static_cast<float>((r1 - 0.5) * 5);
            nor[3 * idx + 1] = static_cast<float>(-r2);
            nor[3 * idx + 2] = static_cast<float>((r3 - 0.5) * 5);
            tex[2 * idx + 0] = static_cast<float>((u - 0.5) * half_x / 5.0);
            tex[2 * idx + 1] = static_cast<float>((v - 0.5) * half_y / 5.0);
        }
    }

    // Slopes are exaggerated twentyfold into strong light and dark bands.
    for (int j = 1; j < cy; ++j) {
        for (int i = 1; i < cx; ++i) {
            int idx = j * (cx + 1) + i;
            const float *L = pos + 3 * (idx - 1);
            const float *R = pos + 3 * (idx + 1);
            const float *D = pos + 3 * (idx - (cx + 1));
            const float *U = pos + 3 * (idx + (cx + 1));
            double a = 20 * game_atan2f(L[1] - R[1], L[0] - R[0]);
            double b = 20 * game_atan2f(D[1] - U[1], D[2] - U[2]);
            double nx = game_cos(b) * game_sin(a);
            double ny = game_cos(b) * game_cos(a);
            double nz = game_sin(b);
            double len = std::sqrt(nx * nx + ny * ny + nz * nz);
            nor[3 * idx + 0] = static_cast<float>(nx / -len);
            nor[3 * idx + 1] = static_cast<float>(ny / -len);
            nor[3 * idx + 2] = static_cast<float>(nz / -len);
        }
    }

    for (int j = 0; j < cy; ++j) {
        for (int i = 0; i < cx; ++i) {
            int a = j * (cx + 1) + i;
            int b = a + 1;
            int c = a + (cx + 1);
            int d = c + 1;
            add_triangle(g, a, c, b);
            add_triangle(g, b, c, d);
        }
    }
    return g;
}

geo *make_field(game_record *game, float half_x, float half_y, int cells_x, int cells_y) {
    geo *g = build_field(half_x, half_y, cells_x, cells_y);
    dress_field(game, g, new_dlist());
    return g;
}

void dress_field(game_record *game, geo *field, dlist *list) {
    field->list = list;
    list->dirty = 1;
    field->material = load_material(game, "material_ground");
    field->texture = load_texture(game, "texture_ground", 3, GL_REPEAT);
}

float height_at(game_record *game, float x, float y) {
    if (!game || !game->field) return 0.0f;
    // Written as "not inside" so that a NaN coordinate is outside too.
    if (!(x >= -field_half_x && x <= field_half_x && y >= -field_half_y && y <= field_half_y)) return 0.0f;
    const geo *g = game->field;
    int cx = field_cells_x, cy = field_cells_y;
    if (g->vertex_count < (cx + 1) * (cy + 1) ||
        g->vertices.size() < 3 * static_cast<size_t>(g->vertex_count))
        return 0.0f;
    float u = (field_half_x + x) / (2 * field_half_x);
    float v = (field_half_y - y) / (2 * field_half_y);
    float fx = cx * u, fy = cy * v;
    int ix = static_cast<int>(std::floor(fx));
    int iy = static_cast<int>(std::floor(fy));
    float tx = fx - ix, ty = fy - iy;
    // The upper bounds belong to the last cell, so the edge vertex is reached without reading past it.
    if (ix >= cx) {
        ix = cx - 1;
        tx = 1;
    }
    if (iy >= cy) {
        iy = cy - 1;
        ty = 1;
    }
    if (ix < 0) ix = 0;
    if (iy < 0) iy = 0;
    const float *V = g->vertices.data();
    int k = iy * (cx + 1) + ix;
    auto H = [V](int m) { return V[3 * m + 1]; };
    return ((1 - tx) * H(k) + tx * H(k + 1)) * (1 - ty) +
           ((1 - tx) * H(k + cx + 1) + tx * H(k + cx + 2)) * ty;
}
