// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Barrels: the stock of 18, their falling, lifting and pushing, and their drawing.
// Pushing is a relaxation: every push moves two things apart by a fraction of their
// separation and then re-checks whatever moved, so a tank driving into the stock spreads it.
// The re-checks nest only so deep and then queue, and a tie (two things on one point) gets a
// fixed nudge, so no cluster can hang a tick or exhaust the stack.

#include "world/world.h"

#include "audio/audio.h"
#include "combat/combat.h"
#include "core/core.h"
#include "core/game_math.h"
#include "render/render.h"

#include <GL/glu.h>
#include <cmath>
#include <cstdlib>
#include <vector>

const float barrel_stock[BARREL_COUNT][2] = {{-6, -6}, {-6, -2}, {-6, 2}, {-6, 6}, {-3, -4}, {-3, 0},
                                             {-3, 4},  {0, -6},  {0, -2}, {0, 2},  {0, 6},   {3, -4},
                                             {3, 0},   {3, 4},   {6, -6}, {6, -2}, {6, 2},   {6, 6}};

// How far apart two things on exactly one point are set before they are pushed.
constexpr float TIE_NUDGE = 0.01f;
// Nested re-checks beyond this depth are queued and run after the outer ones.
constexpr int SEPARATE_MAX_DEPTH = 24;
// Push steps one separate_barrels call may take: far more than any real cluster needs.
constexpr long SEPARATE_MAX_STEPS = 200000;
// Push steps between one tank and one barrel in one tick.
constexpr int PUSH_MAX_STEPS = 20000;

static void reset_barrel(barrel *b, int k) {
    b->x = barrel_stock[k][0];
    b->y = barrel_stock[k][1];
    b->lift = 0;
    b->state = BARREL_GROUND;
    b->peak = 0;
    b->timer = 0;
    b->heading = static_cast<float>(random_unit() * 360);
}

barrel *make_barrels(barrel *list) {
    if (list) {
        int k = 0;
        for (barrel *b = list; b && k < BARREL_COUNT; b = b->next, ++k)
            reset_barrel(b, k);
        return list;
    }
    for (int k = 0; k < BARREL_COUNT; ++k) {
        auto *b = static_cast<barrel *>(calloc(1, sizeof(barrel)));
        reset_barrel(b, k);
        b->next = list;
        list = b;
    }
    return list;
}

bool advance_barrel(game_record *game, barrel *b, float dt, float *thud_volume) {
    bool landed = false;
    b->timer -= dt;
    if (b->state == BARREL_GROUND && b->lift > 0) {
        b->lift -= 3.0f * dt;
        // Reaching exactly 0 is a landing too; otherwise the barrel would stay armed for ever.
        if (b->lift <= 0) {
            if (thud_volume) *thud_volume = b->peak;
            landed = true;
            b->lift = 0;
            b->peak = 0;
        }
    }
    if (b->state == BARREL_LIFTING) {
        b->lift += 5.0f * dt;
        if (b->lift > 30.0f) {
            b->state = BARREL_GONE;
            if (game) game->barrels_left -= 1;
        }
        b->heading += 180 * dt;
    }
    if (b->lift > b->peak) b->peak = b->lift;
    return landed;
}

void update_barrels(game_record *game) {
    static sound *landing = nullptr;
    if (!game) return;
    if (!landing) landing = load_sound(game, "audio_barrel_drop", 10.0f, 0);
    float dt = game->tick_seconds;
    for (barrel *b = game->barrels; b; b = b->next) {
        float volume = 0;
        if (advance_barrel(game, b, dt, &volume)) play_sound(game, landing, volume, b->x, b->y);
    }
}

static double degrees(double radians) {
    return radians * 180.0 / GAME_PI;
}

// Brings a1 within half a turn of a0 so that the difference is the short way round.
static double unwrap(double a0, double a1) {
    if (a1 - a0 > 180) a1 -= 360;
    if (a0 - a1 > 180) a1 += 360;
    return a1;
}

static float barrel_share(const barrel *b) {
    return b->state == BARREL_CARRIED ? 0.001f : 0.02f;
}

namespace {
struct separation {
    game_record *game;
    std::vector<barrel *> queued;
    size_t next_queued = 0;
    long steps = 0;
};
} // namespace

static void queue_barrel(separation &s, barrel *b) {
    for (size_t i = s.next_queued; i < s.queued.size(); ++i)
        if (s.queued[i] == b) return;
    s.queued.push_back(b);
}

