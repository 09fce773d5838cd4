// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The state fingerprint: one 64-bit FNV-1a hash over every value the simulation carries from
// one tick to the next, taken field by field in a fixed order (never as raw memory, whose
// padding and pointers differ between runs and systems). Floats enter by their bits, so two
// fingerprints agree only where the games agree to the last bit. Pointers enter as what they
// stand for: a tank's type by its name, a behaviour by which one it is, a carried barrel by
// its place in the barrel list.

#include "core/core.h"

#include "combat/combat.h"
#include "render/render.h"
#include "world/world.h"

#include <cstring>

namespace {

struct hasher {
    uint64_t h = 14695981039346656037ull;

    void bytes(const void *p, size_t n) {
        const auto *b = static_cast<const unsigned char *>(p);
        for (size_t i = 0; i < n; ++i)
            h = (h ^ b[i]) * 1099511628211ull;
    }
    void u32(uint32_t v) {
        unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                              static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
        bytes(b, 4);
    }
    void i32(int v) { u32(static_cast<uint32_t>(v)); }
    void f32(float v) {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        u32(bits);
    }
    void text(const char *s) {
        if (!s) s = "";
        bytes(s, std::strlen(s) + 1);
    }
    // Each list ends with a mark, so that records cannot slide from one list into the next.
    void end_of_list() { u32(0xfeedf00du); }
};

void hash_projectiles(hasher &h, const projectile *p) {
    for (; p; p = p->next) {
        for (float v : {p->x, p->y, p->z, p->prev_x, p->prev_y, p->prev_z, p->vx, p->vy, p->vz})
            h.f32(v);
        h.i32(p->flags);
        for (float v : {p->arm_timer, p->life, p->life0, p->spare, p->heading, p->speed, p->puff_size})
            h.f32(v);
    }
    h.end_of_list();
}

void hash_tank(hasher &h, const tank *t) {
    for (float v : {t->x, t->y, t->bob, t->prev_x, t->prev_y, t->prev_bob, t->heading, t->speed, t->vx, t->vy,
                    t->bob_phase})
        h.f32(v);
    h.text(t->type ? t->type->name.c_str() : nullptr);
}

int behaviour_number(behaviour_routine b) {
    if (!b) return 0;
    if (b == hunt_player) return 1;
    if (b == steal_barrels) return 2;
    return 3;
}

int barrel_index(const game_record *g, const barrel *b) {
    if (!b) return -1;
    int i = 0;
    for (const barrel *p = g->barrels; p; p = p->next, ++i)
        if (p == b) return i;
    return -2; // a barrel that is not in the list
}

} // namespace

uint64_t state_fingerprint(const game_record *g) {
    hasher h;
    h.i32(g->score);
    h.f32(g->game_time);
    h.f32(g->thump_timer);
    h.f32(g->tick_seconds);
    h.i32(g->flags);
    h.i32(g->barrels_left);
    const settings_block &s = g->settings;
    h.i32(s.display_flags);
    h.f32(s.smoke_detail);
    for (int k : {s.key_left, s.key_right, s.key_forward, s.key_reverse, s.key_fire})
        h.i32(k);

    for (const player_tank *t = g->player; t; t = t->next) {
        hash_tank(h, t);
        for (float v : {t->alive, t->shield})
            h.f32(v);
        for (int v : {t->respawn_due, t->actions, t->power_ups})
            h.i32(v);
        h.f32(t->reload);
        h.text(t->message);
        h.f32(t->message_timer);
        hash_projectiles(h, t->missiles);
    }
    h.end_of_list();
    for (const enemy_tank *t = g->enemies; t; t = t->next) {
        hash_tank(h, t);
        h.f32(t->active);
        h.f32(t->level);
        h.i32(behaviour_number(t->behaviour));
        h.i32(barrel_index(g, t->carried));
        for (float v : {t->goal_x, t->goal_y, t->lift_timer})
            h.f32(v);
        h.i32(t->power_ups);
        h.f32(t->reload);
        hash_projectiles(h, t->missiles);
    }
    h.end_of_list();
    for (const barrel *b = g->barrels; b; b = b->next) {
        for (float v : {b->x, b->y, b->lift, b->heading})
            h.f32(v);
        h.i32(b->state);
        h.f32(b->peak);
        h.f32(b->timer);
    }
    h.end_of_list();
    for (const explosion *e = g->explosions; e; e = e->next) {
        for (float v : {e->x, e->y, e->flash_radius, e->timer, e->duration})
            h.f32(v);
        h.i32(e->live_debris);
        hash_projectiles(h, e->debris);
    }
    h.end_of_list();
    for (const smoke_puff *p = g->smoke; p; p = p->next) {
        for (float v : {p->seed, p->x, p->y, p->z, p->vx, p->vy, p->vz, p->opacity, p->brightness, p->size})
            h.f32(v);
        h.i32(p->kind);
        h.f32(p->life);
        h.f32(p->initial_life);
    }
    h.end_of_list();
    if (const power_up *p = g->power_up) {
        for (float v : {p->x, p->y, p->life, p->intro})
            h.f32(v);
        h.i32(p->kind);
    }
    h.end_of_list();
    if (g->field)
        for (float v : g->field->vertices)
            h.f32(v);
    h.end_of_list();

    random_snapshot r = save_random();
    for (uint32_t w : r.word)
        h.u32(w);
    h.i32(r.front);
    h.i32(r.rear);
    return h.h;
}
