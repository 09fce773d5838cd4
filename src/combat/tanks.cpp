// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Tanks: creation and placement, the motion step with friction, the collision probes, the
// enemy bookkeeping and the drawing of one tank pitched along the slope.
// Both tank records begin with `tank`, so the motion step and drawing serve either; every
// record here is calloc'd and released with free().

#include "combat/combat.h"

#include "audio/audio.h"
#include "core/core.h"
#include "core/game_math.h"
#include "render/render.h"
#include "world/world.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>

combat_tally tally;

static void *allocate(size_t size) {
    void *p = calloc(1, size);
    if (!p) {
        fprintf(stderr, "out of memory for a tank\n");
        exit(1);
    }
    return p;
}

enemy_tank *make_enemy_tank(game_record *g, const char *type_name, behaviour_routine behaviour) {
    auto *t = static_cast<enemy_tank *>(allocate(sizeof(enemy_tank)));
    t->type = find_tank_type(g, type_name);
    t->next = g->enemies;
    t->active = 0.0f;
    t->missiles = nullptr;
    t->carried = nullptr;
    t->lift_timer = 0.0f;
    t->behaviour = behaviour;
    t->engine_fast = make_voice(g, "audio_engine_fast", 0.75f, SOUND_LOOP);
    t->engine_slow = make_voice(g, "audio_engine_slow", 0.25f, SOUND_LOOP);
    place_enemy_tank(t, g);
    t->power_ups = 0;
    t->reload = 0.0f;
    double a = random_unit() * 360;
    double d = (random_unit() * 0.5 + 0.25) * 60;
    t->goal_x = static_cast<float>(d * game_cos(to_radians(a)));
    t->goal_y = static_cast<float>(d * game_sin(to_radians(a)));
    return t;
}

void place_enemy_tank(enemy_tank *t, game_record *g) {
    double a = random_unit() * 2 * GAME_PI;
    t->x = static_cast<float>(RIM_RADIUS * game_cos(a));
    t->y = static_cast<float>(RIM_RADIUS * game_sin(a));
    t->bob_phase = 0.0f;
    t->heading = static_cast<float>(random_unit() * 360);
    t->speed = 0.0f;
    t->carried = nullptr;
    t->power_ups = 0;
    double u = random_unit();
    t->behaviour = u < 0.66 ? steal_barrels : hunt_player;
    t->level = g->game_time / 600 + 0.5f;
}

void free_enemy_tank(enemy_tank *t) {
    if (!t) return;
    release_voice(t->engine_fast);
    release_voice(t->engine_slow);
    free_projectiles(t->missiles);
    free(t);
}

player_tank *make_player_tank(game_record *g, const char *type_name) {
    auto *t = static_cast<player_tank *>(allocate(sizeof(player_tank)));
    t->type = find_tank_type(g, type_name);
    t->next = g->player;
    t->alive = 0.0f;
    t->missiles = nullptr;
    respawn_player_tank(t);
    t->reload = 0.0f;
    t->power_ups = 0;
    t->actions = 0;
    t->engine_fast = make_voice(g, "audio_engine_fast", 0.7f, SOUND_LOOP);
    t->engine_slow = make_voice(g, "audio_engine_slow", 0.3f, SOUND_LOOP);
    return t;
}

void respawn_player_tank(player_tank *t) {
    double d = random_unit() * 60;
    double a = random_unit() * 360;
    t->x = static_cast<float>(d * game_cos(to_radians(a)));
    t->y = static_cast<float>(d * game_sin(to_radians(a)));
    t->heading = static_cast<float>(a + 180);
    t->power_ups = 0;
    t->message = nullptr;
    t->message_timer = 0.0f;
    t->shield = 3.0f;
    t->respawn_due = 0;
    t->bob_phase = 0.0f;
    t->speed = 0.0f;
}

void free_player_tank(player_tank *t) {
    if (!t) return;
    release_voice(t->engine_fast);
    release_voice(t->engine_slow);
    free_projectiles(t->missiles);
    free(t);
}

void move_tank(game_record *g, tank *t) {
    float dt = g->tick_seconds;
    double h = to_radians(t->heading);
    t->vx = static_cast<float>(game_cos(h) * t->speed);
    t->vy = static_cast<float>(game_sin(h) * t->speed);
    t->prev_x = t->x;
    t->prev_y = t->y;
    t->prev_bob = t->bob;
    t->x += t->vx * dt;
    t->y += t->vy * dt;
    t->bob = static_cast<float>(game_sin(to_radians(t->bob_phase * 235)) * 0.1 + 0.1);
    t->bob_phase += dt;
    // The added 1 makes the decay per tick, not per second: a driven tank resets its speed anyway.
    t->speed = static_cast<float>(t->speed / game_pow(1.1, 10 * dt + 1));
}

// True when the segment from a to b, starting outside the circle of radius reach about c,
// comes strictly closer to c than reach.
static bool segment_enters(float cx, float cy, float reach, float ax, float ay, float bx, float by) {
    double dx = bx - ax, dy = by - ay;
    double ox = cx - ax, oy = cy - ay;
    if (!(length2d(ox, oy) >= reach)) return false;
    double len2 = dx * dx + dy * dy;
    double along = len2 > 0 ? std::clamp((ox * dx + oy * dy) / len2, 0.0, 1.0) : 0.0;
    return length2d(ox - along * dx, oy - along * dy) < reach;
}

