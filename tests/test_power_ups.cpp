// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Power-ups: the chance of one appearing and where, the life shortening with game time,
// pick-up reach and message for the player, effects that add up and are lost on respawn, and
// the enemy's pick-up turning it hunter.

#include "combat/combat.h"
#include "core/core.h"

#include <algorithm>
#include <cstdlib>
#include <gtest/gtest.h>
#include <tuple>

// A new game (the enemies wait on the rim, out of play) with the player alive at the centre.
struct PowerUps : ::testing::Test {
    game_record *g = start_headless_game({.seed = 11});
    player_tank *p = g->player;
    void SetUp() override {
        g->tick_seconds = 0.1f;
        p->alive = 1;
        p->x = p->y = 0;
    }
    void TearDown() override { free_headless_game(g); }

    void lay(float x, float y, int kind) {
        free(g->power_up);
        g->power_up = make_power_up(g);
        g->power_up->x = x, g->power_up->y = y;
        g->power_up->kind = kind;
    }
};

TEST_F(PowerUps, OneAppearsInAboutOneTickInFiftyTenToFiftyFiveUnitsOutOfEveryKind) {
    int appeared = 0, kinds = 0;
    float nearest = 1e9f, farthest = 0;
    driver_options o{.tick = 0.1f};
    for (int i = 0; i < 5000; ++i) {
        headless_tick(g, o);
        if (!g->power_up) continue;
        ++appeared;
        kinds |= 1 << g->power_up->kind;
        float d = static_cast<float>(length2d(g->power_up->x, g->power_up->y));
        nearest = std::min(nearest, d);
        farthest = std::max(farthest, d);
        free(g->power_up);
        g->power_up = nullptr;
    }
    EXPECT_TRUE(appeared > 70 && appeared < 130) << appeared << " in 5000 ticks (0.02 each)";
    EXPECT_EQ(kinds, 0x3f);
    EXPECT_TRUE(nearest >= 10 && nearest < 13) << nearest;
    EXPECT_TRUE(farthest <= 55 && farthest > 52) << farthest;
}

TEST_F(PowerUps, LifeIsTenSecondsAtTheStartAndFiveAfterTenMinutes) {
    lay(0, 0, 0);
    EXPECT_FLOAT_EQ(g->power_up->life, 10.0f);
    g->game_time = 600;
    lay(0, 0, 0);
    EXPECT_FLOAT_EQ(g->power_up->life, 5.0f);
    int ticks = 0;
    for (; g->power_up; ++ticks)
        g->power_up = age_power_up(g, g->power_up);
    EXPECT_NEAR(ticks, 50, 1); // single-precision ageing may need one tick more
}

TEST_F(PowerUps, PlayerCollectsAtThreePointTwoNineNotThreePointThreeOneAndLosesThemOnRespawn) {
    lay(3.31f, 0, 4);
    player_take_power_up(g, p);
    EXPECT_NE(g->power_up, nullptr);
    EXPECT_EQ(p->power_ups, 0);
    lay(0, 3.29f, 4);
    player_take_power_up(g, p);
    EXPECT_TRUE(!g->power_up && p->power_ups == MISSILE_MULTI) << p->power_ups;
    EXPECT_STREQ(p->message, "RETRIEVED MULTI-SHOT POWER-UP");
    EXPECT_FLOAT_EQ(p->message_timer, 6.0f);
    lay(0, 0, 2); // effects add up
    player_take_power_up(g, p);
    EXPECT_EQ(p->power_ups, MISSILE_SCATTER | MISSILE_MULTI);
    respawn_player_tank(p);
    EXPECT_EQ(p->power_ups, 0);
}

TEST_F(PowerUps, EnemyOutOfPlayNeverCollectsOneInPlayTurnsHunterSilently) {
    enemy_tank *e = g->enemies;
    e->x = 20, e->y = 0;
    e->behaviour = steal_barrels;
    lay(20, 1, 0);
    EXPECT_EQ(enemy_take_power_up(g, e), 0);
    e->active = 0.5f;
    p->x = -40;
    update_enemy_tanks(g, g->enemies);
    EXPECT_TRUE(!g->power_up && !p->message) << "collected, and silently";
    EXPECT_EQ(std::pair(e->behaviour, e->power_ups), std::pair(&hunt_player, int(MISSILE_EXPLOSIVE)));
}
