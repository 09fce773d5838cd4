// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Missiles and projectiles: firing with every power-up combination, flight, rebound, homing,
// hits, and the drawing shared with explosion debris.
// One record serves missiles and debris; only records flagged MISSILE meet the arena edge or
// home. Records are malloc'd and freed with free() by the update that ends them.

#include "combat/combat.h"

#include "core/core.h"
#include "core/game_math.h"
#include "render/render.h"
#include "world/world.h"

#include <GL/gl.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

constexpr float BASE_SPEED = 70.0f;
constexpr float LAUNCH_HEIGHT = 1.5f;
constexpr float MISSILE_LIFE = 3.0f;
constexpr float HOMING_CONE = 10.0f; // degrees
constexpr float HOMING_TURN = 15.0f; // degrees per second

// The angle in degrees between the flight direction and the line to a target, or a negative
// value when there is no direction to measure (the missile stands on the target).
double angle_to(const projectile *p, float tx, float ty) {
    double dx = tx - p->x, dy = ty - p->y;
    double norm = length2d(p->vx, p->vy) * length2d(dx, dy);
    if (!(norm > 0)) return -1.0;
    double ratio = std::clamp((dx * p->vx + dy * p->vy) / norm, -1.0, 1.0);
    return to_degrees(game_acos(ratio));
}

// Turns a homing missile towards its target by at most 15 degrees a second.
void steer_missile(projectile *p, float tx, float ty, float dt) {
    float h = p->heading;
    float b = static_cast<float>(to_degrees(game_atan2f(ty - p->y, tx - p->x)));
    if (std::fabs(h - b) > 180) {
        if (h < b)
            h += 360;
        else
            b += 360;
    }
    float step = HOMING_TURN * dt;
    if (b > h) p->heading += std::min(b - p->heading, step);
    if (b < h) p->heading -= std::min(p->heading - b, step);
    double rad = to_radians(p->heading);
    p->vx = static_cast<float>(game_cos(rad) * p->speed);
    p->vy = static_cast<float>(game_sin(rad) * p->speed);
}

void home(game_record *g, projectile *p, float dt) {
    const tank *target = nullptr;
    if (p->flags & MISSILE_ENEMY) {
        if (const player_tank *t = g->player) {
            double a = angle_to(p, t->x, t->y);
            if (a >= 0 && a < HOMING_CONE) target = t;
        }
    } else {
        double best = HOMING_CONE;
        for (const enemy_tank *o = g->enemies; o; o = o->next) {
            if (o->active == 0) continue;
            double a = angle_to(p, o->x, o->y);
            if (a >= 0 && a < best) {
                target = o;
                best = a;
            }
        }
    }
    if (target) steer_missile(p, target->x, target->y, dt);
}

// Puts a missile that crossed the arena edge back on the circle and reflects its heading.
void rebound(projectile *p, double d) {
    double o = ARENA_RADIUS - d;
    p->x = static_cast<float>(p->x / d * ARENA_RADIUS);
    p->y = static_cast<float>(p->y / d * ARENA_RADIUS);
    float a = static_cast<float>(to_degrees(game_atan2f(p->y, p->x)));
    p->heading = a + (180 - (p->heading - a));
    double rad = to_radians(p->heading);
    float ux = static_cast<float>(game_cos(rad)), uy = static_cast<float>(game_sin(rad));
    p->x = static_cast<float>(p->x + o * ux);
    p->y = static_cast<float>(p->y + o * uy);
    p->vx = ux * p->speed;
    p->vy = uy * p->speed;
}

int hit_tanks(game_record *g, projectile *p, const sweep_start *from) {
    float x = p->x, y = p->y, vx = p->vx, vy = p->vy;
    int hp = 0, he = 0;
    if (!(p->flags & MISSILE_EXPLOSIVE)) {
        hp = hit_player_tanks(g, x, y, vx, vy, 0.1f, from);
        he = hit_enemy_tanks(g, x, y, vx, vy, 0.1f, from);
    } else if (p->flags & MISSILE_ENEMY) {
        he = hit_enemy_tanks(g, x, y, vx, vy, 0.1f, from);
        hp = hit_player_tanks(g, x, y, vx, vy, 5.0f, from);
    } else {
        hp = hit_player_tanks(g, x, y, vx, vy, 0.1f, from);
        he = hit_enemy_tanks(g, x, y, vx, vy, 5.0f, from);
    }
    return hp || he;
}

// The tank whose missile list this is, if any (debris lists belong to explosions).
const tank *launcher_of(const game_record *g, const projectile *list) {
    if (!list) return nullptr;
    for (const player_tank *t = g->player; t; t = t->next)
        if (t->missiles == list) return t;
    for (const enemy_tank *t = g->enemies; t; t = t->next)
        if (t->missiles == list) return t;
    return nullptr;
}

// Where this update's swept path begins: the start of its step, and for a missile's first
// update the launch point, so that the step taken at firing is swept as well. The launcher
// is left out of that first sweep; the arming delay keeps it safe from the probe points.
sweep_start sweep_origin(const projectile *p, const tank *launcher) {
    if (p->life != p->life0) return {p->x, p->y, nullptr};
    return {p->prev_x, p->prev_y, launcher};
}

} // namespace

