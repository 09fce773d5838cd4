// Barrels: the stock reset by a new game, falling with one thud, lifting away, and the pushing
// between barrels and between a tank and a barrel, including ties and a collapsed cluster.

#include "audio/audio.h"
#include "combat/combat.h"
#include "core/core.h"
#include "pack/pack.h"
#include "render/render.h"
#include "world/world.h"

#include "support/test_support.h"

#include <cmath>
#include <cstring>
#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

namespace {

barrel *add_barrel(game_record *g, float x, float y, int state = BARREL_GROUND) {
    auto *b = static_cast<barrel *>(calloc(1, sizeof(barrel)));
    b->x = x;
    b->y = y;
    b->state = state;
    b->next = g->barrels;
    g->barrels = b;
    return b;
}

void free_barrels(barrel *b) {
    while (b) {
        barrel *next = b->next;
        free(b);
        b = next;
    }
}

double distance(const barrel *a, const barrel *b) {
    return length2d(a->x - b->x, a->y - b->y);
}

double closest_pair(const barrel *list) {
    double best = 1e9;
    for (const barrel *a = list; a; a = a->next)
        for (const barrel *b = a->next; b; b = b->next)
            best = std::min(best, distance(a, b));
    return best;
}

struct Barrels : ::testing::Test {
    game_record *g = make_test_game();
    tank_type type{};
    tank t{};
    void SetUp() override {
        type.radius = 1.6f;
        t.type = &type;
        g->tick_seconds = 0.01f;
    }
    void TearDown() override {
        free_barrels(g->barrels);
        free_test_game(g);
    }
};

} // namespace

TEST_F(Barrels, NewGameRestoresAllEighteenWithFreshHeadings) {
    srand(3);
    g->barrels = make_barrels(nullptr);
    std::vector<barrel *> records;
    for (barrel *b = g->barrels; b; b = b->next)
        records.push_back(b);
    ASSERT_EQ(records.size(), 18u);
    // Pushed at the head one by one: the list runs from stock entry 17 down to entry 0.
    EXPECT_EQ(records[0]->x, 6.0f);
    EXPECT_EQ(records[0]->y, 6.0f);
    EXPECT_EQ(records[17]->x, -6.0f);
    EXPECT_EQ(records[17]->y, -6.0f);

    records[0]->state = BARREL_GONE;
    records[1]->state = BARREL_LIFTING;
    records[1]->lift = records[1]->peak = 12;
    records[2]->state = BARREL_CARRIED;
    records[2]->x = 40;
    records[2]->timer = 0.5f;

    srand(9);
    std::vector<float> headings;
    for (int k = 0; k < 18; ++k)
        headings.push_back(static_cast<float>(random_unit() * 360));
    srand(9);
    EXPECT_EQ(make_barrels(g->barrels), records[0]);
    int k = 0;
    for (barrel *b = g->barrels; b; b = b->next, ++k) {
        ASSERT_EQ(b, records[k]);
        EXPECT_EQ(b->x, barrel_stock[k][0]);
        EXPECT_EQ(b->y, barrel_stock[k][1]);
        EXPECT_EQ(b->state, BARREL_GROUND);
        EXPECT_EQ(b->lift, 0.0f);
        EXPECT_EQ(b->peak, 0.0f);
        EXPECT_EQ(b->timer, 0.0f);
        EXPECT_EQ(b->heading, headings[k]);
    }
}

