// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Enemy behaviour: the drive factor, the thief's turn-then-grab, hoist and hand-off to the
// lift beam, thieves turning hunter, the hunter's reload, holding distance and holding fire
// outside the arena, a new enemy's first roaming point, and backing off from a blocking tank.

#include "combat/combat.h"
#include "core/core.h"
#include "world/world.h"

#include <cmath>
#include <gtest/gtest.h>
#include <tuple>

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
    // Not lined up yet, and inside the stop distance: it does not drive.
    EXPECT_TRUE(!e->carried && e->speed == 0) << e->speed;
    steal_barrels(e, g);
    EXPECT_EQ(std::pair(e->carried, b->state), std::pair(b, int(BARREL_CARRIED)));
    EXPECT_NEAR(length2d(e->goal_x, e->goal_y), 62.41, 1e-3);
}

TEST_F(Enemies, ThiefHoistsOnItsNoseHandsTheBarrelToTheBeamThenTurnsHunter) {
    barrel *b = only_barrel(2.4f, 0);
    e->carried = b;
    b->state = BARREL_CARRIED;
    e->lift_timer = 1.5f / e->level; // three seconds of hoist at level 0.5
    e->bob = 0.1f;
    e->goal_x = 62.41f, e->goal_y = 0;
    steal_barrels(e, g);
    EXPECT_NEAR(b->lift, 0.6f * 0.1f / 3, 1e-5) << "a thirtieth of the way up after 0.1 s";
    EXPECT_NEAR(b->x, 2.4f, 1e-5);
    EXPECT_EQ(e->speed, 0.0f) << "no steering while hoisting";
    e->lift_timer = 0;
    e->x = 59.5f; // the nose at 61.9 plus this tick's motion reaches the beam at 62
    steal_barrels(e, g);
    EXPECT_TRUE(b->state == BARREL_LIFTING && b->timer == 1.0f && !e->carried);
    EXPECT_NEAR(b->lift, 0.6f, 1e-6);
    e->behaviour = steal_barrels; // no barrel is left on the ground now
    run_enemy_behaviours(g, g->enemies);
    EXPECT_EQ(e->behaviour, hunt_player);
}

TEST_F(Enemies, HunterHoldsItsDistanceReloadsAndHoldsFireOutsideTheArena) {
    // x, reload, fires, speed after: a grunt at level 0.5 lined up on the player at the origin.
    using step = std::tuple<float, float, bool, float>;
    for (auto [x, reload, fires, speed_after] :
         {step{70, 0, false, 7.5f}, // outside the arena: drives in without firing
          step{30, 0.05f, false, 7.5f}, step{30, 0, true, 7.5f},
          step{9.9f, 0, true, 0}}) { // inside the holding distance it keeps the speed it had (0)
        SCOPED_TRACE(x);
        free_projectiles(e->missiles);
        e->missiles = nullptr;
        e->x = x;
        e->heading = 180;
        e->speed = 0;
        e->reload = reload;
        hunt_player(e, g);
        EXPECT_EQ(e->missiles != nullptr, fires);
        EXPECT_NEAR(e->speed, speed_after, 1e-4);
        if (fires) {
            EXPECT_TRUE(e->missiles->flags & MISSILE_ENEMY);
            EXPECT_FLOAT_EQ(e->reload, 6.0f) << "three seconds at level 0.5";
        }
    }
}

TEST(NewEnemies, FirstRoamingPointLiesAQuarterToThreeQuartersOfTheArenaOut) {
    float nearest = 1e9f, farthest = 0;
    for (unsigned seed = 1; seed <= 40; ++seed) {
        game_record *g = start_headless_game({.seed = seed});
        for (enemy_tank *t = g->enemies; t; t = t->next) {
            float d = static_cast<float>(length2d(t->goal_x, t->goal_y));
            nearest = std::min(nearest, d);
            farthest = std::max(farthest, d);
            EXPECT_NEAR(length2d(t->x, t->y), RIM_RADIUS, 1e-3) << "enters from the rim";
        }
        free_headless_game(g);
    }
    EXPECT_TRUE(nearest >= 15.0f && nearest < 18.0f) << nearest;
    EXPECT_TRUE(farthest <= 45.0f && farthest > 42.0f) << farthest;
}

TEST_F(Enemies, SteeringTankBacksOffFromABlockingTank) {
    enemy_tank *o = e->next;
    o->active = 1;
    o->x = 3.5f, o->y = 0;
    e->speed = 7.5f;
    EXPECT_NEAR(steer_tank(g, e, 0.5f, 0.0f, 40, 0), 4.5f, 1e-4); // the turn of one step replaces the aim
    EXPECT_NEAR(e->heading, -4.5f, 1e-4);                         // side is 0 here: it turns right
    EXPECT_NEAR(e->speed, -7.5f / 4, 1e-5);                       // backing off at a quarter of its speed
    o->x = 30;                                                    // out of the way: full drive again
    e->heading = 0;
    steer_tank(g, e, 0.5f, 0.0f, 40, 0);
    EXPECT_FLOAT_EQ(e->speed, 7.5f);
}
