// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Missiles: the count and speed of every power-up combination, leaving the arena, rebounding,
// the homing cone (with a target straight ahead or underfoot), the explosive hit radii and the
// expiry blast.

#include "combat/combat.h"
#include "core/core.h"
#include "world/world.h"

#include <cmath>
#include <gtest/gtest.h>
#include <tuple>

// A new game (the enemies wait on the rim, out of play) with the unshielded player alive at
// (-20, 0); no smoke.
struct Missiles : ::testing::Test {
    game_record *g = start_headless_game({.seed = 3});
    void SetUp() override {
        g->tick_seconds = 0.1f;
        g->settings.display_flags &= ~SHOW_SMOKE;
        g->player->alive = 1;
        g->player->shield = 0;
        g->player->x = -20, g->player->y = 0;
    }
    void TearDown() override { free_headless_game(g); }

    // One missile at (x, y) heading +x, moving as given, armed after `arm` seconds.
    projectile *missile(float x, float y, int flags, float speed = 0, float arm = -1) {
        projectile *p = fire_missiles(g, nullptr, x - 1, y, 0, flags, 1.0f);
        p->x = x, p->y = y;
        p->vx = speed, p->vy = 0;
        p->arm_timer = arm;
        return p;
    }
    void stage_enemy(float x, float y) {
        g->enemies->x = x, g->enemies->y = y;
        g->enemies->active = 1;
    }
};

TEST_F(Missiles, PowerUpsSetTheCountPerTriggerAndTheirSpeedFactorsMultiply) {
    // Flags, level, missiles per trigger, speed (0: scattered, 0.8 to 1.0 of the base 70); the
    // level counts only for enemies.
    using row = std::tuple<int, float, int, float>;
    for (auto [flags, level, count, speed] :
         {row{0, 1, 1, 70}, row{MISSILE_MULTI, 1, 1, 70}, row{MISSILE_SCATTER, 1, 3, 0},
          row{MISSILE_SCATTER | MISSILE_MULTI, 1, 9, 0}, row{MISSILE_FAST | MISSILE_HOMING, 1, 1, 168},
          row{MISSILE_ENEMY, 0.5f, 1, 35}, row{MISSILE_FAST, 0.5f, 1, 210}}) {
        projectile *list = fire_missiles(g, nullptr, 0, 0, 30, flags, level);
        EXPECT_EQ(count_projectiles(list), count) << flags;
        for (projectile *p = list; p; p = p->next) {
            EXPECT_NEAR(p->heading, 30, 2.5001);
            float low = speed ? speed : 56, high = speed ? speed : 70;
            EXPECT_TRUE(p->speed >= low - 1e-3 && p->speed <= high + 1e-3) << flags << ": " << p->speed;
        }
        free_projectiles(list);
    }
}

TEST_F(Missiles, PlainShotDiesAtTheArenaEdgeAndReboundingOneTurnsBack) {
    projectile *list = fire_missiles(g, nullptr, 0, 0, 0, 0, 1.0f);
    int updates = 0;
    for (; list && updates < 30; ++updates)
        list = update_projectiles(g, list);
    // 8 + 7 x 8 = 64 lies beyond 60; leaving the arena makes no explosion.
    EXPECT_TRUE(updates == 8 && !g->explosions) << updates;

    // Meeting the wall at right angles it comes back along the same line.
    list = fire_missiles(g, nullptr, 0, 0, 90, MISSILE_REBOUNDING, 1.0f);
    for (int i = 0; i < 9; ++i)
        list = update_projectiles(g, list);
    EXPECT_NEAR(list->heading, 270.0f, 1e-3);
    for (int i = 0; i < 5; ++i)
        list = update_projectiles(g, list);
    EXPECT_NEAR(list->x, 0.0f, 1e-3);
    EXPECT_TRUE(list->y < 60 && list->vy < 0) << list->y << " " << list->vy;
    free_projectiles(list);

    // Obliquely: reflected about the radius where it crossed, then moved back along the new
    // heading by its overshoot of 1.68 (which leaves it just outside until its next step).
    list = update_projectiles(g, missile(40, 40, MISSILE_REBOUNDING, 70));
    EXPECT_NEAR(list->x, 45.9669f, 1e-3);
    EXPECT_NEAR(list->y, 40.5821f, 1e-3);
    EXPECT_NEAR(list->heading, 260.7998f, 1e-3);
    EXPECT_NEAR(list->vx, -11.1919f, 1e-3);
    EXPECT_NEAR(list->vy, -69.0995f, 1e-3);
    free_projectiles(list);
}

