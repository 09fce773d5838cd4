// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The one list of what the simulation carries from one tick to the next, in a fixed order, for
// the routines that must see all of it alike: the state fingerprint hashes it, a replay's
// starting state writes it and reads it back. A field added to the game's records belongs here,
// or a game taken up from a snapshot would drift from the one that was recorded.
// A visitor V gives: i32(int &), f32(float &), u32(uint32_t &), state_bits(int &) for the
// record's flags; list(head, make, fields), which
// walks (or, when reading, rebuilds) a singly linked list; pointer fields through their
// stand-ins (a tank type by its name's number, a behaviour by its number, a carried barrel by
// its place in the barrel list, a message by its number); field(game) and random().
#pragma once

#include "combat/combat.h"
#include "core/core.h"
#include "render/render.h"
#include "world/world.h"

#include <cstdlib>

// The player's message, a power-up's line, by number: -1 for none.
inline int message_number(const char *m) {
    for (int i = 0; i < 6; ++i)
        if (m == power_up_messages[i]) return i;
    return -1;
}

inline int behaviour_number(behaviour_routine b) {
    if (b == hunt_player) return 1;
    if (b == steal_barrels) return 2;
    return 0;
}

inline behaviour_routine behaviour_of(int n) {
    return n == 1 ? hunt_player : n == 2 ? steal_barrels : nullptr;
}

template <typename V> void visit_projectiles(V &v, projectile *&head) {
    v.list(
        head, [] { return static_cast<projectile *>(calloc(1, sizeof(projectile))); },
        [&v](projectile *p) {
            for (float *f : {&p->x, &p->y, &p->z, &p->prev_x, &p->prev_y, &p->prev_z, &p->vx, &p->vy, &p->vz})
                v.f32(*f);
            v.i32(p->flags);
            for (float *f :
                 {&p->arm_timer, &p->life, &p->life0, &p->spare, &p->heading, &p->speed, &p->puff_size})
                v.f32(*f);
        });
}

template <typename V> void visit_tank(V &v, tank *t) {
    for (float *f : {&t->x, &t->y, &t->bob, &t->prev_x, &t->prev_y, &t->prev_bob, &t->heading, &t->speed,
                     &t->vx, &t->vy, &t->bob_phase})
        v.f32(*f);
    v.tank_type(t->type);
}

// Everything but the voices, the record's display fields and the lists' memory.
template <typename V> void visit_state(V &v, game_record *g) {
    v.i32(g->score);
    v.f32(g->game_time);
    v.f32(g->thump_timer);
    v.f32(g->tick_seconds);
    // The state bits, but not whether the menu is open, which is the screen's, nor whether the
    // score would enter the table, which is the table's verdict: a replay does not carry the
    // table it was played against, and the tick never reads the bit.
    constexpr int not_the_games = FLAG_MENU | FLAG_QUALIFIES;
    int flags = g->flags & ~not_the_games;
    v.state_bits(flags);
    g->flags = (g->flags & not_the_games) | flags;
    v.i32(g->barrels_left);
    settings_block &s = g->settings;
    v.i32(s.display_flags);
    v.f32(s.smoke_detail);
    // Not the key bindings: the tick reads the actions they make, which a replay keeps.

    // Barrels before the tanks, which may carry one of them.
    v.list(
        g->barrels, [] { return static_cast<barrel *>(calloc(1, sizeof(barrel))); },
        [&v](barrel *b) {
            for (float *f : {&b->x, &b->y, &b->lift, &b->heading})
                v.f32(*f);
            v.i32(b->state);
            v.f32(b->peak);
            v.f32(b->timer);
        });
    v.tanks(g->player, [&v, g](player_tank *t) {
        visit_tank(v, t);
        v.f32(t->alive);
        v.f32(t->shield);
        for (int *i : {&t->respawn_due, &t->actions, &t->power_ups})
            v.i32(*i);
        v.f32(t->reload);
        v.message(t->message);
        v.f32(t->message_timer);
        visit_projectiles(v, t->missiles);
        (void)g;
    });
    v.tanks(g->enemies, [&v, g](enemy_tank *t) {
        visit_tank(v, t);
        v.f32(t->active);
        v.f32(t->level);
        v.behaviour(t->behaviour);
        v.carried(g, t->carried);
        for (float *f : {&t->goal_x, &t->goal_y, &t->lift_timer})
            v.f32(*f);
        v.i32(t->power_ups);
        v.f32(t->reload);
        visit_projectiles(v, t->missiles);
    });
    v.list(
        g->explosions, [] { return static_cast<explosion *>(calloc(1, sizeof(explosion))); },
        [&v](explosion *e) {
            for (float *f : {&e->x, &e->y, &e->flash_radius, &e->timer, &e->duration})
                v.f32(*f);
            v.i32(e->live_debris);
            visit_projectiles(v, e->debris);
        });
    v.list(
        g->smoke, [] { return static_cast<smoke_puff *>(calloc(1, sizeof(smoke_puff))); },
        [&v](smoke_puff *p) {
            for (float *f : {&p->seed, &p->x, &p->y, &p->z, &p->vx, &p->vy, &p->vz, &p->opacity,
                             &p->brightness, &p->size})
                v.f32(*f);
            v.i32(p->kind);
            v.f32(p->life);
            v.f32(p->initial_life);
        });
    v.power_up(g->power_up, [&v](struct power_up *p) {
        for (float *f : {&p->x, &p->y, &p->life, &p->intro})
            v.f32(*f);
        v.i32(p->kind);
    });
    v.field(g);
    v.random();
}