TEST_F(Barrels, DroppedBarrelThudsOnceAtItsPeak) {
    barrel *standing = add_barrel(g, 5, 5);
    barrel *b = add_barrel(g, 0, 0, BARREL_CARRIED);
    b->lift = 2.0f;
    float volume = -1;
    EXPECT_FALSE(advance_barrel(g, b, 0.01f, &volume));
    EXPECT_EQ(b->peak, 2.0f);
    drop_barrel(b);
    EXPECT_EQ(b->state, BARREL_GROUND);
    EXPECT_EQ(b->lift, 2.0f);

    int thuds = 0;
    for (int tick = 0; tick < 200; ++tick) {
        float v = -1;
        if (advance_barrel(g, b, 0.01f, &v)) {
            ++thuds;
            volume = v;
            EXPECT_EQ(b->lift, 0.0f);
            EXPECT_EQ(b->peak, 0.0f);
            // 2 units at 3 per second: the landing falls in tick 67.
            EXPECT_EQ(tick, 66);
        }
        EXPECT_FALSE(advance_barrel(g, standing, 0.01f, &v));
    }
    EXPECT_EQ(thuds, 1);
    EXPECT_EQ(volume, 2.0f);
    update_barrels(g); // without a pack there is no sound, and nothing else changes
    EXPECT_EQ(b->lift, 0.0f);
}

TEST_F(Barrels, BarrelLandingExactlyOnZeroStillThuds) {
    barrel *b = add_barrel(g, 0, 0);
    b->lift = 0.75f;
    b->peak = 0.75f;
    float v = 0;
    EXPECT_TRUE(advance_barrel(g, b, 0.25f, &v)); // 0.75 - 3 * 0.25 is exactly 0
    EXPECT_EQ(v, 0.75f);
}

TEST_F(Barrels, LiftingBarrelTurnsAndLeavesOnce) {
    barrel *b = add_barrel(g, 62, 0, BARREL_LIFTING);
    b->lift = 1.0f;
    b->timer = 1.0f;
    g->barrels_left = 18;
    advance_barrel(g, b, 0.1f, nullptr);
    EXPECT_NEAR(b->heading, 18.0f, 1e-4); // 180 degrees per second
    EXPECT_NEAR(b->lift, 1.5f, 1e-6);
    EXPECT_NEAR(b->timer, 0.9f, 1e-6);
    float before = b->lift;
    for (int tick = 0; tick < 100 && b->state == BARREL_LIFTING; ++tick) {
        before = b->lift;
        advance_barrel(g, b, 0.1f, nullptr);
    }
    EXPECT_EQ(b->state, BARREL_GONE);
    EXPECT_GT(b->lift, 30.0f);
    EXPECT_LE(before, 30.0f);
    EXPECT_EQ(g->barrels_left, 17);
    for (int tick = 0; tick < 50; ++tick)
        advance_barrel(g, b, 0.1f, nullptr);
    EXPECT_EQ(g->barrels_left, 17);
}

TEST_F(Barrels, BarrelsHalfApartEndAtLeastOneApart) {
    barrel *a = add_barrel(g, 0, 0);
    barrel *b = add_barrel(g, 0.5f, 0);
    add_barrel(g, 0, 0, BARREL_GONE); // gone barrels are not in the way
    separate_barrels(g, a);
    EXPECT_GE(distance(a, b), 1.0);
    EXPECT_LT(distance(a, b), 1.05); // 4% more per step: no overshoot beyond one step
    EXPECT_LT(a->x, 0.0f);
    EXPECT_GT(b->x, 0.5f);
    EXPECT_NEAR((a->x + b->x) / 2, 0.25f, 1e-5); // equal shares
    EXPECT_EQ(a->y, 0.0f);
    EXPECT_EQ(b->y, 0.0f);

    // A carried barrel yields a twentieth of what the loose one does.
    a->state = BARREL_CARRIED;
    a->x = 10;
    b->x = 10.5f;
    separate_barrels(g, a);
    EXPECT_GE(distance(a, b), 1.0);
    EXPECT_NEAR(b->x - 10.5f, (10 - a->x) * 20, 1e-3);

    separate_barrels(g, nullptr);
    separate_barrels(nullptr, a);
}