// A tank is touched when the probe's position, half a step or a full step ahead comes
// strictly closer than the two radii together. A missile also sweeps its path from `from`
// to the position and on to a full step ahead, so that no step is too long to skip a tank.
static bool probe_touches(const tank *t, float x, float y, float vx, float vy, float r, float dt,
                          const sweep_start *from) {
    float reach = t->type ? t->type->radius + r : r;
    const float px[3] = {x, x + 0.5f * vx * dt, x + vx * dt};
    const float py[3] = {y, y + 0.5f * vy * dt, y + vy * dt};
    for (int i = 0; i < 3; ++i)
        if (length2d(t->x - px[i], t->y - py[i]) < reach) return true;
    if (!from || t == from->launcher) return false;
    return segment_enters(t->x, t->y, reach, from->x, from->y, x, y) ||
           segment_enters(t->x, t->y, reach, x, y, px[2], py[2]);
}

int hit_enemy_tanks(game_record *g, float x, float y, float vx, float vy, float r, const sweep_start *from) {
    int hit = 0;
    for (enemy_tank *t = g->enemies; t; t = t->next) {
        if (!(t->active > 0)) continue;
        if (!from && t->x == x && t->y == y) continue; // a ramming tank is not its own target
        if (!probe_touches(t, x, y, vx, vy, r, g->tick_seconds, from)) continue;
        if (t->carried) drop_barrel(t->carried);
        place_enemy_tank(t, g);
        t->active = 0.0f;
        g->score += 100;
        ++tally.enemies_destroyed;
        hit = 1;
    }
    return hit;
}

int hit_player_tanks(game_record *g, float x, float y, float vx, float vy, float r, const sweep_start *from) {
    int hit = 0;
    for (player_tank *t = g->player; t; t = t->next) {
        if (!(t->alive > 0) || t->shield > 0) continue;
        if (!from && t->x == x && t->y == y) continue;
        if (!probe_touches(t, x, y, vx, vy, r, g->tick_seconds, from)) continue;
        make_explosion(g, t->x, t->y, t->type ? t->type->radius : 1.6f);
        t->respawn_due = 1;
        t->alive = -2.0f;
        g->score -= 100;
        ++tally.player_tanks_lost;
        hit = 1;
    }
    return hit;
}

void run_enemy_behaviours(game_record *g, enemy_tank *enemies) {
    for (enemy_tank *t = enemies; t; t = t->next)
        if (t->active > 0 && t->behaviour) t->behaviour(t, g);
}

void update_enemy_tanks(game_record *g, enemy_tank *enemies) {
    float dt = g->tick_seconds;
    for (enemy_tank *t = enemies; t; t = t->next) {
        if (t->active > 0) {
            if (enemy_take_power_up(g, t)) t->behaviour = hunt_player;
            float radius = t->type ? t->type->radius : 0.0f;
            // Ramming: the enemies first, then the player, in that order.
            int h = hit_enemy_tanks(g, t->x, t->y, t->vx, t->vy, radius);
            h += hit_player_tanks(g, t->x, t->y, t->vx, t->vy, radius);
            if (h != 0) {
                make_explosion(g, t->x, t->y, radius);
                if (t->carried) drop_barrel(t->carried);
                place_enemy_tank(t, g);
                t->active = 0.0f;
                g->score += 100;
                ++tally.enemies_destroyed;
            }
        } else {
            t->active += dt;
        }
        if (t->reload > 0) t->reload -= dt;
    }
}

void draw_tank(game_record *g, tank *t) {
    if (!t || !t->type) return;
    double h = to_radians(t->heading);
    float c = static_cast<float>(game_cos(h)), s = static_cast<float>(game_sin(h));
    float hb = height_at(g, t->x - 0.5f * c, t->y - 0.5f * s);
    float hf = height_at(g, t->x + 0.5f * c, t->y + 0.5f * s);
    geo *model = t->type->geo;
    float min_y = model ? model->min_y : 0.0f;
    glPushMatrix();
    glTranslatef(t->x, t->y, (hb + hf) / 2 + t->bob);
    glRotatef(t->heading, 0, 0, 1);
    glScalef(0.09f, 0.1f, 0.12f);
    glTranslatef(0, 0, 2.0f - min_y);
    glRotatef(90, 0, 0, 1);
    glRotatef(static_cast<float>(-to_degrees(game_atanf(hf - hb))), 1, 0, 0);
    if (model) draw_geo(model);
    glPopMatrix();
}

void set_up_tanks(game_record *g) {
    if (g->player) free_player_tank(g->player);
    for (enemy_tank *t = g->enemies; t;) {
        enemy_tank *next = t->next;
        free_enemy_tank(t);
        t = next;
    }
    g->player = nullptr;
    g->enemies = nullptr;
    for (int i = 0; i < 3; ++i)
        g->enemies = make_enemy_tank(g, "grunt", steal_barrels);
    g->player = make_player_tank(g, "player");
}
