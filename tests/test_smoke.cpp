// Smoke: the slots and chances of lay_smoke, what a puff starts with, its ageing and removal,
// and that no spacing from a settings file can make laying smoke run away.

#include "combat/combat.h"
#include "core/core.h"
#include "world/world.h"

#include "support/test_support.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>

namespace {

int count_puffs(const smoke_puff *p) {
    int n = 0;
    for (; p; p = p->next)
        ++n;
    return n;
}

void free_puffs(smoke_puff *p) {
    while (p) {
        smoke_puff *next = p->next;
        free(p);
        p = next;
    }
}

struct Smoke : ::testing::Test {
    game_record *g = make_test_game();
    void SetUp() override { srand(1234); }
    void TearDown() override {
        free_puffs(g->smoke);
        free_test_game(g);
    }
    void clear() {
        free_puffs(g->smoke);
        g->smoke = nullptr;
    }
    // Lays smoke for `steps` identical steps of the given length along x and counts the puffs.
    int lay_steps(int steps, float length, int flags) {
        clear();
        for (int k = 0; k < steps; ++k)
            lay_smoke(g, {0, 0, 1.5f}, {length, 0, 1.5f}, flags);
        return count_puffs(g->smoke);
    }
    double mean_opacity() const {
        double sum = 0;
        int n = 0;
        for (const smoke_puff *p = g->smoke; p; p = p->next, ++n)
            sum += p->opacity;
        return n ? sum / n : 0;
    }
};

} // namespace

TEST_F(Smoke, ShortStepHasOnePartialSlot) {
    g->settings.smoke_detail = 1.5f;
    // A third of a spacing: a missile lays a puff one time in three.
    double rate = lay_steps(30000, 0.5f, MISSILE) / 30000.0;
    EXPECT_NEAR(rate, 1.0 / 3, 0.015);
    // A multi-shot missile a third of that again.
    rate = lay_steps(30000, 0.5f, MISSILE | MISSILE_MULTI) / 30000.0;
    EXPECT_NEAR(rate, 0.33 / 3, 0.01);
    // Debris smoke at three quarters.
    rate = lay_steps(30000, 0.5f, 0) / 30000.0;
    EXPECT_NEAR(rate, 0.75 / 3, 0.015);
}

TEST_F(Smoke, TwoSpacingsAreTwoFullSlots) {
    g->settings.smoke_detail = 1.5f;
    // Each slot draws once for its chance and nine times for a missile puff; a chance draw of
    // exactly 1.0 lays nothing even at full chance.
    for (unsigned seed = 70; seed < 120; ++seed) {
        srand(seed);
        clear();
        lay_smoke(g, {0, 0, 1.5f}, {3.0f, 0, 1.5f}, MISSILE);
        int after = rand();
        srand(seed);
        int puffs = 0;
        for (int slot = 0; slot < 2; ++slot) {
            if (random_unit() < 1.0) {
                for (int k = 0; k < 9; ++k)
                    rand();
                ++puffs;
            }
        }
        ASSERT_EQ(rand(), after) << "seed " << seed;
        ASSERT_EQ(count_puffs(g->smoke), puffs);
    }
    int laid = lay_steps(1000, 3.0f, MISSILE);
    EXPECT_LE(laid, 2000);
    EXPECT_GE(laid, 1990);
}

TEST_F(Smoke, StandingProjectileLaysNothing) {
    srand(5);
    lay_smoke(g, {4, 4, 1.5f}, {4, 4, 1.5f}, MISSILE);
    lay_smoke(g, {4, 4, 0}, {4, 4, 0}, 0);
    EXPECT_EQ(g->smoke, nullptr);
    int next = rand();
    srand(5);
    EXPECT_EQ(rand(), next); // not even a chance was drawn
}

TEST_F(Smoke, HalvingTheSpacingDoublesPuffsAndHalvesOpacity) {
    g->settings.smoke_detail = 1.5f;
    int coarse = lay_steps(20000, 0.4f, 0);
    double coarse_opacity = mean_opacity();
    g->settings.smoke_detail = 0.75f;
    int fine = lay_steps(20000, 0.4f, 0);
    double fine_opacity = mean_opacity();
    EXPECT_NEAR(static_cast<double>(fine) / coarse, 2.0, 0.06);
    EXPECT_NEAR(fine_opacity / coarse_opacity, 0.5, 0.02);
}

TEST_F(Smoke, PuffsStartBehindTheStepAndDebrisSmokeHigher) {
    g->settings.smoke_detail = 0.1f;
    lay_smoke(g, {10, 0, 1.5f}, {11, 0, 1.5f}, MISSILE);
    lay_smoke(g, {0, 0, 0}, {0, 1, 0}, 0);
    int missile = 0, debris = 0;
    for (const smoke_puff *p = g->smoke; p; p = p->next) {
        if (p->kind == 1) {
            ++missile;
            EXPECT_TRUE(p->x >= 9.0f && p->x <= 10.0f) << p->x; // one step behind, away from `to`
            EXPECT_FLOAT_EQ(p->z, 1.5f);
        } else {
            ++debris;
            EXPECT_TRUE(p->y >= -1.0f && p->y <= 0.0f) << p->y;
            EXPECT_TRUE(p->z >= 1.5f && p->z <= 2.5f) << p->z;
        }
        EXPECT_EQ(p->life, p->initial_life);
    }
    EXPECT_GT(missile, 5);
    EXPECT_GT(debris, 3);
}

TEST_F(Smoke, PuffsDriftAndAreRemovedAtLifeZero) {
    g->tick_seconds = 0.125f;
    auto make = [&](float life) {
        auto *p = static_cast<smoke_puff *>(calloc(1, sizeof(smoke_puff)));
        p->vx = 8;
        p->vz = 2;
        p->life = p->initial_life = life;
        p->next = g->smoke;
        g->smoke = p;
        return p;
    };
    make(0.125f);               // tail: dies this tick
    smoke_puff *keep = make(1); // middle
    make(0.125f);               // head: dies this tick
    update_smoke(g);
    ASSERT_EQ(g->smoke, keep);
    EXPECT_EQ(keep->next, nullptr);
    EXPECT_EQ(keep->x, 1.0f);
    EXPECT_EQ(keep->z, 0.25f);
    EXPECT_EQ(keep->life, 0.875f);
    for (int k = 0; k < 7; ++k)
        update_smoke(g);
    EXPECT_EQ(g->smoke, nullptr);
}

TEST_F(Smoke, NoSpacingMakesLayingRunAway) {
    for (float spacing : {1e-30f, 0.0f, -1.5f, NAN, INFINITY}) {
        clear();
        g->settings.smoke_detail = spacing;
        lay_smoke(g, {0, 0, 0}, {100, 0, 0}, MISSILE);
        EXPECT_LE(count_puffs(g->smoke), SMOKE_MAX_SLOTS) << spacing;
        for (const smoke_puff *p = g->smoke; p; p = p->next)
            ASSERT_TRUE(std::isfinite(p->opacity));
    }
    // A step to infinity lays nothing rather than looping.
    clear();
    g->settings.smoke_detail = 1.5f;
    lay_smoke(g, {0, 0, 0}, {INFINITY, 0, 0}, MISSILE);
    EXPECT_EQ(g->smoke, nullptr);
}
