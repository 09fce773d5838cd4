// Whole games run by the headless driver. The simulation is deterministic for a seed and its
// inputs, so each game's outcome is pinned: any change to a rule of play, to the order of the
// random draws or to the float arithmetic shows up as a different outcome here.

#include "combat/combat.h"

#include <gtest/gtest.h>
#include <tuple>

namespace {

using outcome = std::tuple<int, int, long, long, long, long, int, int, int, bool, long>;

outcome outcome_of(const driver_stats &s) {
    return {s.score,
            s.barrels_left,
            s.enemies_destroyed,
            s.player_tanks_lost,
            s.missiles_fired,
            s.power_ups_collected,
            s.peak_missiles,
            s.peak_puffs,
            s.peak_explosions,
            s.game_over,
            s.ticks};
}

struct game_case {
    const char *what;
    unsigned seed;
    float seconds, tick;
    int pilot, power_ups, smoke_level;
    outcome expected; // score, barrels, destroyed, lost, missiles, power-ups, peaks, over, ticks
};

const game_case games[] = {
    {"an idle player loses every barrel",
     17,
     1800,
     0.05f,
     PILOT_IDLE,
     0,
     -1,
     {-2200, 0, 13, 35, 201, 20, 10, 175, 13, true, 5896}},
    {"the pilot defends",
     17,
     300,
     0.02f,
     PILOT_SCRIPTED,
     0,
     -1,
     {9350, 18, 104, 3, 760, 3, 4, 129, 10, false, 15000}},
};

} // namespace

TEST(HeadlessGame, SeededGamesHaveTheirPinnedOutcome) {
    for (const game_case &c : games) {
        SCOPED_TRACE(c.what);
        driver_options o;
        o.seed = c.seed;
        o.seconds = c.seconds;
        o.tick = c.tick;
        o.pilot = c.pilot;
        o.power_ups = c.power_ups;
        o.smoke_level = c.smoke_level;
        driver_stats s = run_headless_game(o);
        EXPECT_EQ(outcome_of(s), c.expected);
        // Every point comes from a kill, a loss or a shot of the player's (one per trigger pull).
        EXPECT_LE(s.score, 100 * (s.enemies_destroyed - s.player_tanks_lost));
        o.seed += 1;
        EXPECT_NE(outcome_of(run_headless_game(o)), c.expected) << "the seed decides the game";
    }
}
