// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The headless game driver: a whole game with no window, no GL and no resources, advanced by
// game_tick exactly as the frame loop would, with the player's tank idle or flown by a simple
// scripted pilot. Tests of the whole game and the tick benchmark are built on it.

#include "combat/combat.h"

#include "core/core.h"
#include "core/game_math.h"
#include "render/render.h"
#include "world/world.h"

#include <cmath>
#include <cstdlib>

namespace {

constexpr float AIM_TOLERANCE = 4.0f; // degrees: fire when lined up this closely
constexpr float TURN_DEADBAND = 1.5f; // degrees: stop turning inside this error
constexpr float SAFE_RADIUS = 45.0f;  // the pilot drives only while this close to the centre
constexpr float CLOSE_RANGE = 20.0f;  // no need to close in further

void set_key(game_record *g, int key, bool down) {
    if (key >= 0 && key < KEY_COUNT) g->key_state[key] = down ? 1 : 0;
}

// Signed difference b - a folded into -180..180 degrees.
float heading_error(float a, float b) {
    float e = std::fmod(b - a, 360.0f);
    if (e > 180) e -= 360;
    if (e < -180) e += 360;
    return e;
}

// Turns towards a point and drives there while roughly facing it.
int steer_towards(const player_tank *me, float x, float y) {
    float bearing = static_cast<float>(to_degrees(game_atan2f(y - me->y, x - me->x)));
    float e = heading_error(me->heading, bearing);
    int actions = 0;
    if (e > TURN_DEADBAND) actions |= ACT_LEFT;
    if (e < -TURN_DEADBAND) actions |= ACT_RIGHT;
    if (std::fabs(e) < 30) actions |= ACT_FORWARD;
    return actions;
}

int pilot_actions(const game_record *g, int pilot) {
    const player_tank *me = g->player;
    if (!me || !(me->alive > 0)) return 0;
    if (pilot == PILOT_COLLECTOR && g->power_up) return steer_towards(me, g->power_up->x, g->power_up->y);
    const enemy_tank *target = nullptr;
    double best = 1e9;
    for (const enemy_tank *t = g->enemies; t; t = t->next) {
        if (!(t->active > 0)) continue;
        double d = length2d(t->x - me->x, t->y - me->y);
        if (d < best) {
            best = d;
            target = t;
        }
    }
    int actions = 0;
    double from_centre = length2d(me->x, me->y);
    if (!target) {
        // Nothing in play: head back towards the centre.
        if (from_centre > 10) actions = steer_towards(me, 0, 0);
        return actions;
    }
    float bearing = static_cast<float>(to_degrees(game_atan2f(target->y - me->y, target->x - me->x)));
    float e = heading_error(me->heading, bearing);
    if (e > TURN_DEADBAND) actions |= ACT_LEFT;
    if (e < -TURN_DEADBAND) actions |= ACT_RIGHT;
    if (std::fabs(e) < AIM_TOLERANCE) actions |= ACT_FIRE;
    // Close in only while well inside the arena and facing inwards of the edge.
    double h = to_radians(me->heading);
    double outward = (me->x * game_cos(h) + me->y * game_sin(h)) / (from_centre > 0 ? from_centre : 1);
    bool safe = from_centre < SAFE_RADIUS || outward < 0;
    if (best > CLOSE_RANGE && std::fabs(e) < 45 && safe) actions |= ACT_FORWARD;
    return actions;
}

int count_missiles(const projectile *p) {
    int n = 0;
    for (; p; p = p->next)
        if (p->flags & MISSILE) ++n;
    return n;
}

template <typename T> int count_list(const T *p) {
    int n = 0;
    for (; p; p = p->next)
        ++n;
    return n;
}

// Every enemy is either still on the entry circle (out of play) or in play.
bool enemies_placed_well(const game_record *g) {
    for (const enemy_tank *t = g->enemies; t; t = t->next) {
        if (t->active > 0) continue;
        if (std::fabs(length2d(t->x, t->y) - RIM_RADIUS) > 1e-3) return false;
    }
    return true;
}

} // namespace

