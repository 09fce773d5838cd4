// Missiles: the count and speed of every power-up combination, the first step, leaving the
// arena, rebounding, the homing cone (with a target straight ahead or underfoot), the explosive
// hit radii, the expiry blast, and lists that empty in one update.

#include "combat/combat.h"
#include "core/core.h"
#include "render/render.h"
#include "world/world.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

struct Missiles : ::testing::Test {
    game_record *g = nullptr;
    void SetUp() override {
        driver_options o;
        o.seed = 3;
        g = start_headless_game(o);
        g->tick_seconds = 0.1f;
        g->settings.display_flags &= ~SHOW_SMOKE;
        for (enemy_tank *t = g->enemies; t; t = t->next) {
            t->active = 0;
            t->x = RIM_RADIUS;
            t->y = 0;
        }
        g->player->alive = 1;
        g->player->shield = 0;
        g->player->x = -50;
        g->player->y = -50;
    }
    void TearDown() override { free_headless_game(g); }

    // One missile standing still at (x, y), armed, with the given flags.
    projectile *still_missile(float x, float y, int flags) {
        projectile *p = fire_missiles(g, nullptr, x - 1, y, 0, flags, 1.0f);
        p->x = x;
        p->y = y;
        p->vx = p->vy = 0;
        p->arm_timer = -1;
        return p;
    }
    void stage_enemy(float x, float y) {
        g->enemies->x = x;
        g->enemies->y = y;
        g->enemies->active = 1;
    }
    int explosion_count() {
        int n = 0;
        for (explosion *e = g->explosions; e; e = e->next)
            ++n;
        return n;
    }
};

} // namespace

TEST_F(Missiles, ScatterAndMultiSetTheCountPerTrigger) {
    const std::pair<int, int> cases[] = {
        {0, 1},
        {MISSILE_MULTI, 1},
        {MISSILE_SCATTER, 3},
        {MISSILE_SCATTER | MISSILE_MULTI, 9},
        {MISSILE_SCATTER | MISSILE_MULTI | MISSILE_FAST | MISSILE_HOMING, 9}};
    for (auto [flags, n] : cases) {
        projectile *list = fire_missiles(g, nullptr, 0, 0, 30, flags, 1.0f);
        EXPECT_EQ(count_projectiles(list), n) << flags;
        for (projectile *p = list; p; p = p->next) {
            EXPECT_EQ(p->flags, flags | MISSILE);
            EXPECT_NEAR(p->heading, 30, 2.5001);
            EXPECT_FLOAT_EQ(p->life, 3.0f);
        }
        free_projectiles(list);
    }
}

TEST_F(Missiles, SpeedFactorsMultiply) {
    projectile *p = fire_missiles(g, nullptr, 0, 0, 0, MISSILE_FAST | MISSILE_HOMING, 1.0f);
    EXPECT_NEAR(p->speed, 168.0f, 1e-3);
    EXPECT_NEAR(p->arm_timer, 0.025f / 2.4f, 1e-7);
    free_projectiles(p);
    p = fire_missiles(g, nullptr, 0, 0, 0, MISSILE_ENEMY, 0.5f);
    EXPECT_FLOAT_EQ(p->speed, 35.0f);
    free_projectiles(p);
    p = fire_missiles(g, nullptr, 0, 0, 0, MISSILE_FAST, 0.5f); // the factor counts only for enemies
    EXPECT_FLOAT_EQ(p->speed, 210.0f);
    free_projectiles(p);
}

TEST_F(Missiles, PlainShotStartsOneStepOutAndDiesAtTheArenaEdge) {
    projectile *list = fire_missiles(g, nullptr, 0, 0, 0, 0, 1.0f);
    EXPECT_FLOAT_EQ(list->x, 8.0f);
    EXPECT_FLOAT_EQ(list->prev_x, 1.0f);
    EXPECT_FLOAT_EQ(list->z, 1.5f);
    int updates = 0;
    while (list && updates < 30) {
        list = update_projectiles(g, list);
        ++updates;
        EXPECT_TRUE(!list || list->x <= 60.0f);
    }
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(updates, 8); // 8 + 7 x 8 = 64 lies beyond 60
    EXPECT_EQ(explosion_count(), 0);
}

TEST_F(Missiles, ReboundAtRightAnglesComesBackAlongTheSameLine) {
    projectile *list = fire_missiles(g, nullptr, 0, 0, 90, MISSILE_REBOUNDING, 1.0f);
    for (int i = 0; i < 9; ++i)
        list = update_projectiles(g, list);
    ASSERT_NE(list, nullptr);
    EXPECT_NEAR(list->heading, 270.0f, 1e-3);
    EXPECT_NEAR(list->x, 0.0f, 1e-3);
    EXPECT_LT(list->vy, 0.0f);
    for (int i = 0; i < 5; ++i)
        list = update_projectiles(g, list);
    ASSERT_NE(list, nullptr);
    EXPECT_NEAR(list->x, 0.0f, 1e-3);
    EXPECT_LT(list->y, 60.0f);
    free_projectiles(list);
}

