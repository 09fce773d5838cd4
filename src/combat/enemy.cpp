// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Enemy behaviour: the shared steering with its back-off from blocking tanks, the barrel
// thieves (seek, hoist, carry, hand to the lift beam) and the hunters (chase and shoot the
// player, fetch the power-up, roam). Behaviours only set heading, speed and velocity; the
// motion step moves the tank later in the tick.

#include "combat/combat.h"

#include "audio/audio.h"
#include "core/core.h"
#include "core/game_math.h"
#include "render/render.h"
#include "world/world.h"

#include <algorithm>
#include <cmath>

namespace {

constexpr float SEARCH_LIMIT = 10000.0f;
constexpr float THIEF_REACH = 2.4f; // stop distance, and how far ahead a held barrel rides
constexpr float GRAB_DISTANCE = 2.401f;
constexpr float GRAB_ERROR = 0.1f; // degrees
constexpr float ESCAPE_RADIUS = 62.41f;
constexpr float LIFT_BEAM_RADIUS = 62.0f;
constexpr float HUNT_STOP = 10.0f;
constexpr float AIM_ERROR = 1.0f; // degrees; also the roaming point's arrival distance

struct enemy_sounds {
    sound *shot, *grab, *lift;
};

enemy_sounds &sounds(game_record *g) {
    static bool loaded = false;
    static enemy_sounds s{};
    if (!loaded) {
        s.shot = load_sound(g, "audio_shot", 1.0f, 0);
        s.grab = load_sound(g, "audio_grab", 1.0f, 0);
        s.lift = load_sound(g, "audio_barrel_lift", 1.0f, 0);
        loaded = true;
    }
    return s;
}

void wrap_heading(enemy_tank *t) {
    if (t->heading > 360) t->heading -= 360;
    if (t->heading < 0) t->heading += 360;
}

// A fresh roaming point 15 to 45 units from the centre.
void pick_roaming_point(enemy_tank *t) {
    double a = random_unit() * 360;
    double d = (random_unit() * 0.5 + 0.25) * 60;
    t->goal_x = static_cast<float>(d * game_cos(to_radians(a)));
    t->goal_y = static_cast<float>(d * game_sin(to_radians(a)));
}

} // namespace

float drive_factor(float a) {
    const float pi = static_cast<float>(GAME_PI);
    if (a > pi) a = std::fabs(pi - a);
    if (a > 1.5707963225f) return game_cosf(a) / 2;
    return game_cosf(a);
}

enemy_tank *blocking_tank(game_record *g, enemy_tank *t, float r) {
    float dt = g->tick_seconds;
    double h = to_radians(t->heading);
    float mx = static_cast<float>(game_cos(h) * t->speed * dt);
    float my = static_cast<float>(game_sin(h) * t->speed * dt);
    const float px[3] = {t->x + mx, t->x + mx + 0.5f * mx, t->x + mx + mx};
    const float py[3] = {t->y + my, t->y + my + 0.5f * my, t->y + my + my};
    enemy_tank *blocker = nullptr;
    for (enemy_tank *o = g->enemies; o; o = o->next) {
        if (o == t || !(o->active > 0)) continue;
        float reach = (o->type ? o->type->radius : 0.0f) + r;
        for (int i = 0; i < 3; ++i) {
            if (length2d(o->x - px[i], o->y - py[i]) < reach) {
                blocker = o;
                break;
            }
        }
    }
    return blocker;
}

float steer_tank(game_record *g, enemy_tank *t, float level, float stop_distance, float tx, float ty) {
    float dt = g->tick_seconds;
    const tank_type *type = t->type;
    float h0 = t->heading;
    float target = static_cast<float>(to_degrees(game_atan2f(ty - t->y, tx - t->x)));
    float dist = static_cast<float>(length2d(tx - t->x, ty - t->y));
    if (std::fabs(t->heading - target) > 180) {
        if (t->heading < target)
            target -= 360;
        else
            target += 360;
    }
    float step = (type ? type->turn_rate : 0.0f) * level * dt;
    if (target > t->heading) t->heading += std::min(target - t->heading, step);
    if (target < t->heading) t->heading -= std::min(t->heading - target, step);
    if (dist > stop_distance)
        t->speed = (type ? type->top_speed : 0.0f) * level *
                   drive_factor(static_cast<float>(to_radians(t->heading - target)));

    if (enemy_tank *b = blocking_tank(g, t, type ? type->radius : 0.0f)) {
        float dx = b->x - t->x, dy = b->y - t->y;
        double len = length2d(dx, dy);
        if (len > 0) {
            dx = static_cast<float>(dx / len);
            dy = static_cast<float>(dy / len);
        }
        double h = to_radians(t->heading);
        double side = game_sin(h) * dx + game_cos(h) * dy;
        t->heading = side > 0 ? h0 + step : h0 - step;
        t->speed = -t->speed / 4;
    }

    place_voice(t->engine_fast, t->x, t->y);
    place_voice(t->engine_slow, t->x, t->y);
    if (t->speed > 0) {
        stop_voice(t->engine_slow);
        start_voice(t->engine_fast, SOUND_LOOP);
    } else {
        stop_voice(t->engine_fast);
        start_voice(t->engine_slow, SOUND_LOOP);
    }
    double h = to_radians(t->heading);
    t->vx = static_cast<float>(game_cos(h) * t->speed);
    t->vy = static_cast<float>(game_sin(h) * t->speed);
    return std::fabs(t->heading - target);
}

