// Whole games run by the headless driver: thieves empty an undefended stock, the pilot scores,
// enemies never stray from the rim or play, and a seed with its inputs replays exactly.

#include "combat/combat.h"

#include <gtest/gtest.h>

namespace {

driver_options idle_for(float seconds) {
    driver_options o;
    o.pilot = PILOT_IDLE;
    o.seconds = seconds;
    o.tick = 0.05f;
    return o;
}

} // namespace

TEST(HeadlessGame, IdlePlayerLosesEveryBarrelAndTheGameEnds) {
    driver_stats st = run_headless_game(idle_for(1800));
    EXPECT_TRUE(st.game_over);
    EXPECT_EQ(st.barrels_left, 0);
    EXPECT_LE(st.score, 0);
    EXPECT_TRUE(st.enemies_placed_well);
    std::printf("idle: ended at %.1f s, score %d, lost %ld\n", st.game_time, st.score, st.player_tanks_lost);
}

TEST(HeadlessGame, PilotScoresAndDestroysEnemies) {
    driver_options o;
    o.seconds = 300;
    o.tick = 0.02f;
    driver_stats st = run_headless_game(o);
    EXPECT_GT(st.score, 0);
    EXPECT_GT(st.enemies_destroyed, 0);
    EXPECT_GT(st.missiles_fired, 0);
    EXPECT_GT(st.peak_missiles, 0);
    EXPECT_GT(st.peak_explosions, 0);
    EXPECT_GT(st.peak_puffs, 0);
    EXPECT_TRUE(st.enemies_placed_well);
    std::printf(
        "pilot: score %d, destroyed %ld, lost %ld, fired %ld, power-ups %ld, barrels %d, peaks %d/%d/%d\n",
        st.score, st.enemies_destroyed, st.player_tanks_lost, st.missiles_fired, st.power_ups_collected,
        st.barrels_left, st.peak_missiles, st.peak_puffs, st.peak_explosions);
}

TEST(HeadlessGame, SameSeedAndInputsReplayExactly) {
    driver_options o;
    o.seconds = 120;
    o.seed = 4242;
    driver_stats a = run_headless_game(o);
    driver_stats b = run_headless_game(o);
    EXPECT_EQ(a.score, b.score);
    EXPECT_EQ(a.barrels_left, b.barrels_left);
    EXPECT_EQ(a.enemies_destroyed, b.enemies_destroyed);
    EXPECT_EQ(a.player_tanks_lost, b.player_tanks_lost);
    EXPECT_EQ(a.missiles_fired, b.missiles_fired);
    EXPECT_EQ(a.power_ups_collected, b.power_ups_collected);
    EXPECT_EQ(a.peak_puffs, b.peak_puffs);
    EXPECT_EQ(a.ticks, b.ticks);
    o.seed = 4243;
    driver_stats c = run_headless_game(o);
    EXPECT_FALSE(c.score == a.score && c.missiles_fired == a.missiles_fired && c.peak_puffs == a.peak_puffs);
}

TEST(HeadlessGame, StressedPlayerStaysSound) {
    driver_options o;
    o.seconds = 60;
    o.held_actions = ACT_FIRE;
    o.power_ups = MISSILE_SCATTER | MISSILE_MULTI | MISSILE_FAST | MISSILE_EXPLOSIVE;
    o.smoke_level = 5;
    driver_stats st = run_headless_game(o);
    EXPECT_GE(st.missiles_fired, 9 * 150);
    EXPECT_TRUE(st.enemies_placed_well);
}
