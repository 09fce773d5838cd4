// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Per-tick cost of the world's busiest updates: smoke with about 5000 puffs alive (laid by
// missiles in flight and aged every tick), and four tanks driving through the full stock of
// barrels. A frame at 60 Hz is 16.7 ms; the counters give each tick's share of one.

#include "combat/combat.h"
#include "core/core.h"
#include "render/render.h"
#include "world/world.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

// A counter that reads as the percentage of a 16.7 ms frame one iteration takes.
benchmark::Counter frame_percent() {
    return benchmark::Counter(0.000167,
                              benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

game_record *bench_game() {
    game_record *g = new_game_record();
    default_settings(&g->settings);
    game = g;
    return g;
}

int count_puffs(const smoke_puff *p) {
    int n = 0;
    for (; p; p = p->next)
        ++n;
    return n;
}

// 51 missiles at 70 units per second and the finest spacing keep about 5000 puffs alive.
void smoke_tick(game_record *g, int missiles, float t) {
    for (int m = 0; m < missiles; ++m) {
        float y = static_cast<float>(m) - missiles / 2.0f;
        float x0 = -50 + 70 * t, x1 = x0 + 70 * g->tick_seconds;
        lay_smoke(g, {x0, y, 1.5f}, {x1, y, 1.5f}, MISSILE);
    }
    update_smoke(g);
}

void BM_SmokeTick(benchmark::State &state) {
    game_record *g = bench_game();
    g->tick_seconds = 0.01f;
    g->settings.smoke_detail = 0.5f;
    seed_random(17);
    const int missiles = 51;
    float t = 0;
    for (int k = 0; k<200; ++k, t = t> 1.4f ? 0 : t + g->tick_seconds)
        smoke_tick(g, missiles, t);
    double puffs = 0;
    long ticks = 0;
    for (auto _ : state) {
        smoke_tick(g, missiles, t);
        t = t > 1.4f ? 0 : t + g->tick_seconds;
        benchmark::DoNotOptimize(g->smoke);
        if ((ticks++ & 63) == 0) {
            state.PauseTiming();
            puffs += count_puffs(g->smoke);
            state.ResumeTiming();
        }
    }
    state.counters["puffs"] = puffs / ((ticks + 63) / 64);
    state.counters["frame_percent"] = frame_percent();
    while (smoke_puff *p = g->smoke) {
        g->smoke = p->next;
        free(p);
    }
    free(g);
}
BENCHMARK(BM_SmokeTick)->Unit(benchmark::kMicrosecond);

struct driving_tanks {
    tank_type type{};
    tank tanks[4]{};
};

void start_pass(game_record *g, driving_tanks &d) {
    g->barrels = make_barrels(g->barrels);
    for (int k = 0; k < 4; ++k) {
        tank &t = d.tanks[k];
        t.type = &d.type;
        t.x = t.prev_x = -20.0f - k;
        t.y = t.prev_y = -6.0f + 4.0f * k + 0.3f;
    }
}

// Four tanks abreast at 35 units per second, each pushing through its row of the stock.
void BM_PushBarrelsFourTanks(benchmark::State &state) {
    game_record *g = bench_game();
    g->tick_seconds = 0.01f;
    seed_random(17);
    driving_tanks d;
    d.type.radius = 1.6f;
    start_pass(g, d);
    for (auto _ : state) {
        for (tank &t : d.tanks) {
            t.prev_x = t.x;
            t.prev_y = t.y;
            t.x += 35 * g->tick_seconds;
            push_barrels(g, &t);
        }
        if (d.tanks[3].x > 20) {
            state.PauseTiming();
            start_pass(g, d);
            state.ResumeTiming();
        }
    }
    state.counters["frame_percent"] = frame_percent();
    while (barrel *b = g->barrels) {
        g->barrels = b->next;
        free(b);
    }
    free(g);
}
BENCHMARK(BM_PushBarrelsFourTanks)->Unit(benchmark::kMicrosecond);

// The worst case the pushing guards against: the whole stock collapsed onto one tank's centre.
void BM_CollapsedStockUnderATank(benchmark::State &state) {
    game_record *g = bench_game();
    driving_tanks d;
    d.type.radius = 1.6f;
    g->barrels = make_barrels(nullptr);
    for (auto _ : state) {
        state.PauseTiming();
        for (barrel *b = g->barrels; b; b = b->next)
            b->x = b->y = 0;
        tank &t = d.tanks[0];
        t.type = &d.type;
        t.x = t.y = t.prev_x = t.prev_y = 0;
        state.ResumeTiming();
        push_barrels(g, &t);
    }
    state.counters["frame_percent"] = frame_percent();
    while (barrel *b = g->barrels) {
        g->barrels = b->next;
        free(b);
    }
    free(g);
}
BENCHMARK(BM_CollapsedStockUnderATank)->Unit(benchmark::kMicrosecond);

} // namespace

BENCHMARK_MAIN();
