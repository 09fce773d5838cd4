// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Barrels: falling with one thud, lifting away, and the pushing
// between barrels and between a tank and a barrel, including ties and a collapsed cluster.

#include "audio/audio.h"
#include "combat/combat.h"
#include "core/core.h"
#include "pack/pack.h"
#include "render/render.h"
#include "world/world.h"

#include "support/test_support.h"

#include <cmath>
#include <cstdlib>
#include <gtest/gtest.h>
#include <tuple>

static double gap(const barrel *a, float x, float y) {
    return length2d(a->x - x, a->y - y);
}

struct Barrels : ::testing::Test {
    game_record *g = make_test_game();
    tank_type type{};
    tank t{};
    void SetUp() override {
        type.radius = 1.6f;
        t.type = &type;
    }
    void TearDown() override { free_test_game(g); }
    barrel *add(float x, float y, int state = BARREL_GROUND) {
        auto *b = static_cast<barrel *>(calloc(1, sizeof(barrel)));
        *b = {x, y, 0, 0, state, 0, 0, g->barrels};
        return g->barrels = b;
    }
};

TEST_F(Barrels, DroppedBarrelThudsOnceAtItsPeakWhereItLands) {
    device_spec = SDL_AudioSpec{16000, AUDIO_S16LSB, 2, 0, 512, 0, 0, nullptr, nullptr};
    audio_open = true;
    g->pack =
        decode_pack(make_pack({{"audio_barrel_drop", make_wav(16000, std::vector<int16_t>(800, 1000))}}));
    add(5, 5); // standing on the ground: never thuds
    barrel *b = add(7, -3, BARREL_CARRIED);
    b->lift = 1.25f;
    g->tick_seconds = 0.05f;
    update_barrels(g);
    drop_barrel(b);
    sound_instance *before = sound_instances;
    for (int tick = 0; tick < 40; ++tick)
        update_barrels(g);
    const sound_instance *s = sound_instances; // one thud, at its peak where it landed
    EXPECT_EQ(std::tuple(s->next, s->sound->name, s->volume, s->x, s->y, b->lift),
              std::tuple(before, "audio_barrel_drop", 1.25f, 7.0f, -3.0f, 0.0f));
    audio_open = false;
    free_pack(g->pack);

    b->lift = b->peak = 0.75f; // a fall that ends exactly on the ground still lands
    float v = 0;
    EXPECT_TRUE(advance_barrel(g, b, 0.25f, &v));
    EXPECT_EQ(v, 0.75f);
    b->lift = 1.0f; // the next fall's thud is its own: the peak it is seen at after a tick
    EXPECT_FALSE(advance_barrel(g, b, 0.25f, &v));
    EXPECT_TRUE(advance_barrel(g, b, 0.25f, &v));
    EXPECT_EQ(v, 0.25f);
}

TEST_F(Barrels, LiftingBarrelTurnsAndLeavesOnce) {
    barrel *b = add(62, 0, BARREL_LIFTING);
    b->lift = b->timer = 1.0f;
    g->barrels_left = 18;
    advance_barrel(g, b, 0.1f, nullptr);
    EXPECT_NEAR(b->heading, 18.0f, 1e-4); // 180 degrees per second
    float below = 0;
    for (int tick = 0; tick < 100 && b->state == BARREL_LIFTING; ++tick) {
        below = b->lift;
        advance_barrel(g, b, 0.1f, nullptr);
    }
    EXPECT_EQ(b->state, BARREL_GONE);
    EXPECT_TRUE(below <= 30 && b->lift > 30) << below << " " << b->lift;
    for (int tick = 0; tick < 50; ++tick)
        advance_barrel(g, b, 0.1f, nullptr);
    EXPECT_EQ(g->barrels_left, 17);
}

TEST_F(Barrels, PushedBarrelsEndApartInEqualSharesAndTankYieldsHalf) {
    barrel *a = add(0, 0);
    barrel *b = add(0.5f, 0);
    add(0, 0, BARREL_GONE); // gone barrels are not in the way
    separate_barrels(g, a);
    double d = gap(a, b->x, b->y);
    EXPECT_TRUE(d >= 1.0 && d < 1.05) << d; // 4% more per step: no overshoot beyond one step
    EXPECT_NEAR((a->x + b->x) / 2, 0.25f, 1e-5);
    EXPECT_TRUE(a->y == 0 && b->y == 0);

    // Pushed on into a third, the pair's line turns; each of a pair turns by half of that turn
    // (as it stands when the pair is apart), in opposite senses, so that the headings add up
    // to nothing. The values are this layout's, pinned.
    barrel *c = add(0.75f, 0.5f);
    a->x = 0, b->x = 0.5f;
    separate_barrels(g, a);
    EXPECT_NEAR(a->heading, 3.0427f, 1e-3);
    EXPECT_NEAR(c->heading, -10.9239f, 1e-3);
    EXPECT_NEAR(a->heading + b->heading + c->heading, 0, 1e-3);
    c->state = BARREL_GONE;

    // A tank driving into a barrel is pushed back half as far as the barrel.
    b->x = 21.5f, b->y = 0;
    t.x = 20;
    t.prev_x = 19.9f;
    push_barrels(g, &t);
    EXPECT_GE(gap(b, t.x, t.y), 2.1);
    EXPECT_GT(b->x, 21.5f);
    EXPECT_NEAR(20 - t.x, (b->x - 21.5f) / 2, 1e-4);
    EXPECT_EQ(b->y, 0.0f);
}

// Barrels stacked on one point (alone or under a tank) once made the pushing spin for ever.
TEST_F(Barrels, CoincidentBarrelsAndCollapsedClustersComeApart) {
    for (int count : {1, 2, 18}) {
        for (bool under_tank : {false, true}) {
            SCOPED_TRACE(testing::Message() << count << " " << under_tank);
            free_test_game(g);
            g = make_test_game();
            for (int k = 0; k < count; ++k)
                add(1, 1);
            t.x = t.prev_x = t.y = t.prev_y = 1;
            under_tank ? push_barrels(g, &t) : separate_barrels(g, g->barrels);
            for (const barrel *a = g->barrels; a; a = a->next) {
                ASSERT_TRUE(std::isfinite(a->x) && std::isfinite(a->y) && std::isfinite(a->heading));
                for (const barrel *b = a->next; b; b = b->next)
                    EXPECT_GE(gap(a, b->x, b->y), 1.0);
                // A lone barrel ends clear of the tank.
                EXPECT_TRUE(!under_tank || count > 1 || gap(a, t.x, t.y) >= 2.1) << gap(a, t.x, t.y);
            }
        }
    }
}
