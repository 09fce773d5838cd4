// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Explosions: the 15 debris and their draw order, the flash count after the first update, the
// removal rule wherever the explosion sits in the list, and debris that can never hit a tank
// (their arming delay outlasts their life).

#include "combat/combat.h"
#include "core/core.h"
#include "world/world.h"

#include "support/test_support.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <tuple>

struct Explosions : ::testing::Test {
    game_record *g = make_test_game();
    void SetUp() override {
        g->tick_seconds = 0.1f;
        g->settings.display_flags &= ~SHOW_SMOKE;
    }
    void TearDown() override { free_test_game(g); }
    int count(const explosion *only = nullptr) const {
        int n = 0;
        for (explosion *e = g->explosions; e; e = e->next)
            n += !only || e == only;
        return n;
    }
};

TEST_F(Explosions, FifteenHarmlessDebrisInTheStatedDrawOrderAndNoFlashYet) {
    seed_random(42);
    make_explosion(g, 10, -5, 2.0f);
    explosion *e = g->explosions;
    // Fifteen debris, and no flash before the first update has counted.
    EXPECT_EQ(std::pair(count_projectiles(e->debris), e->live_debris), std::pair(15, 0));
    // The first debris made is the last in the list; its draws: r, a, s, b, life, puff size.
    const projectile *first = nullptr;
    for (const projectile *p = e->debris; p; first = p, p = p->next)
        EXPECT_GT(p->arm_timer, p->life); // never armed while alive: debris hit nothing
    seed_random(42);
    double r = random_unit() * 2.0, a = random_unit() * 360;
    EXPECT_NEAR(first->x, 10 + std::sin(to_radians(a)) * r, 1e-4);
}

TEST_F(Explosions, RemovedAtTheFirstUpdateWithTimerDoneAndNoDebris) {
    make_explosion(g, 0, 0, 0.5f);
    make_explosion(g, 5, 5, 1.0f);
    make_explosion(g, 9, 9, 2.0f);
    explosion *one = g->explosions->next; // size 1.0 sits in the middle
    float before = 0;
    for (int ticks = 0; count(one) && ticks < 200; ++ticks) {
        ASSERT_TRUE(one->timer > 0 || one->live_debris > 0) << "kept too long";
        before = one->timer;
        update_explosions(g);
    }
    EXPECT_LE(before - 0.1f, 0.0f);
    // Size 0.5 went at 5 s; size 2.0 lasts 20 s.
    EXPECT_EQ(std::tuple(count(one), count(), g->explosions->x), std::tuple(0, 1, 9.0f));
}

TEST_F(Explosions, DebrisWithoutLifeAreDroppedBeforeTheFlashCounts) {
    make_explosion(g, 0, 0, 1.0f);
    explosion *e = g->explosions;
    int k = 0;
    for (projectile *p = e->debris; p; p = p->next, ++k)
        p->life = p->life0 = k < 4 ? 0 : 0.25f; // a random draw of exactly 0 for four
    g->tick_seconds = 0.01f;
    update_explosions(g);
    EXPECT_EQ(std::pair(e->live_debris, count_projectiles(e->debris)), std::pair(11, 11));
    for (k = 0; k < 30; ++k)
        update_explosions(g);
    // No debris left, but the scorch mark goes on fading.
    EXPECT_EQ(std::tuple(e->live_debris, e->debris, count()), std::tuple(0, nullptr, 1));
}