static void separate_from(separation &s, barrel *b, int depth) {
    for (barrel *o = s.game->barrels; o; o = o->next) {
        if (o == b || o->state == BARREL_GONE) continue;
        float ko = barrel_share(o);
        float kb = barrel_share(b);
        while (length2d(o->x - b->x, o->y - b->y) < 1.0) {
            if (s.steps >= SEPARATE_MAX_STEPS) return;
            ++s.steps;
            if (o->x == b->x && o->y == b->y) o->x += TIE_NUDGE;
            double a0 = degrees(game_atan2f(o->y - b->y, o->x - b->x));
            float dx = o->x - b->x;
            float dy = o->y - b->y;
            o->x += ko * dx;
            o->y += ko * dy;
            b->x -= kb * dx;
            b->y -= kb * dy;
            if (depth < SEPARATE_MAX_DEPTH) {
                separate_from(s, o, depth + 1);
                separate_from(s, b, depth + 1);
            } else {
                queue_barrel(s, o);
                queue_barrel(s, b);
            }
            double a1 = unwrap(a0, degrees(game_atan2f(o->y - b->y, o->x - b->x)));
            float r = static_cast<float>((a1 - a0) * 0.5);
            o->heading += r;
            b->heading -= r;
        }
    }
}

void separate_barrels(game_record *game, barrel *b) {
    if (!game || !b) return;
    separation s{game, {}};
    separate_from(s, b, 0);
    while (s.next_queued < s.queued.size() && s.steps < SEPARATE_MAX_STEPS) {
        barrel *q = s.queued[s.next_queued++];
        separate_from(s, q, 0);
    }
}

void push_barrels(game_record *game, tank *t) {
    if (!game || !t) return;
    float radius = t->type ? t->type->radius : 0.0f;
    float r = radius + 0.5f;
    for (barrel *b = game->barrels; b; b = b->next) {
        if (b->state == BARREL_GONE) continue;
        float kb = 0.02f, kt = 0.01f;
        if (b->state == BARREL_CARRIED) {
            kb = 0.001f;
            kt = 0.02f;
        }
        if (!(length2d(b->x - t->x, b->y - t->y) < r)) continue;
        for (int step = 0; step < PUSH_MAX_STEPS && length2d(b->x - t->x, b->y - t->y) < r; ++step) {
            if (b->x == t->x && b->y == t->y) b->x += TIE_NUDGE;
            double a0 = degrees(game_atan2f(b->y - t->prev_y, b->x - t->prev_x));
            float dx = b->x - t->x;
            float dy = b->y - t->y;
            b->x += kb * dx;
            b->y += kb * dy;
            t->x -= kt * dx;
            t->y -= kt * dy;
            double a1 = unwrap(a0, degrees(game_atan2f(b->y - t->y, b->x - t->x)));
            b->heading += static_cast<float>((a1 - a0) * 0.25);
            separate_barrels(game, b);
        }
    }
}

void drop_barrel(barrel *b) {
    if (b) b->state = BARREL_GROUND;
}

void draw_barrels(game_record *game) {
    static geo *barrel_geo = nullptr;
    static texture *beam_texture = nullptr;
    static bool loaded = false;
    if (!game) return;
    if (!loaded) {
        loaded = true;
        beam_texture = load_texture(game, "texture_streaks_1", 2, GL_REPEAT);
        barrel_geo = load_geo(game, "object_barrel");
        if (barrel_geo) {
            barrel_geo->texture = load_texture(game, "texture_barrel", 3, GL_REPEAT);
            barrel_geo->material = load_material(game, "material_barrel");
        }
    }
    GLUquadric *quadric = gluNewQuadric();
    for (barrel *b = game->barrels; b; b = b->next) {
        if (b->state == BARREL_GONE) continue;
        glPushMatrix();
        float h = height_at(game, b->x, b->y);
        glPushMatrix();
        glTranslatef(b->x, b->y, h + b->lift);
        glScalef(0.035f, 0.035f, 0.035f);
        glTranslatef(0, 0, 20);
        glRotatef(b->heading, 0, 0, 1);
        draw_geo(barrel_geo);
        glPopMatrix();
        if (b->state == BARREL_LIFTING && quadric) {
            gluQuadricTexture(quadric, GL_TRUE);
            if (beam_texture) glBindTexture(GL_TEXTURE_2D, beam_texture->gl_name);
            glTranslatef(b->x, b->y, 0);
            glDisable(GL_LIGHTING);
            glDepthMask(GL_FALSE);
            glColor4f(0.3f, 0.05f, 0.1f, 0.0f);
            glRotatef(game->game_time * 75, 0, 0, 1);
            gluCylinder(quadric, 0.55, 0.55, 30.0, 12, 1);
            glRotatef(game->game_time * 75, 0, 0, 1);
            gluCylinder(quadric, 0.6, 0.6, 30.0, 12, 1);
            glEnable(GL_LIGHTING);
            glDepthMask(GL_TRUE);
        }
        glPopMatrix();
    }
    if (quadric) gluDeleteQuadric(quadric);
}