TEST_F(Missiles, HomingTurnsOnlyTowardsTanksInsideTheTenDegreeCone) {
    stage_enemy(20, 20 * std::tan(to_radians(12))); // 12 degrees off, however near
    projectile *list = fire_missiles(g, nullptr, -1, 0, 0, MISSILE_HOMING, 1.0f);
    list->x = 0;
    list->y = 0;
    list->x -= list->vx * 0.1f; // so that the update brings it to the origin
    list = update_projectiles(g, list);
    EXPECT_FLOAT_EQ(list->heading, 0.0f);
    stage_enemy(40, 40 * std::tan(to_radians(5)));
    list = update_projectiles(g, list);
    EXPECT_NEAR(list->heading, 1.5f, 1e-4); // 15 degrees a second
    EXPECT_NEAR(std::atan2(list->vy, list->vx), to_radians(1.5), 1e-5);
    free_projectiles(list);
}

// A target dead ahead has a cosine ratio that rounding can push just past 1 (here by one ulp
// at 2 degrees and 3 units); it must still count as inside the cone. With no time passing the
// only trace of a chosen target is the velocity being rebuilt from the stored heading.
TEST_F(Missiles, HomingTargetDeadAheadIsChosenDespiteRounding) {
    g->tick_seconds = 0;
    double r = to_radians(2);
    stage_enemy(static_cast<float>(3 * std::cos(r)), static_cast<float>(3 * std::sin(r)));
    projectile *list = fire_missiles(g, nullptr, 0, 0, 0, MISSILE_HOMING, 1.0f);
    list->x = list->y = 0;
    list->vx = static_cast<float>(std::cos(r) * 70);
    list->vy = static_cast<float>(std::sin(r) * 70);
    list->heading = 3;
    list->speed = 70;
    list->arm_timer = 10;
    list = update_projectiles(g, list);
    ASSERT_NE(list, nullptr);
    EXPECT_NEAR(std::atan2(list->vy, list->vx), to_radians(3), 1e-6);
    free_projectiles(list);
}

TEST_F(Missiles, HomingMissileStandingOnItsTargetStaysFinite) {
    g->tick_seconds = 0;
    stage_enemy(20, 5);
    projectile *list = fire_missiles(g, nullptr, 0, 0, 0, MISSILE_HOMING, 1.0f);
    list->x = 20;
    list->y = 5;
    list->arm_timer = 10;
    list = update_projectiles(g, list);
    ASSERT_NE(list, nullptr);
    EXPECT_TRUE(std::isfinite(list->heading));
    EXPECT_TRUE(std::isfinite(list->vx));
    EXPECT_TRUE(std::isfinite(list->vy));
    free_projectiles(list);
}

TEST_F(Missiles, ExplosiveReachIsSixPointSixForTheOtherSideOnePointSevenForItsOwn) {
    stage_enemy(10, 0);
    projectile *p = update_projectiles(g, still_missile(16.61f, 0, MISSILE_EXPLOSIVE));
    EXPECT_NE(p, nullptr);
    EXPECT_EQ(g->score, 0);
    free_projectiles(p);
    p = update_projectiles(g, still_missile(16.59f, 0, MISSILE_EXPLOSIVE));
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(g->score, 100);
    int before = explosion_count();
    EXPECT_EQ(before, 1);

    g->player->x = -20;
    g->player->y = 0;
    p = update_projectiles(g, still_missile(-20 + 1.71f, 0, MISSILE_EXPLOSIVE));
    EXPECT_NE(p, nullptr);
    EXPECT_GT(g->player->alive, 0.0f);
    free_projectiles(p);
    p = update_projectiles(g, still_missile(-20 + 1.69f, 0, MISSILE_EXPLOSIVE));
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(g->player->alive, -2.0f);
    EXPECT_EQ(g->score, 0);
}

TEST_F(Missiles, EnemyExplosiveReachesThePlayerFromSixPointSix) {
    g->player->x = 0;
    g->player->y = 0;
    projectile *p = update_projectiles(g, still_missile(6.5f, 0, MISSILE_EXPLOSIVE | MISSILE_ENEMY));
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(g->player->alive, -2.0f);
}

TEST_F(Missiles, ExplosiveBlastsWhenItsLifeRunsOutButNotWhenItLeavesTheArena) {
    projectile *p = fire_missiles(g, nullptr, 0, 0, 45, MISSILE_EXPLOSIVE, 1.0f);
    p->life = 0.05f;
    p = update_projectiles(g, p);
    EXPECT_EQ(p, nullptr);
    ASSERT_EQ(explosion_count(), 1);
    EXPECT_FLOAT_EQ(g->explosions->flash_radius, 1.5f); // size 0.5
    p = fire_missiles(g, nullptr, 50, 0, 0, MISSILE_EXPLOSIVE, 1.0f);
    p = update_projectiles(g, p);
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(explosion_count(), 1);
}

TEST_F(Missiles, ListWhoseRecordsAllDieComesBackEmptyAndSurvivorsKeepTheirOrder) {
    projectile *list = fire_missiles(g, nullptr, 0, 0, 0, MISSILE_SCATTER | MISSILE_MULTI, 1.0f);
    int i = 0;
    for (projectile *p = list; p; p = p->next, ++i) {
        p->life = (i % 2) ? 1.0f : 0.01f;
        p->spare = static_cast<float>(i);
    }
    list = update_projectiles(g, list);
    ASSERT_EQ(count_projectiles(list), 4);
    float last = -1;
    for (projectile *p = list; p; p = p->next) {
        EXPECT_GT(p->spare, last);
        last = p->spare;
    }
    for (projectile *p = list; p; p = p->next)
        p->life = 0.01f;
    EXPECT_EQ(update_projectiles(g, list), nullptr);
}
