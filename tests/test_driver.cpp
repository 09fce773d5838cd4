// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Whole games run by the headless driver. The simulation is deterministic for a seed and its
// inputs, so each game's outcome is pinned: any change to a rule of play, to the order of the
// random draws or to the float arithmetic shows up as a different outcome here (and, tick by
// tick, in tests/sim/golden.txt).

#include "combat/combat.h"
#include "core/core.h"
#include "render/render.h"
#include "world/world.h"

#include <cmath>
#include <gtest/gtest.h>
#include <tuple>

// Score, barrels, destroyed, lost, missiles, power-ups, peaks, over, ticks.
using outcome = std::tuple<int, int, long, long, long, long, int, int, int, bool, long>;

static outcome outcome_of(const driver_stats &s) {
    return outcome(s.score, s.barrels_left, s.enemies_destroyed, s.player_tanks_lost, s.missiles_fired,
                   s.power_ups_collected, s.peak_missiles, s.peak_puffs, s.peak_explosions, s.game_over,
                   s.ticks);
}

const struct {
    const char *what;
    driver_options options;
    outcome expected;
} games[] = {
    {"an idle player loses every barrel",
     {.seed = 17, .seconds = 1800, .tick = 0.05f, .pilot = PILOT_IDLE},
     {-2500, 0, 8, 33, 216, 20, 10, 175, 13, true, 5019}},
    {"the pilot defends",
     {.seed = 17, .seconds = 300, .tick = 0.02f, .pilot = PILOT_SCRIPTED},
     {9350, 18, 104, 3, 760, 3, 4, 129, 10, false, 15000}},
};

TEST(HeadlessGame, SeededGamesHaveTheirPinnedOutcome) {
    for (const auto &c : games) {
        SCOPED_TRACE(c.what);
        driver_options o = c.options;
        driver_stats s = run_headless_game(o);
        // The same on every system: the simulation's math is the game's own (core/game_math.h).
        EXPECT_EQ(outcome_of(s), c.expected);
        // Every point comes from a kill, a loss or a shot of the player's (one per trigger pull).
        EXPECT_LE(s.score, 100 * (s.enemies_destroyed - s.player_tanks_lost));
        o.seed += 1;
        EXPECT_NE(outcome_of(run_headless_game(o)), c.expected) << "the seed decides the game";
    }

    // The smoke level picks a spacing from the menu's table; a level beyond it keeps the default.
    for (auto [level, spacing] : {std::pair(-1, 1.5f), {0, 3.0f}, {5, 0.5f}, {6, 1.5f}}) {
        game_record *g = start_headless_game({.smoke_level = level});
        EXPECT_EQ(g->settings.smoke_detail, spacing) << level;
        free_headless_game(g);
    }
}

// The fingerprint stands for the whole state: changing any part of it, however slightly, changes
// the 64 bits; two games played alike agree, wherever their records lie in memory.
TEST(StateFingerprint, EveryPartOfTheStateCountsAndNothingElse) {
    driver_options o{.seed = 5, .seconds = 40, .tick = 0.02f, .pilot = PILOT_SCRIPTED, .field = true};
    auto played = [&] {
        game_record *g = start_headless_game(o);
        for (int i = 0; i < 2000 && !(g->explosions && g->smoke && g->power_up); ++i) {
            drive_pilot(g, o);
            headless_tick(g, o);
        }
        return g;
    };
    game_record *g = played();
    ASSERT_TRUE(g->explosions && g->smoke && g->power_up) << "a game with every kind of object";
    const uint64_t base = state_fingerprint(g);
    game_record *again = played();
    EXPECT_EQ(state_fingerprint(again), base) << "the same game, other records";
    free_headless_game(again);
    game = g;

    const struct {
        const char *part;
        void (*change)(game_record *);
        void (*undo)(game_record *);
    } parts[] = {
        {"score", [](game_record *r) { r->score++; }, [](game_record *r) { r->score--; }},
        {"player heading",
         [](game_record *r) { r->player->heading = std::nextafter(r->player->heading, 1e9f); },
         [](game_record *r) { r->player->heading = std::nextafter(r->player->heading, -1e9f); }},
        {"enemy behaviour",
         [](game_record *r) {
             r->enemies->behaviour = r->enemies->behaviour == hunt_player ? steal_barrels : hunt_player;
         },
         [](game_record *r) {
             r->enemies->behaviour = r->enemies->behaviour == hunt_player ? steal_barrels : hunt_player;
         }},
        {"barrel state", [](game_record *r) { r->barrels->state ^= 8; },
         [](game_record *r) { r->barrels->state ^= 8; }},
        {"explosion timer",
         [](game_record *r) { r->explosions->timer = std::nextafter(r->explosions->timer, 1e9f); },
         [](game_record *r) { r->explosions->timer = std::nextafter(r->explosions->timer, -1e9f); }},
        {"smoke life", [](game_record *r) { r->smoke->life = std::nextafter(r->smoke->life, 1e9f); },
         [](game_record *r) { r->smoke->life = std::nextafter(r->smoke->life, -1e9f); }},
        {"power-up kind", [](game_record *r) { r->power_up->kind ^= 1; },
         [](game_record *r) { r->power_up->kind ^= 1; }},
        {"field height",
         [](game_record *r) { r->field->vertices[1] = std::nextafter(r->field->vertices[1], 1e9f); },
         [](game_record *r) { r->field->vertices[1] = std::nextafter(r->field->vertices[1], -1e9f); }},
        {"smoke setting", [](game_record *r) { r->settings.display_flags ^= SHOW_SMOKE; },
         [](game_record *r) { r->settings.display_flags ^= SHOW_SMOKE; }},
    };
    for (const auto &p : parts) {
        p.change(g);
        EXPECT_NE(state_fingerprint(g), base) << p.part;
        p.undo(g);
        EXPECT_EQ(state_fingerprint(g), base) << p.part << " put back";
    }
    random_snapshot before = save_random();
    game_rand();
    EXPECT_NE(state_fingerprint(g), base) << "one draw from the generator";
    ASSERT_TRUE(restore_random(before));
    EXPECT_EQ(state_fingerprint(g), base);
    random_snapshot impossible = before;
    impossible.front = (impossible.front + 1) % 31;
    EXPECT_FALSE(restore_random(impossible)) << "indices no generator can have";
    EXPECT_EQ(state_fingerprint(g), base) << "and the generator is left as it was";
    free_headless_game(g);
}