projectile *fire_missiles(game_record *g, projectile *list, float x, float y, float heading, int flags,
                          float speed_factor) {
    float dt = g->tick_seconds;
    int n = 1;
    if (flags & MISSILE_SCATTER) n = (flags & MISSILE_MULTI) ? 9 : 3;
    double launch = to_radians(heading);
    float ox = static_cast<float>(x + game_cos(launch));
    float oy = static_cast<float>(y + game_sin(launch));
    ++tally.shots_fired;
    for (int i = 0; i < n; ++i) {
        float f = 1.0f, spread = 0.0f;
        if (flags & MISSILE_SCATTER) {
            f = static_cast<float>(random_unit() * 0.2 + 0.8);
            spread = static_cast<float>((random_unit() - 0.5) * 5);
        }
        if (flags & MISSILE_HOMING) f *= 0.8f;
        if (flags & MISSILE_ENEMY) f *= speed_factor;
        if (flags & MISSILE_FAST) f *= 3.0f;

        auto *p = static_cast<projectile *>(calloc(1, sizeof(projectile)));
        if (!p) {
            fprintf(stderr, "out of memory for a missile\n");
            return list;
        }
        p->arm_timer = 0.025f / f;
        p->speed = BASE_SPEED * f;
        p->heading = heading + spread;
        double rad = to_radians(p->heading);
        float ux = static_cast<float>(game_cos(rad)), uy = static_cast<float>(game_sin(rad));
        // The first step is taken at the base speed, whatever the factor.
        p->x = ox + ux * BASE_SPEED * dt;
        p->y = oy + uy * BASE_SPEED * dt;
        p->z = LAUNCH_HEIGHT;
        p->prev_x = ox;
        p->prev_y = oy;
        p->prev_z = LAUNCH_HEIGHT;
        p->vx = ux * p->speed;
        p->vy = uy * p->speed;
        p->vz = 0;
        p->flags = flags | MISSILE;
        p->life = p->life0 = MISSILE_LIFE;
        p->puff_size = 0;
        p->next = list;
        list = p;
        ++tally.missiles_fired;
    }
    return list;
}

projectile *update_projectiles(game_record *g, projectile *list) {
    float dt = g->tick_seconds;
    bool smoke = g->settings.display_flags & SHOW_SMOKE;
    const tank *launcher = launcher_of(g, list);
    for (projectile *p = list; p; p = p->next) {
        bool keep = true;
        if (smoke) lay_smoke(g, {p->prev_x, p->prev_y, p->prev_z}, {p->x, p->y, p->z}, p->flags);
        p->arm_timer -= dt;
        sweep_start from = sweep_origin(p, launcher);
        p->prev_x = p->x;
        p->prev_y = p->y;
        p->prev_z = p->z;
        p->x += p->vx * dt;
        p->y += p->vy * dt;
        p->z += p->vz * dt;
        p->vz = 0;
        if (p->flags & MISSILE) {
            double d = length2d(p->x, p->y);
            if (d > ARENA_RADIUS) {
                if (p->flags & MISSILE_REBOUNDING) {
                    rebound(p, d);
                    from = {p->x, p->y, nullptr}; // the path bent: only the step ahead is swept
                } else
                    keep = false;
            }
        }
        p->life -= dt;
        if (p->flags & MISSILE_HOMING) home(g, p, dt);
        if ((p->flags & MISSILE_EXPLOSIVE) && p->life <= 0) make_explosion(g, p->x, p->y, 0.5f);
        if (p->arm_timer <= 0 && hit_tanks(g, p, (p->flags & MISSILE) ? &from : nullptr)) {
            p->x += p->vx / 2 * dt;
            p->y += p->vy / 2 * dt;
            keep = false;
            make_explosion(g, p->x, p->y, 1.0f);
        }
        if (!keep) p->life = 0;
    }
    projectile **link = &list;
    while (*link) {
        projectile *p = *link;
        if (p->life <= 0) {
            *link = p->next;
            free(p);
        } else {
            link = &p->next;
        }
    }
    return list;
}

int count_projectiles(const projectile *list) {
    int n = 0;
    for (; list; list = list->next)
        ++n;
    return n;
}

void draw_projectiles(game_record *g, projectile *list) {
    if (!list) return;
    // The model is fetched at the first drawing rather than the first shot, so that the
    // tick never touches GL.
    static bool loaded = false;
    static geo *missile = nullptr;
    static texture *puff = nullptr;
    if (!loaded) {
        missile = load_geo(g, "object_missile_1");
        if (missile) {
            if (material *m = load_material(g, "material_tank")) missile->material = m;
            if (texture *t = load_texture(g, "texture_missile_1", 3, GL_REPEAT)) missile->texture = t;
        }
        puff = load_texture(g, "texture_puff_2", 2, GL_CLAMP);
        loaded = true;
    }

    glDepthMask(GL_FALSE);
    glDisable(GL_LIGHTING);
    glBindTexture(GL_TEXTURE_2D, puff ? puff->gl_name : 0);
    for (projectile *p = list; p; p = p->next)
        if (!(p->flags & MISSILE)) draw_debris(g, p);
    glDepthMask(GL_TRUE);
    glEnable(GL_LIGHTING);

    for (projectile *p = list; p; p = p->next) {
        if (!(p->flags & MISSILE)) continue;
        glPushMatrix();
        glTranslatef(p->x, p->y, p->z);
        glScalef(0.005f, 0.005f, 0.005f);
        glRotatef(90 + p->heading, 0, 0, 1);
        glRotatef(p->life * 5, 0, 1, 0);
        if (missile) draw_geo(missile);
        glPopMatrix();
    }
}

void free_projectiles(projectile *list) {
    while (list) {
        projectile *next = list->next;
        free(list);
        list = next;
    }
}