player_tank *nearest_player_tank(float x, float y, player_tank *list) {
    player_tank *best = nullptr;
    double best_d = SEARCH_LIMIT;
    for (player_tank *t = list; t; t = t->next) {
        if (!(t->alive > 0)) continue;
        double d = length2d(t->x - x, t->y - y);
        if (d < best_d) {
            best = t;
            best_d = d;
        }
    }
    return best;
}

barrel *nearest_ground_barrel(float x, float y, barrel *list) {
    barrel *best = nullptr;
    double best_d = SEARCH_LIMIT;
    for (barrel *b = list; b; b = b->next) {
        if (b->state != BARREL_GROUND) continue;
        double d = length2d(b->x - x, b->y - y);
        if (d < best_d) {
            best = b;
            best_d = d;
        }
    }
    return best;
}

void hunt_player(enemy_tank *t, game_record *g) {
    if (t->carried) {
        drop_barrel(t->carried);
        t->carried = nullptr;
    }
    player_tank *target = nearest_player_tank(t->x, t->y, g->player);
    const struct power_up *p = g->power_up;
    if (p && target && length2d(p->x - t->x, p->y - t->y) < length2d(target->x - t->x, target->y - t->y))
        target = nullptr;

    if (target) {
        float err = steer_tank(g, t, t->level, HUNT_STOP, target->x, target->y);
        if (err < AIM_ERROR && t->reload <= 0 && length2d(t->x, t->y) < ARENA_RADIUS) {
            t->reload = (t->type ? t->type->reload_time : 0.0f) / t->level;
            t->missiles =
                fire_missiles(g, t->missiles, t->x, t->y, t->heading, t->power_ups | MISSILE_ENEMY, t->level);
            play_sound(g, sounds(g).shot, 1.0f, t->x, t->y);
        }
    } else if (p) {
        steer_tank(g, t, t->level, 0.0f, p->x, p->y);
    } else {
        if (length2d(t->x - t->goal_x, t->y - t->goal_y) < AIM_ERROR) pick_roaming_point(t);
        steer_tank(g, t, t->level, 0.0f, t->goal_x, t->goal_y);
    }
    wrap_heading(t);
}

void steal_barrels(enemy_tank *t, game_record *g) {
    float dt = g->tick_seconds;
    if (!t->carried) {
        barrel *b = nearest_ground_barrel(t->x, t->y, g->barrels);
        if (!b) {
            t->behaviour = hunt_player; // nothing left on the ground: hunt from the next tick
        } else {
            float err = steer_tank(g, t, t->level, THIEF_REACH, b->x, b->y);
            double d = length2d(b->x - t->x, b->y - t->y);
            if (d <= GRAB_DISTANCE && err < GRAB_ERROR) {
                play_sound(g, sounds(g).grab, 1.0f, t->x, t->y);
                t->carried = b;
                t->lift_timer = 1.5f / t->level;
                double a = random_unit() * 360;
                t->goal_x = static_cast<float>(ESCAPE_RADIUS * game_cos(to_radians(a)));
                t->goal_y = static_cast<float>(ESCAPE_RADIUS * game_sin(to_radians(a)));
                b->state = BARREL_CARRIED;
            }
        }
    } else if (t->lift_timer > 0) {
        // Hoisting: no steering, so the tank coasts to a stop under friction.
        barrel *b = t->carried;
        t->lift_timer -= dt;
        b->lift = (t->bob + 0.5f) * (1 - t->lift_timer / (1.5f / t->level));
        double h = to_radians(t->heading);
        b->x = static_cast<float>(t->x + THIEF_REACH * game_cos(h));
        b->y = static_cast<float>(t->y + THIEF_REACH * game_sin(h));
        separate_barrels(g, b);
    } else {
        barrel *b = t->carried;
        steer_tank(g, t, t->level, 0.0f, t->goal_x, t->goal_y);
        // Where the nose will be after this tick's motion step.
        double h = to_radians(t->heading);
        b->x = static_cast<float>(t->x + THIEF_REACH * game_cos(h) + t->vx * dt);
        b->y = static_cast<float>(t->y + THIEF_REACH * game_sin(h) + t->vy * dt);
        b->lift = t->bob + 0.5f;
        separate_barrels(g, b);
        if (length2d(b->x, b->y) >= LIFT_BEAM_RADIUS) {
            play_sound(g, sounds(g).lift, 1.5f, b->x, b->y);
            b->state = BARREL_LIFTING;
            b->timer = 1.0f;
            t->carried = nullptr;
        } else {
            b->state = BARREL_CARRIED;
        }
    }
    wrap_heading(t);
}
