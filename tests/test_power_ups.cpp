// Power-ups: the life shortening with game time, pick-up reach for the player, the enemy's
// pick-up turning it hunter without a message, never two at once, and effects lost on respawn.

#include "combat/combat.h"
#include "core/core.h"
#include "render/render.h"
#include "world/world.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <gtest/gtest.h>

namespace {

struct PowerUps : ::testing::Test {
    game_record *g = nullptr;
    void SetUp() override {
        driver_options o;
        o.seed = 11;
        g = start_headless_game(o);
        g->tick_seconds = 0.1f;
        for (enemy_tank *t = g->enemies; t; t = t->next) {
            t->active = 0;
            t->x = RIM_RADIUS;
            t->y = 0;
        }
        g->player->alive = 1;
        g->player->x = g->player->y = 0;
    }
    void TearDown() override { free_headless_game(g); }

    struct power_up *lay(float x, float y, int kind) {
        free(g->power_up);
        g->power_up = make_power_up(g);
        g->power_up->x = x;
        g->power_up->y = y;
        g->power_up->kind = kind;
        return g->power_up;
    }
};

} // namespace

TEST_F(PowerUps, LifeIsTenSecondsAtTheStartAndFiveAfterTenMinutes) {
    g->game_time = 0;
    struct power_up *p = make_power_up(g);
    EXPECT_FLOAT_EQ(p->life, 10.0f);
    EXPECT_FLOAT_EQ(p->intro, 0.33f);
    EXPECT_GE(p->kind, 0);
    EXPECT_LT(p->kind, 6);
    double d = length2d(p->x, p->y);
    EXPECT_GE(d, 10 - 1e-4);
    EXPECT_LE(d, 55 + 1e-4);
    free(p);
    g->game_time = 600;
    p = make_power_up(g);
    EXPECT_FLOAT_EQ(p->life, 5.0f);
    int ticks = 0;
    while (p) {
        p = age_power_up(g, p);
        ++ticks;
    }
    EXPECT_NEAR(ticks, 50, 1); // single-precision ageing may need one tick more
}

TEST_F(PowerUps, PlayerCollectsAtThreePointTwoNineButNotThreePointThreeOne) {
    lay(3.31f, 0, 4);
    player_take_power_up(g, g->player);
    EXPECT_NE(g->power_up, nullptr);
    EXPECT_EQ(g->player->power_ups, 0);
    lay(0, 3.29f, 4);
    player_take_power_up(g, g->player);
    EXPECT_EQ(g->power_up, nullptr);
    EXPECT_EQ(g->player->power_ups, MISSILE_MULTI);
    ASSERT_NE(g->player->message, nullptr);
    EXPECT_STREQ(g->player->message, "RETRIEVED MULTI-SHOT POWER-UP");
    EXPECT_FLOAT_EQ(g->player->message_timer, 6.0f);
}

TEST_F(PowerUps, EnemyOutOfPlayNeverCollectsOneInPlayTurnsHunter) {
    enemy_tank *e = g->enemies;
    e->x = 20;
    e->y = 0;
    e->behaviour = steal_barrels;
    lay(20, 1, 0);
    EXPECT_EQ(enemy_take_power_up(g, e), 0);
    e->active = 0.5f;
    g->player->x = -40;
    update_enemy_tanks(g, g->enemies);
    EXPECT_EQ(g->power_up, nullptr);
    EXPECT_EQ(e->behaviour, hunt_player);
    EXPECT_EQ(e->power_ups, MISSILE_EXPLOSIVE);
    EXPECT_EQ(g->player->message, nullptr);
}

TEST_F(PowerUps, NeverMoreThanOneOnTheField) {
    g->player->alive = 0; // out of the way of pick-ups
    g->player->x = 500;
    int made = 0;
    for (int i = 0; i < 2000; ++i) {
        g->game_time += g->tick_seconds;
        struct power_up *before = g->power_up;
        game_tick();
        if (g->power_up && g->power_up != before) {
            EXPECT_EQ(before, nullptr);
            ++made;
        }
    }
    EXPECT_GT(made, 3);
}

TEST_F(PowerUps, EffectsAddUpAndAreLostOnRespawn) {
    lay(0, 0, 2);
    player_take_power_up(g, g->player);
    lay(0, 0, 4);
    player_take_power_up(g, g->player);
    lay(0, 0, 4);
    player_take_power_up(g, g->player);
    EXPECT_EQ(g->player->power_ups, MISSILE_SCATTER | MISSILE_MULTI);
    g->key_state[g->settings.key_fire] = 1;
    read_controls(g, g->player);
    update_player_tanks(g, g->player);
    EXPECT_EQ(count_projectiles(g->player->missiles), 9);
    free_projectiles(g->player->missiles);
    g->player->missiles = nullptr;
    respawn_player_tank(g->player);
    g->player->reload = 0;
    read_controls(g, g->player);
    update_player_tanks(g, g->player);
    EXPECT_EQ(count_projectiles(g->player->missiles), 1);
}
