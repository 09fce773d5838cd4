// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Playing a replay back: the field is built again from the seed it was built from, a new game
// is set up and the recorded starting state read over it; then every frame runs as the live
// frame ran it, through the same ticks, with the recorded controls in place of the keyboard
// and the pad, and without any clock. After each whole second of game time the state's
// fingerprint is held against the recorded one, so a drift is found at the second it starts.

#include "replay/replay.h"

#include "combat/combat.h"
#include "core/core.h"
#include "render/render.h"
#include "world/world.h"

#include <cstdlib>

game_record *start_playback(const replay &r, std::string *error, const game_record *lender) {
    game_record *g = new_game_record();
    default_settings(&g->settings);
    if (lender) {
        g->settings = lender->settings;
        g->pack = lender->pack;
        g->font_lists = lender->font_lists;
        g->tank_types = lender->tank_types;
    } else {
        for (int i = 0; i < KEY_COUNT; ++i)
            key_state[i] = 0;
    }
    game = g;
    if (!lender) register_game_tank_types(g);
    if (!r.field_state.empty()) {
        random_snapshot seed{};
        if (!read_random_state(r.field_state.data(), r.field_state.size(), &seed) || !restore_random(seed)) {
            if (error) *error = "damaged: the field's seed is no generator state";
            if (lender) g->tank_types = nullptr; // the lender's, not to be freed
            free_playback(g);
            return nullptr;
        }
        noise_reset();
        g->field = build_field(180.0f, 180.0f, 25, 25);
    }
    new_game(g);
    std::string fault;
    if (!load_game_state(g, r.start_state.data(), r.start_state.size(), &fault)) {
        if (error) *error = "damaged: the starting state has " + fault;
        if (lender) g->tank_types = nullptr;
        free_playback(g);
        return nullptr;
    }
    return g;
}

void play_replay_frame(game_record *g, const replay &r, size_t index) {
    const replay_frame &f = r.frames[index];
    for (const replay_setting &s : r.settings)
        if (s.frame == index) {
            g->settings.display_flags = s.display_flags;
            g->settings.smoke_detail = s.smoke_detail;
        }
    g->game_time += f.dt_ms / 1000.0;
    g->frame_ms = f.dt_ms;
    if (f.kind == FRAME_MENU) {
        // The menu's frame: its time passes and it draws once; the game stands.
        g->flags |= FLAG_MENU;
        g->tick_seconds = f.dt_ms / 1000.0;
        game_rand();
        return;
    }
    g->flags &= ~FLAG_MENU;
    if (!(g->flags & FLAG_PLAYING) || (g->flags & FLAG_GAME_OVER)) return; // the game is over
    replayed_actions = f.actions;
    play_frame_ticks(g, f.dt_ms);
    replayed_actions = -1;
}

bool begin_playback(playback_cursor *c, const replay &r, std::string *error, const game_record *lender) {
    *c = playback_cursor{};
    c->r = &r;
    c->game = start_playback(r, error, lender);
    c->first_tick = game_ticks_run;
    return c->game != nullptr;
}

bool playback_over(const playback_cursor &c) {
    return c.outcome != PLAYBACK_VERIFIED || c.frame >= c.r->frames.size();
}

bool step_playback(playback_cursor *c) {
    if (playback_over(*c)) return false;
    const replay &r = *c->r;
    size_t i = c->frame++;
    play_replay_frame(c->game, r, i);
    c->played_ms += static_cast<uint32_t>(r.frames[i].dt_ms);
    if (r.frames[i].kind != FRAME_PLAY) return true;
    while (c->game->game_time >= c->next_second) {
        if (c->checkpoint >= r.checkpoints.size() ||
            r.checkpoints[c->checkpoint] != state_fingerprint(c->game)) {
            c->outcome = PLAYBACK_DRIFTED;
            c->drift_second = static_cast<uint32_t>(c->checkpoint + 1);
            return false;
        }
        ++c->checkpoint;
        c->next_second += 1;
    }
    return true;
}

void finish_playback_check(playback_cursor *c) {
    if (c->outcome != PLAYBACK_VERIFIED) return;
    if (c->checkpoint != c->r->checkpoints.size() || state_fingerprint(c->game) != c->r->final_fingerprint) {
        c->outcome = PLAYBACK_DRIFTED;
        c->drift_second = static_cast<uint32_t>(c->checkpoint);
    }
}

playback_result verify_replay(const replay &r) {
    playback_result out;
    if (r.simulation != SIMULATION_VERSION) {
        out.outcome = PLAYBACK_OTHER_SIMULATION;
        return out;
    }
    playback_cursor c;
    if (!begin_playback(&c, r, &out.fault)) return out;
    while (step_playback(&c)) {
    }
    finish_playback_check(&c);
    out.outcome = c.outcome;
    out.drift_second = c.drift_second;
    out.score = c.game->score;
    out.ticks = static_cast<uint32_t>(game_ticks_run - c.first_tick);
    out.fingerprint = state_fingerprint(c.game);
    free_playback(c.game);
    return out;
}

void free_playback(game_record *g) {
    free_headless_game(g);
}
