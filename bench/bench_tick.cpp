// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The cost of one game tick at a 60 Hz frame: typical play (the scripted pilot with default
// settings) and stress (the player holding scatter, multi, fast and explosive power-ups and
// firing without pause, smoke at its finest). "frame_pct" is the tick's share of 16.7 ms.

#include "combat/combat.h"
#include "core/core.h"

#include <benchmark/benchmark.h>
#include <ctime>

namespace {

constexpr double FRAME_SECONDS = 1.0 / 60;

// Process CPU time, so that other work on a shared machine does not count against the tick.
double cpu_seconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

void run_ticks(benchmark::State &state, const driver_options &o) {
    game_record *g = start_headless_game(o);
    // Let the game fill up with tanks in play, missiles, smoke and explosions first.
    for (int i = 0; i < static_cast<int>(20 / o.tick); ++i) {
        drive_pilot(g, o);
        headless_tick(g, o);
    }
    double start = cpu_seconds();
    for (auto _ : state) {
        drive_pilot(g, o);
        headless_tick(g, o);
        // Keep the play representative: enemies grow ever faster in a game that never ends.
        if (g->game_time > 300) {
            state.PauseTiming();
            new_game(g);
            g->flags = FLAG_PLAYING;
            state.ResumeTiming();
        }
    }
    double per_tick = (cpu_seconds() - start) / static_cast<double>(state.iterations());
    state.counters["us_per_tick"] = per_tick * 1e6;
    state.counters["frame_pct"] = per_tick / FRAME_SECONDS * 100;
    free_headless_game(g);
}

void BM_TickTypical(benchmark::State &state) {
    driver_options o;
    o.tick = static_cast<float>(FRAME_SECONDS);
    o.stop_at_game_over = false;
    run_ticks(state, o);
}

void BM_TickStress(benchmark::State &state) {
    driver_options o;
    o.tick = static_cast<float>(FRAME_SECONDS);
    o.held_actions = ACT_FIRE;
    o.power_ups = MISSILE_SCATTER | MISSILE_MULTI | MISSILE_FAST | MISSILE_EXPLOSIVE;
    o.smoke_level = 5;
    o.stop_at_game_over = false;
    run_ticks(state, o);
}

} // namespace

BENCHMARK(BM_TickTypical);
BENCHMARK(BM_TickStress);
BENCHMARK_MAIN();
