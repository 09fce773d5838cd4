// Enemy behaviour: the drive factor, the thief's turn-then-grab (the carrying off is proved by
// whole games in test_driver), thieves turning hunter, hunters holding fire outside the arena,
// and backing off from a blocking tank.

#include "combat/combat.h"
#include "core/core.h"
#include "world/world.h"

#include <cmath>
#include <gtest/gtest.h>

namespace {

// A new game with its first enemy in play at the origin (the others wait on the rim, out of
// play) and the player alive there too.
struct Enemies : ::testing::Test {
    game_record *g = start_headless_game({.seed = 9});
    enemy_tank *e = g->enemies;
    void SetUp() override {
        g->tick_seconds = 0.1f;
        e->active = 1;
        e->x = e->y = e->heading = e->speed = 0;
        e->level = 0.5f;
        g->player->alive = 1;
        g->player->x = g->player->y = 0;
    }
    void TearDown() override { free_headless_game(g); }

    // Leaves exactly one barrel standing at (x, y); the others are gone.
    barrel *only_barrel(float x, float y) {
        for (barrel *b = g->barrels; b; b = b->next)
            b->state = BARREL_GONE;
        *g->barrels = {x, y, 0, 0, BARREL_GROUND, 0, 0, g->barrels->next};
        return g->barrels;
    }
};

} // namespace

TEST(DriveFactor, AheadFullAbeamNoneBehindReverses) {
    EXPECT_FLOAT_EQ(drive_factor(0), 1.0f);
    EXPECT_NEAR(drive_factor(1.5707963f), 0.0f, 1e-6);
    EXPECT_NEAR(drive_factor(3.0f), std::cos(3.0f) / 2, 1e-6);            // heading past the bearing: half
    EXPECT_NEAR(drive_factor(-3.0f), std::cos(-3.0f), 1e-6);              // bearing past the heading: full
    EXPECT_NEAR(drive_factor(4.0f), std::cos(4.0f - 3.141592645f), 1e-6); // folded back below pi
}

TEST_F(Enemies, ThiefTurnsInPlaceUntilWithinATenthOfADegreeThenGrabs) {
    g->tick_seconds = 0.001f; // 0.045 degrees of turn per tick at level 0.5
    double off = to_radians(0.2);
    barrel *b =
        only_barrel(static_cast<float>(2.39 * std::cos(off)), static_cast<float>(2.39 * std::sin(off)));
    steal_barrels(e, g);
    steal_barrels(e, g);
    EXPECT_EQ(e->carried, nullptr);
    EXPECT_EQ(e->speed, 0.0f); // inside the stop distance: it does not drive
    steal_barrels(e, g);
    EXPECT_EQ(e->carried, b);
    EXPECT_EQ(b->state, BARREL_CARRIED);
    EXPECT_NEAR(length2d(e->goal_x, e->goal_y), 62.41, 1e-3);
}

TEST_F(Enemies, ThievesTurnHuntersWhenNoGroundBarrelIsLeft) {
    only_barrel(10, 0)->state = BARREL_CARRIED;
    e->behaviour = steal_barrels;
    e->x = e->y = 30;
    run_enemy_behaviours(g, g->enemies);
    EXPECT_EQ(e->behaviour, hunt_player);
}

TEST_F(Enemies, HunterOutsideTheArenaNeverFires) {
    e->x = 70;
    e->heading = 180;
    e->reload = 0;
    for (int i = 0; i < 5; ++i)
        hunt_player(e, g);
    EXPECT_EQ(e->missiles, nullptr);
    e->x = 30; // inside, lined up on the player: fires at once
    hunt_player(e, g);
    ASSERT_NE(e->missiles, nullptr);
    EXPECT_TRUE(e->missiles->flags & MISSILE_ENEMY);
}

TEST_F(Enemies, SteeringTankBacksOffFromABlockingTank) {
    enemy_tank *o = e->next;
    o->active = 1;
    o->x = 3.5f;
    o->y = 0;
    e->speed = 7.5f;
    EXPECT_NEAR(steer_tank(g, e, 0.5f, 0.0f, 40, 0), 4.5f, 1e-4); // the turn of one step replaces the aim
    EXPECT_NEAR(e->heading, -4.5f, 1e-4);                         // side is 0 here: it turns right
    EXPECT_NEAR(e->speed, -7.5f / 4, 1e-5);                       // backing off at a quarter of its speed
    o->x = 30;                                                    // out of the way: full drive again
    e->heading = 0;
    steer_tank(g, e, 0.5f, 0.0f, 40, 0);
    EXPECT_FLOAT_EQ(e->speed, 7.5f);
}
