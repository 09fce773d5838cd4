// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Player control: the bound keys become actions, and the player's tank's per-tick update
// (respawn, shield, arena clamp, ramming, power-up pick-up, drive, turn, fire, reload).
// Keys act while held; there is no edge detection, so holding fire repeats at the reload rate.

#include "combat/combat.h"

#include "audio/audio.h"
#include "core/core.h"
#include "core/pad.h"
#include "render/render.h"
#include "world/world.h"

#include <cmath>

static bool held(const game_record *g, int key) {
    return key >= 0 && key < KEY_COUNT && g->key_state[key];
}

int replayed_actions = -1;

int held_actions(const game_record *g) {
    const settings_block &s = g->settings;
    int actions = 0;
    if (held(g, s.key_forward)) actions |= ACT_FORWARD;
    if (held(g, s.key_reverse)) actions |= ACT_REVERSE;
    if (held(g, s.key_left)) actions |= ACT_LEFT;
    if (held(g, s.key_right)) actions |= ACT_RIGHT;
    if (held(g, s.key_fire)) actions |= ACT_FIRE;
    return actions | pad_actions();
}

void read_controls(game_record *g, player_tank *t) {
    if (!t) return;
    t->actions = 0;
    if (!(t->alive > 0)) return;
    t->actions = replayed_actions >= 0 ? replayed_actions : held_actions(g);
}

static sound *shot_sound(game_record *g) {
    static bool loaded = false;
    static sound *shot = nullptr;
    if (!loaded) {
        shot = load_sound(g, "audio_shot", 1.0f, 0);
        loaded = true;
    }
    return shot;
}

void update_player_tanks(game_record *g, player_tank *list) {
    float dt = g->tick_seconds;
    sound *shot = shot_sound(g);
    for (player_tank *t = list; t; t = t->next) {
        if (t->message_timer != 0) t->message_timer -= dt;
        if (!(t->alive > 0)) {
            stop_voice(t->engine_fast);
            stop_voice(t->engine_slow);
            t->alive += dt;
            continue;
        }
        if (t->respawn_due) respawn_player_tank(t);
        if (t->shield > 0) t->shield -= dt;

        const tank_type *type = t->type;
        float radius = type ? type->radius : 0.0f;
        float limit = ARENA_RADIUS - radius;
        double d = length2d(t->x, t->y);
        if (d > limit) {
            t->x = static_cast<float>(t->x * (limit / d));
            t->y = static_cast<float>(t->y * (limit / d));
        }

        // Ramming: our own tank is skipped by its own probe; every enemy touched is destroyed.
        int h = hit_player_tanks(g, t->x, t->y, t->vx, t->vy, radius);
        h += hit_enemy_tanks(g, t->x, t->y, t->vx, t->vy, radius);
        if (h != 0) make_explosion(g, t->x, t->y, radius);

        player_take_power_up(g, t);

        float top_speed = type ? type->top_speed : 0.0f;
        if (t->actions & ACT_FORWARD) {
            t->speed = top_speed;
            stop_voice(t->engine_slow);
            start_voice(t->engine_fast, SOUND_LOOP);
        } else if (t->actions & ACT_REVERSE) {
            t->speed = -0.5f * top_speed;
            stop_voice(t->engine_slow);
            start_voice(t->engine_fast, SOUND_LOOP);
        } else {
            stop_voice(t->engine_fast);
            start_voice(t->engine_slow, SOUND_LOOP);
        }
        place_voice(t->engine_fast, t->x, t->y);
        place_voice(t->engine_slow, t->x, t->y);

        float turn_rate = type ? type->turn_rate : 0.0f;
        if (t->actions & ACT_LEFT) t->heading += turn_rate * dt;
        if (t->actions & ACT_RIGHT) t->heading -= turn_rate * dt;
        if (t->heading > 360) t->heading -= 360;
        if (t->heading < 0) t->heading += 360;

        if (t->reload <= 0 && (t->actions & ACT_FIRE)) {
            t->shield = 0.0f;
            t->reload = type ? type->reload_time : 0.0f;
            g->score -= 1;
            t->missiles = fire_missiles(g, t->missiles, t->x, t->y, t->heading, t->power_ups, 1.0f);
            play_sound(g, shot, 1.0f, t->x, t->y);
        }
        if (t->reload > 0) t->reload -= dt;
    }
}