TEST_F(Barrels, TankIsPushedBackHalfAsFarAsTheBarrel) {
    barrel *b = add_barrel(g, 1.5f, 0);
    t.x = t.y = 0;
    t.prev_x = -0.1f;
    t.prev_y = 0;
    push_barrels(g, &t);
    EXPECT_GE(length2d(b->x - t.x, b->y - t.y), 2.1);
    float barrel_moved = b->x - 1.5f;
    float tank_moved = -t.x;
    EXPECT_GT(barrel_moved, 0.0f);
    EXPECT_NEAR(tank_moved, barrel_moved / 2, 1e-4);
    EXPECT_EQ(b->y, 0.0f);

    // A carried barrel hardly moves and shoves the tank instead.
    b->x = 50;
    barrel *held = add_barrel(g, 0, 2.0f, BARREL_CARRIED);
    t.x = t.y = t.prev_x = t.prev_y = 0;
    push_barrels(g, &t);
    EXPECT_GE(length2d(held->x - t.x, held->y - t.y), 2.1);
    EXPECT_NEAR(-t.y, (held->y - 2.0f) * 20, 1e-3);

    push_barrels(g, nullptr);
    push_barrels(nullptr, &t);
}

TEST_F(Barrels, CoincidentBarrelsAndTankStillSeparate) {
    barrel *a = add_barrel(g, 3, 3);
    barrel *b = add_barrel(g, 3, 3);
    separate_barrels(g, a);
    EXPECT_GE(distance(a, b), 1.0);

    barrel *c = add_barrel(g, -20, -20);
    t.x = t.prev_x = -20;
    t.y = t.prev_y = -20;
    push_barrels(g, &t);
    EXPECT_GE(length2d(c->x - t.x, c->y - t.y), 2.1);
}

TEST_F(Barrels, ClusterOfEighteenOnOnePointSpreadsApart) {
    for (int k = 0; k < 18; ++k)
        add_barrel(g, 1, 1);
    separate_barrels(g, g->barrels);
    EXPECT_GE(closest_pair(g->barrels), 1.0);

    // The same collapse right under a tank: the tank and the stock both come free.
    free_barrels(g->barrels);
    g->barrels = nullptr;
    for (int k = 0; k < 18; ++k)
        add_barrel(g, 0, 0);
    t.x = t.y = t.prev_x = t.prev_y = 0;
    push_barrels(g, &t);
    EXPECT_GE(closest_pair(g->barrels), 1.0);
    for (barrel *b = g->barrels; b; b = b->next) {
        EXPECT_TRUE(std::isfinite(b->x) && std::isfinite(b->y));
        EXPECT_TRUE(std::isfinite(b->heading));
    }
}

TEST_F(Barrels, UpdateBarrelsPlaysOneThudAtThePeakWhereTheBarrelLands) {
    std::memset(&device_spec, 0, sizeof device_spec);
    device_spec.freq = 16000;
    device_spec.format = AUDIO_S16LSB;
    device_spec.channels = 2;
    device_spec.samples = 512;
    audio_open = true;
    g->pack =
        decode_pack(make_pack({{"audio_barrel_drop", make_wav(16000, std::vector<int16_t>(800, 1000))}}));
    barrel *b = add_barrel(g, 7, -3, BARREL_CARRIED);
    b->lift = 1.25f;
    g->tick_seconds = 0.05f;
    update_barrels(g);
    drop_barrel(b);
    auto thuds = [] {
        int n = 0;
        for (sound_instance *i = sound_instances; i; i = i->next)
            if (i->sound && i->sound->name == "audio_barrel_drop" && i->active) ++n;
        return n;
    };
    int before = thuds();
    for (int tick = 0; tick < 40; ++tick)
        update_barrels(g);
    ASSERT_EQ(thuds(), before + 1);
    sound_instance *i = sound_instances;
    EXPECT_EQ(i->volume, 1.25f);
    EXPECT_EQ(i->x, 7.0f);
    EXPECT_EQ(i->y, -3.0f);
    audio_open = false;
    free_pack(g->pack);
    g->pack = nullptr;
}
