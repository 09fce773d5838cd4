// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Tank rules: the motion step's friction, the collision probes with the shield, ramming between
// enemies, an enemy out of play for the rest of the tick that destroyed it, and the player's
// controls, clamp and firing cadence.

#include "combat/combat.h"
#include "core/core.h"

#include <cmath>
#include <gtest/gtest.h>
#include <tuple>

static double rim_distance(const tank *t) {
    return std::fabs(length2d(t->x, t->y) - RIM_RADIUS);
}

// A new game (the enemies wait on the rim, out of play) with the player alive at the centre.
struct Tanks : ::testing::Test {
    game_record *g = start_headless_game({.seed = 5});
    player_tank *p = g->player;
    void SetUp() override {
        g->tick_seconds = 0.1f;
        p->alive = 1;
        p->shield = p->x = p->y = 0;
    }
    void TearDown() override { free_headless_game(g); }

    // Puts enemy i in play at a point, standing still.
    enemy_tank *stage(int i, float x, float y) {
        enemy_tank *t = g->enemies;
        while (i-- > 0)
            t = t->next;
        t->x = x, t->y = y;
        t->heading = t->speed = t->vx = t->vy = 0;
        t->active = 1.0f;
        return t;
    }
    void control(std::initializer_list<int> keys, bool down) {
        for (int key : keys)
            g->key_state[key] = down;
        read_controls(g, p);
        update_player_tanks(g, p);
    }
};

TEST_F(Tanks, FrictionKeepsOneOverOnePointTwoOneOfTheSpeedPerTenthOfASecond) {
    p->speed = 35;
    p->heading = 0;
    move_tank(g, p);
    EXPECT_FLOAT_EQ(p->x, 3.5f);
    EXPECT_NEAR(p->speed, 35 / 1.21, 1e-4);
    move_tank(g, p);
    EXPECT_NEAR(p->speed, 35 / 1.21 / 1.21, 1e-4);
}

TEST_F(Tanks, TwoEnemiesThatTouchBothBlowUpForTwoHundredAShieldOutlastsRamming) {
    enemy_tank *a = stage(0, 10, 0), *b = stage(1, 12, 0);
    p->x = -40;
    update_enemy_tanks(g, g->enemies);
    EXPECT_EQ(g->score, 200);
    EXPECT_LT(rim_distance(a) + rim_distance(b), 1e-3);
    EXPECT_NE(g->explosions, nullptr);

    // A shielded player survives the probes and ramming until the shield runs out.
    p->x = 0;
    p->shield = 2;
    EXPECT_EQ(hit_player_tanks(g, 0.5f, 0, 0, 0, 0.1f), 0);
    stage(0, 1, 0);
    update_enemy_tanks(g, g->enemies);
    EXPECT_GT(p->alive, 0.0f);
    EXPECT_EQ(g->score, 200); // no points for ramming a shield
    p->shield = 0;
    EXPECT_EQ(hit_player_tanks(g, 0.5f, 0, 0, 0, 0.1f), 1);
    EXPECT_EQ(std::tuple(p->alive, p->respawn_due, g->score), std::tuple(-2.0f, 1, 100));
}

TEST_F(Tanks, EnemyDestroyedByAMissileSitsOutTheRestOfThatTick) {
    p->x = -30;
    enemy_tank *e = stage(2, 20, 0);
    static int runs;
    runs = 0;
    e->behaviour = [](enemy_tank *, game_record *) { ++runs; };
    p->missiles = fire_missiles(g, nullptr, 2, 0, 0, 0, 1.0f);
    p->missiles->arm_timer = 0;
    g->game_time = 1;
    game_tick();
    EXPECT_LT(rim_distance(e), 1e-3);
    // Its behaviour ran once, before the hit; the motion step did not move it after.
    EXPECT_EQ(std::tuple(runs, e->active, e->bob_phase), std::tuple(1, 0.0f, 0.0f));
}

// In single precision 0.3 - 3 x 0.1 stays a hair above zero, so at 0.1 s ticks the fourth
// tick is the first to find the reload run out.
TEST_F(Tanks, HeldFireShootsWhenTheReloadRunsOutAndEachTriggerCostsAPoint) {
    p->power_ups = MISSILE_SCATTER | MISSILE_MULTI;
    for (int i = 0; i < 10; ++i) {
        int before = g->score;
        control({g->settings.key_fire}, true);
        EXPECT_EQ(g->score != before, i % 4 == 0) << "tick " << i;
    }
    EXPECT_EQ(std::pair(g->score, count_projectiles(p->missiles)), std::pair(-3, 27));
}

TEST_F(Tanks, ForwardWinsOverReverseLeftCancelsRightAndTheArenaClampsAt58_4) {
    const settings_block &s = g->settings;
    p->heading = 100;
    control({s.key_forward, s.key_reverse, s.key_left, s.key_right}, true);
    EXPECT_FLOAT_EQ(p->speed, 35.0f);
    EXPECT_FLOAT_EQ(p->heading, 100.0f);
    control({s.key_forward, s.key_right}, false);
    EXPECT_FLOAT_EQ(p->speed, -17.5f);
    EXPECT_FLOAT_EQ(p->heading, 112.0f);

    control({s.key_reverse, s.key_left}, false);
    p->speed = 0;
    p->x = 42, p->y = 56;
    update_player_tanks(g, p);
    EXPECT_NEAR(length2d(p->x, p->y), 58.4, 1e-4);
    EXPECT_NEAR(std::atan2(p->y, p->x), std::atan2(56.0, 42.0), 1e-6);
}