TEST_F(Missiles, HomingTurnsOnlyTowardsTanksInsideTheTenDegreeConeAndSurvivesRounding) {
    stage_enemy(20, 20 * std::tan(to_radians(12))); // 12 degrees off, however near
    // The update brings it to the origin.
    projectile *list = update_projectiles(g, missile(-7, 0, MISSILE_HOMING, 70));
    EXPECT_FLOAT_EQ(list->heading, 0.0f);
    stage_enemy(40, 40 * std::tan(to_radians(5)));
    list = update_projectiles(g, list);
    EXPECT_NEAR(list->heading, 1.5f, 1e-4); // 15 degrees a second
    EXPECT_NEAR(std::atan2(list->vy, list->vx), to_radians(1.5), 1e-5);

    // A target dead ahead has a cosine ratio that rounding can push just past 1 (here by one ulp
    // at 2 degrees and 3 units); it must still count as inside the cone. With no time passing the
    // only trace of a chosen target is the velocity being rebuilt from the stored heading.
    g->tick_seconds = 0;
    double r = to_radians(2);
    stage_enemy(static_cast<float>(3 * std::cos(r)), static_cast<float>(3 * std::sin(r)));
    free_projectiles(list);
    list = missile(0, 0, MISSILE_HOMING, 0, 10);
    list->vx = static_cast<float>(std::cos(r) * 70);
    list->vy = static_cast<float>(std::sin(r) * 70);
    list->heading = 3;
    list = update_projectiles(g, list);
    EXPECT_NEAR(std::atan2(list->vy, list->vx), to_radians(3), 1e-6);

    // A target right underfoot must not turn the missile into NaNs.
    stage_enemy(20, 5);
    list->x = 20, list->y = 5;
    list = update_projectiles(g, list);
    EXPECT_TRUE(std::isfinite(list->heading) && std::isfinite(list->vx) && std::isfinite(list->vy));
    free_projectiles(list);
}

// An explosive missile blasts when its life runs out, and reaches 6.6 for the other side, 1.7
// for its own.
TEST_F(Missiles, ExplosiveBlastsAndReachesAndAnyMissileStrikesOnceArmed) {
    // A blast when its life runs out but not when it leaves the arena.
    projectile *p = fire_missiles(g, nullptr, 0, 0, 45, MISSILE_EXPLOSIVE, 1.0f);
    p->life = 0.05f;
    EXPECT_EQ(update_projectiles(g, p), nullptr);
    EXPECT_FLOAT_EQ(g->explosions->flash_radius, 1.5f); // size 0.5
    p = fire_missiles(g, nullptr, 50, 0, 0, MISSILE_EXPLOSIVE, 1.0f);
    EXPECT_EQ(update_projectiles(g, p), nullptr);
    EXPECT_EQ(g->explosions->next, nullptr); // still the one

    // Flags of the missile, x of its target (the enemy at 10 or the player at -20), reach.
    using row = std::tuple<int, float, float>;
    for (auto [flags, target, reach] : {row{0, 10, 6.6f}, row{0, -20, 1.7f}, row{MISSILE_ENEMY, -20, 6.6f}}) {
        for (float off : {0.01f, -0.01f}) {
            stage_enemy(10, 0);
            g->player->alive = 1;
            p = update_projectiles(g, missile(target + reach + off, 0, MISSILE_EXPLOSIVE | flags));
            bool hit = target > 0 ? g->enemies->active == 0 : g->player->alive < 0;
            EXPECT_EQ(std::pair(hit, p == nullptr), std::pair(off < 0, off < 0)) << flags << " " << target;
            free_projectiles(p);
        }
    }
    // Any missile strikes from the tick its arming time runs out.
    for (auto [arm, hits] : {std::pair{0.1f, true}, std::pair{0.1001f, false}}) {
        stage_enemy(0, 0);
        p = update_projectiles(g, missile(0, 0, 0, 0, arm));
        EXPECT_EQ(std::pair(g->enemies->active == 0, p == nullptr), std::pair(hits, hits)) << arm;
        free_projectiles(p);
    }
}

// However long the tick, a missile cannot skip a tank in its way, nor strike the launcher that
// drives on behind it at full speed: fired from 4 to 50 units at an enemy dead ahead, plain
// and fast, every shot hits the enemy and none the player.
TEST_F(Missiles, NoTickIsLongEnoughToCarryAMissileThroughATank) {
    for (float dt : {0.1f, 0.05f, 1 / 30.0f, 1 / 60.0f}) {
        for (int flags : {0, int(MISSILE_FAST)}) {
            int hits = 0, shots = 0, own = 0;
            for (float d = 4; d <= 50; d += 0.5f, ++shots) {
                g->tick_seconds = dt;
                stage_enemy(-20 + d, 0);
                player_tank *p = g->player;
                p->alive = 1;
                p->missiles = fire_missiles(g, nullptr, -20, p->y, 0, flags, 1.0f);
                p->x = -20 + 35 * dt; // the launcher's own move in the same tick
                for (int i = 0; p->missiles && i < 400; ++i)
                    p->missiles = update_projectiles(g, p->missiles);
                hits += g->enemies->active == 0;
                own += !(p->alive > 0);
            }
            EXPECT_EQ(std::pair(hits, own), std::pair(shots, 0)) << "tick " << dt << ", flags " << flags;
        }
    }
}
