// Whole games run by the headless driver: thieves empty an undefended stock, the pilot scores,
// enemies never stray from the rim or play, and a seed with its inputs replays exactly.

#include "combat/combat.h"

#include <gtest/gtest.h>
#include <tuple>

TEST(HeadlessGame, IdlePlayerLosesEveryBarrelAndTheGameEnds) {
    driver_options o;
    o.pilot = PILOT_IDLE;
    o.seconds = 1800;
    o.tick = 0.05f;
    driver_stats st = run_headless_game(o);
    EXPECT_TRUE(st.game_over);
    EXPECT_EQ(st.barrels_left, 0);
    EXPECT_TRUE(st.enemies_placed_well);
}

TEST(HeadlessGame, PilotScoresAndDestroysEnemies) {
    driver_options o;
    o.seconds = 300;
    driver_stats st = run_headless_game(o);
    EXPECT_GT(st.score, 0);
    EXPECT_GT(st.enemies_destroyed, 0);
    EXPECT_TRUE(st.peak_missiles > 0 && st.peak_puffs > 0 && st.peak_explosions > 0);
    EXPECT_TRUE(st.enemies_placed_well);
}

TEST(HeadlessGame, SameSeedAndInputsReplayExactly) {
    driver_options o;
    o.seconds = 120;
    o.seed = 4242;
    auto run = [&] {
        driver_stats s = run_headless_game(o);
        return std::tuple(s.score, s.barrels_left, s.enemies_destroyed, s.player_tanks_lost, s.missiles_fired,
                          s.power_ups_collected, s.peak_puffs, s.ticks);
    };
    auto a = run();
    EXPECT_EQ(a, run());
    o.seed = 4243;
    EXPECT_NE(a, run());
}
