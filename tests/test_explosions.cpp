// Explosions: the 15 debris and their draw order, the flash count after the first update, the
// removal rule wherever the explosion sits in the list, and debris that can never hit a tank.

#include "combat/combat.h"
#include "core/core.h"
#include "render/render.h"
#include "world/world.h"

#include "support/test_support.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

namespace {

struct Explosions : ::testing::Test {
    game_record *g = make_test_game();
    void SetUp() override {
        g->tick_seconds = 0.1f;
        g->settings.display_flags &= ~SHOW_SMOKE;
    }
    void TearDown() override {
        while (explosion *e = g->explosions) {
            g->explosions = e->next;
            free_projectiles(e->debris);
            free(e);
        }
        while (smoke_puff *p = g->smoke) {
            g->smoke = p->next;
            free(p);
        }
        free_test_game(g);
    }
    int explosion_count() const {
        int n = 0;
        for (explosion *e = g->explosions; e; e = e->next)
            ++n;
        return n;
    }
};

double rad(double deg) {
    return deg / 180 * GAME_PI;
}

} // namespace

TEST_F(Explosions, FifteenDebrisInTheStatedDrawOrder) {
    srand(42);
    make_explosion(g, 10, -5, 2.0f);
    explosion *e = g->explosions;
    ASSERT_NE(e, nullptr);
    EXPECT_EQ(e->flash_radius, 6.0f);
    EXPECT_EQ(e->timer, 20.0f);
    EXPECT_EQ(e->duration, 20.0f);
    EXPECT_EQ(e->live_debris, 0); // no flash before the first update has counted
    std::vector<projectile *> debris;
    for (projectile *p = e->debris; p; p = p->next)
        debris.push_back(p);
    ASSERT_EQ(debris.size(), 15u);

    // The first debris made is the last in the list: r, a, s, b, L, P.
    srand(42);
    double r = random_unit() * 2.0, a = random_unit() * 360, s = random_unit() * 50, b = random_unit() * 360;
    double L = random_unit() * 0.3, P = random_unit() * 3.0 + 1.0;
    const projectile *first = debris.back();
    EXPECT_NEAR(first->x, 10 + std::sin(rad(a)) * r, 1e-4);
    EXPECT_NEAR(first->y, -5 + std::cos(rad(a)) * r, 1e-4);
    EXPECT_NEAR(first->vx, std::sin(rad(b)) * s * 0.35, 1e-4);
    EXPECT_NEAR(first->vy, std::cos(rad(b)) * s * 0.35, 1e-4);
    EXPECT_NEAR(first->life, L, 1e-6);
    EXPECT_NEAR(first->puff_size, P, 1e-6);

    for (const projectile *p : debris) {
        EXPECT_EQ(p->flags, 0);
        EXPECT_EQ(p->z, 0.0f);
        EXPECT_EQ(p->prev_x, 10.0f);
        EXPECT_EQ(p->prev_y, -5.0f);
        EXPECT_EQ(p->life, p->life0);
        EXPECT_LE(p->life, 0.3f);
        EXPECT_GT(p->arm_timer, 0.3f); // harmless: never armed while alive
        EXPECT_EQ(p->spare, 1.0f);
        EXPECT_LE(length2d(p->x - 10, p->y + 5), 2.0 + 1e-5);
        EXPECT_LE(length2d(p->vx, p->vy), 17.5 + 1e-4);
    }
}

TEST_F(Explosions, RemovedAtTheFirstUpdateWithTimerDoneAndNoDebris) {
    make_explosion(g, 0, 0, 0.5f);
    make_explosion(g, 5, 5, 1.0f);
    make_explosion(g, 9, 9, 2.0f);
    explosion *one = g->explosions->next; // size 1.0 sits in the middle
    ASSERT_EQ(one->x, 5.0f);
    int ticks = 0;
    bool present = true;
    while (present && ticks < 200) {
        float before = one->timer;
        update_explosions(g);
        ++ticks;
        present = false;
        for (explosion *e = g->explosions; e; e = e->next)
            present |= e == one;
        if (present) {
            ASSERT_TRUE(one->timer > 0 || one->live_debris > 0);
        } else {
            EXPECT_GT(before, 0.0f);
            EXPECT_LE(before - 0.1f, 0.0f);
        }
    }
    EXPECT_FALSE(present);
    EXPECT_NEAR(ticks, 100, 1);
    EXPECT_EQ(explosion_count(), 1); // size 0.5 went at 5 s; size 2.0 lasts 20 s
    EXPECT_EQ(g->explosions->x, 9.0f);
    for (int k = 0; k < 110; ++k)
        update_explosions(g);
    EXPECT_EQ(g->explosions, nullptr);
}

TEST_F(Explosions, DebrisCountFeedsTheFlashAndDeadDebrisGoFirst) {
    make_explosion(g, 0, 0, 1.0f);
    explosion *e = g->explosions;
    int stillborn = 0;
    for (projectile *p = e->debris; p; p = p->next) {
        if (stillborn < 4) {
            p->life = p->life0 = 0; // a random draw of exactly 0
            ++stillborn;
        } else {
            p->life = p->life0 = 0.25f;
        }
    }
    g->tick_seconds = 0.01f;
    update_explosions(g);
    EXPECT_EQ(e->live_debris, 11);
    for (projectile *p = e->debris; p; p = p->next)
        EXPECT_GT(p->life, 0.0f);
    for (int k = 0; k < 30; ++k)
        update_explosions(g);
    EXPECT_EQ(e->live_debris, 0);
    EXPECT_EQ(e->debris, nullptr);
    // The scorch mark goes on fading for the whole duration.
    EXPECT_EQ(explosion_count(), 1);
    EXPECT_NEAR(e->timer, 10.0f - 31 * 0.01f, 1e-3);
}

TEST_F(Explosions, DebrisFlyingThroughATankHitNothing) {
    tank_type grunt{};
    grunt.radius = 1.6f;
    enemy_tank target{};
    target.type = &grunt;
    target.active = 1.0f;
    target.x = 0.5f;
    target.y = 0.25f;
    g->enemies = &target;
    g->tick_seconds = 0.02f;
    for (unsigned seed = 1; seed < 20; ++seed) {
        srand(seed);
        make_explosion(g, 0, 0, 1.0f);
    }
    for (int k = 0; k < 20; ++k)
        update_explosions(g);
    EXPECT_EQ(target.active, 1.0f);
    EXPECT_EQ(g->score, 0);
    EXPECT_EQ(explosion_count(), 19); // no size-1.0 explosion was added for a hit
    for (explosion *e = g->explosions; e; e = e->next)
        EXPECT_EQ(e->debris, nullptr);
    g->enemies = nullptr;
}
