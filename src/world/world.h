// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// World: the terrain and its height lookup, the sky, field, ring wall and ground decals, the
// barrels, the explosions and the smoke. Per-tick updates here never touch GL; the draw
// routines never change game state.
#pragma once

#include <GL/gl.h>
#include <cstdint>

struct game_record;
struct geo;
struct tank;
struct projectile;
struct dlist;

// --- terrain ---
geo *make_field(game_record *game, float half_x, float half_y, int cells_x, int cells_y);
// Gives a field made by build_field what drawing needs: `list` (compiled afresh), the ground's
// material and texture.
void dress_field(game_record *game, geo *field, dlist *list);
float height_at(game_record *game, float x, float y);
double fractal_noise2d(double x, double y, double alpha, double beta, int octaves);
double noise2d(double x, double y);
void noise_init();
// The field's geometry without any GL: heights, normals, texture coordinates and faces, and the
// field parameters that height_at reads. make_field adds the display list, material and texture.
geo *build_field(float half_x, float half_y, int cells_x, int cells_y);
// Makes the next noise2d call rebuild the noise tables from the current random state.
void noise_reset();
// The generator's state when the field was last built (its tables drawn afresh or not): a
// recorded game keeps it, to build the same field again.
extern struct random_snapshot field_built_from;

// --- sky and ground ---
void draw_sky_and_field(game_record *game);
void draw_ground_decals(game_record *game);
void draw_ring_wall(game_record *game, GLenum front_face);

// --- barrels ---
enum : int {
    BARREL_GONE = 0,
    BARREL_GROUND = 1,
    BARREL_CARRIED = 2,
    BARREL_LIFTING = 3,
};

struct barrel {
    float x;
    float y;
    float lift;
    float heading;
    int state;
    float peak;
    float timer;
    barrel *next;
};

constexpr int BARREL_COUNT = 18;
extern const float barrel_stock[BARREL_COUNT][2];

barrel *make_barrels(barrel *list);
void update_barrels(game_record *game);
// One barrel's share of update_barrels without the sound: true when it landed in this step,
// with the volume of its thud (its peak) in *thud_volume.
bool advance_barrel(game_record *game, barrel *b, float dt, float *thud_volume);
void push_barrels(game_record *game, tank *t);
void separate_barrels(game_record *game, barrel *b);
void drop_barrel(barrel *b);
void draw_barrels(game_record *game);

// --- explosions ---
struct explosion {
    float x;
    float y;
    float flash_radius;
    float timer;
    float duration;
    int live_debris;
    projectile *debris;
    explosion *next;
};

void make_explosion(game_record *game, float x, float y, float size);
void update_explosions(game_record *game);
void draw_explosions(game_record *game);
dlist *puff_dome();
// Draws one debris record (the projectile drawing's branch for records without MISSILE).
void draw_debris(game_record *game, projectile *p);

// --- smoke ---
struct point3 {
    float x, y, z;
};

struct smoke_puff {
    float seed;
    float x, y, z;
    float vx, vy, vz;
    float opacity;
    float brightness;
    float size;
    int kind; // 1 missile smoke, 0 debris smoke
    float life;
    float initial_life;
    smoke_puff *next;
};

void lay_smoke(game_record *game, point3 from, point3 to, int flags);
void update_smoke(game_record *game);
void draw_smoke(game_record *game);
// Most slots one lay_smoke call examines: a step that long is a jump, not a flight.
constexpr int SMOKE_MAX_SLOTS = 4096;