game_record *start_headless_game(const driver_options &options) {
    game_record *g = new_game_record();
    default_settings(&g->settings);
    if (options.smoke_level >= 0 && options.smoke_level <= 5)
        g->settings.smoke_detail = smoke_detail_table[options.smoke_level];
    game = g;
    for (int i = 0; i < KEY_COUNT; ++i)
        key_state[i] = 0;
    last_key = 0;
    seed_random(options.seed);
    register_game_tank_types(g);
    new_game(g);
    if (options.field) {
        noise_reset(); // the noise tables are drawn afresh, as at a process's first frame
        g->field = build_field(180.0f, 180.0f, 25, 25);
    }
    g->flags = FLAG_PLAYING;
    tally = combat_tally{};
    return g;
}

void drive_pilot(game_record *g, const driver_options &options) {
    int actions = options.held_actions;
    if (options.pilot != PILOT_IDLE) actions |= pilot_actions(g, options.pilot);
    const settings_block &s = g->settings;
    set_key(g, s.key_forward, actions & ACT_FORWARD);
    set_key(g, s.key_reverse, actions & ACT_REVERSE);
    set_key(g, s.key_left, actions & ACT_LEFT);
    set_key(g, s.key_right, actions & ACT_RIGHT);
    set_key(g, s.key_fire, actions & ACT_FIRE);
    if (options.power_ups && g->player && g->player->alive > 0) g->player->power_ups |= options.power_ups;
}

void headless_tick(game_record *g, const driver_options &options) {
    g->game_time += options.tick;
    g->tick_seconds = options.tick;
    game_tick();
}

void free_headless_game(game_record *g) {
    if (!g) return;
    if (g->player) free_player_tank(g->player);
    for (enemy_tank *t = g->enemies; t;) {
        enemy_tank *next = t->next;
        free_enemy_tank(t);
        t = next;
    }
    for (explosion *e = g->explosions; e;) {
        explosion *next = e->next;
        free_projectiles(e->debris);
        free(e);
        e = next;
    }
    for (smoke_puff *s = g->smoke; s;) {
        smoke_puff *next = s->next;
        free(s);
        s = next;
    }
    for (barrel *b = g->barrels; b;) {
        barrel *next = b->next;
        free(b);
        b = next;
    }
    free(g->power_up);
    free_geo(g->field);
    for (tank_type *t = g->tank_types; t;) {
        tank_type *next = t->next;
        delete t;
        t = next;
    }
    for (int i = 0; i < KEY_COUNT; ++i)
        key_state[i] = 0;
    if (game == g) game = nullptr;
    free(g);
}

driver_stats run_headless_game(const driver_options &options) {
    return run_headless_game_watched(options, nullptr, nullptr);
}

driver_stats run_headless_game_watched(const driver_options &options,
                                       void (*each)(const game_record *game, long ticks, void *context),
                                       void *context) {
    game_record *g = start_headless_game(options);
    driver_stats st{};
    st.enemies_placed_well = true;
    long ticks = options.tick > 0 ? std::lround(options.seconds / options.tick) : 0;
    for (long i = 0; i < ticks; ++i) {
        drive_pilot(g, options);
        headless_tick(g, options);
        ++st.ticks;
        int missiles = 0;
        for (const player_tank *t = g->player; t; t = t->next)
            missiles += count_missiles(t->missiles);
        for (const enemy_tank *t = g->enemies; t; t = t->next)
            missiles += count_missiles(t->missiles);
        if (missiles > st.peak_missiles) st.peak_missiles = missiles;
        int puffs = count_list(g->smoke);
        if (puffs > st.peak_puffs) st.peak_puffs = puffs;
        int explosions = count_list(g->explosions);
        if (explosions > st.peak_explosions) st.peak_explosions = explosions;
        if (!enemies_placed_well(g)) st.enemies_placed_well = false;
        if (each) each(g, st.ticks, context);
        if ((g->flags & FLAG_GAME_OVER) && options.stop_at_game_over) break;
    }
    st.score = g->score;
    st.barrels_left = g->barrels_left;
    st.enemies_destroyed = tally.enemies_destroyed;
    st.player_tanks_lost = tally.player_tanks_lost;
    st.missiles_fired = tally.missiles_fired;
    st.power_ups_collected = tally.power_ups_collected;
    st.game_over = g->flags & FLAG_GAME_OVER;
    st.game_time = g->game_time;
    free_headless_game(g);
    return st;
}
