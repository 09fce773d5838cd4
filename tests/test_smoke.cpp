// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Smoke: the slots and chances of lay_smoke, the ranges of each kind of puff, ageing and
// removal, and that no spacing from a settings file or step can make laying smoke run away.

#include "combat/combat.h"
#include "core/core.h"
#include "world/world.h"

#include "support/test_support.h"

#include <algorithm>
#include <cmath>
#include <string>
#include <cstdlib>
#include <gtest/gtest.h>
#include <tuple>

struct Smoke : ::testing::Test {
    game_record *g = make_test_game();
    void SetUp() override {
        seed_random(1234);
        g->settings.smoke_detail = 1.5f;
    }
    void TearDown() override { free_test_game(g); }
    void clear() {
        while (smoke_puff *p = g->smoke) {
            g->smoke = p->next;
            free(p);
        }
    }
    double opacity = 0; // the mean of the puffs lay_steps laid
    // Lays smoke for `steps` identical steps from (0, 0, 1.5) and counts the puffs; a step given
    // by its length runs along x.
    int lay_steps(int steps, float length, int flags, point3 to = {0, 0, 0}) {
        clear();
        if (length > 0) to = {length, 0, 1.5f};
        for (int k = 0; k < steps; ++k)
            lay_smoke(g, {0, 0, 1.5f}, to, flags);
        int n = 0;
        double sum = 0;
        for (const smoke_puff *p = g->smoke; p; p = p->next, ++n)
            sum += p->opacity;
        opacity = sum / n;
        return n;
    }
};

TEST_F(Smoke, ShortStepHasOnePartialSlotAtItsKindsChance) {
    // A third of a spacing: missiles one time in three, multi-shot 0.33 of that, debris 0.75.
    using row = std::tuple<int, double, double>;
    for (auto [flags, rate, tolerance] :
         {row{MISSILE, 1.0 / 3, 0.015}, row{MISSILE | MISSILE_MULTI, 0.33 / 3, 0.01},
          row{0, 0.75 / 3, 0.015}})
        EXPECT_NEAR(lay_steps(30000, 0.5f, flags) / 30000.0, rate, tolerance) << flags;
}

TEST_F(Smoke, EachKindOfPuffSpansItsRanges) {
    // Field, then its low and high for missile smoke and for debris smoke.
    const std::tuple<const char *, float smoke_puff::*, float, float, float, float> ranges[] = {
        // Behind the step's start, up to a step back (the step runs to (0.4, 0.2, 1.6)).
        {"x", &smoke_puff::x, -0.4f, 0, -0.4f, 0},
        {"y", &smoke_puff::y, -0.2f, 0, -0.2f, 0},
        {"z", &smoke_puff::z, 1.4f, 1.5f, 2.9f, 4},
        {"vx", &smoke_puff::vx, 0, 2.25f, 0, 2.25f},
        {"vy", &smoke_puff::vy, 0, 3, 0, 3},
        {"vz", &smoke_puff::vz, 0, 3.75f, 7.5f, 12.75f},
        {"size", &smoke_puff::size, 0.5f, 0.8f, 1, 2},
        {"brightness", &smoke_puff::brightness, 0.1f, 0.4f, 0.1f, 0.4f},
        {"life", &smoke_puff::life, 0.6f, 0.8f, 0.8f, 1.4f},
        {"opacity", &smoke_puff::opacity, 0.1125f, 0.225f, 0.45f, 0.9f}, // at a spacing of 1.5
    };
    for (int flags : {int(MISSILE), 0}) {
        lay_steps(3000, 0, flags, {0.4f, 0.2f, 1.6f});
        for (const auto &[field, member, missile_lo, missile_hi, debris_lo, debris_hi] : ranges) {
            SCOPED_TRACE(std::string(field) + (flags ? " of missile smoke" : " of debris smoke"));
            float lo = flags ? missile_lo : debris_lo, hi = flags ? missile_hi : debris_hi;
            float seen_lo = 1e9f, seen_hi = -1e9f;
            for (const smoke_puff *p = g->smoke; p; p = p->next) {
                seen_lo = std::min(seen_lo, p->*member);
                seen_hi = std::max(seen_hi, p->*member);
            }
            float slack = (hi - lo) * 0.05f + 1e-5f;
            EXPECT_TRUE(seen_lo >= lo - 1e-5f && seen_lo <= lo + slack) << seen_lo;
            EXPECT_TRUE(seen_hi <= hi + 1e-5f && seen_hi >= hi - slack) << seen_hi;
        }
    }
}

TEST_F(Smoke, HalvingTheSpacingDoublesPuffsAndHalvesOpacity) {
    int coarse = lay_steps(20000, 0.4f, 0);
    double coarse_opacity = opacity;
    g->settings.smoke_detail = 0.75f;
    int fine = lay_steps(20000, 0.4f, 0);
    EXPECT_NEAR(static_cast<double>(fine) / coarse, 2.0, 0.06);
    EXPECT_NEAR(opacity / coarse_opacity, 0.5, 0.02);
}

TEST_F(Smoke, PuffsDriftAndAreRemovedAtLifeZero) {
    g->tick_seconds = 0.125f;
    for (float life : {0.125f, 1.0f, 0.125f}) { // head and tail die this tick
        auto *p = static_cast<smoke_puff *>(calloc(1, sizeof(smoke_puff)));
        p->vx = 8, p->vy = -4, p->vz = 2;
        p->life = p->initial_life = life;
        p->next = g->smoke;
        g->smoke = p;
    }
    update_smoke(g);
    const smoke_puff *s = g->smoke;
    ASSERT_TRUE(s && !s->next) << "one puff left";
    EXPECT_EQ(std::tuple(s->x, s->y, s->z, s->life), std::tuple(1.0f, -0.5f, 0.25f, 0.875f));
    for (int k = 0; k < 7; ++k)
        update_smoke(g);
    EXPECT_EQ(g->smoke, nullptr);
}

// The spacing comes from the settings file; none of these may loop or lay without bound.
TEST_F(Smoke, NoSpacingMakesLayingRunAway) {
    for (float spacing : {1e-30f, 0.0f, -1.5f, NAN, INFINITY}) {
        g->settings.smoke_detail = spacing;
        int n = lay_steps(1, 100, MISSILE);
        EXPECT_TRUE(n <= SMOKE_MAX_SLOTS && (n == 0 || std::isfinite(opacity))) << spacing << ": " << n;
    }
    g->settings.smoke_detail = 1.5f;
    EXPECT_EQ(lay_steps(1, 0, MISSILE, {INFINITY, 0, 0}), 0); // a step to infinity lays nothing
    seed_random(3);
    lay_smoke(g, {0, 0, 0}, {0, 0, 0}, MISSILE); // nor does a standing projectile, without a draw
    int next = random_draw();
    seed_random(3);
    EXPECT_EQ(next, random_draw());
}
