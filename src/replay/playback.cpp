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

game_record *start_playback(const replay &r, std::string *error) {
    game_record *g = new_game_record();
    default_settings(&g->settings);
    game = g;
    for (int i = 0; i < KEY_COUNT; ++i)
        key_state[i] = 0;
    register_game_tank_types(g);
    if (!r.field_state.empty()) {
        random_snapshot seed{};
        if (!read_random_state(r.field_state.data(), r.field_state.size(), &seed) || !restore_random(seed)) {
            if (error) *error = "damaged: the field's seed is no generator state";
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

playback_result verify_replay(const replay &r) {
    playback_result out;
    if (r.simulation != SIMULATION_VERSION) {
        out.outcome = PLAYBACK_OTHER_SIMULATION;
        return out;
    }
    game_record *g = start_playback(r, &out.fault);
    if (!g) return out;
    long first_tick = game_ticks_run;
    double next_second = 1;
    size_t checkpoint = 0;
    out.outcome = PLAYBACK_VERIFIED;
    for (size_t i = 0; i < r.frames.size() && out.outcome == PLAYBACK_VERIFIED; ++i) {
        play_replay_frame(g, r, i);
        if (r.frames[i].kind != FRAME_PLAY) continue;
        while (g->game_time >= next_second && out.outcome == PLAYBACK_VERIFIED) {
            if (checkpoint >= r.checkpoints.size() || r.checkpoints[checkpoint] != state_fingerprint(g)) {
                out.outcome = PLAYBACK_DRIFTED;
                out.drift_second = static_cast<uint32_t>(checkpoint + 1);
            }
            ++checkpoint;
            next_second += 1;
        }
    }
    out.score = g->score;
    out.ticks = static_cast<uint32_t>(game_ticks_run - first_tick);
    out.fingerprint = state_fingerprint(g);
    if (out.outcome == PLAYBACK_VERIFIED &&
        (checkpoint != r.checkpoints.size() || out.fingerprint != r.final_fingerprint)) {
        out.outcome = PLAYBACK_DRIFTED;
        out.drift_second = static_cast<uint32_t>(checkpoint);
    }
    free_playback(g);
    return out;
}

void free_playback(game_record *g) {
    free_headless_game(g);
}
