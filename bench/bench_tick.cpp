// The cost of one game tick at a 60 Hz frame: typical play (the scripted pilot with default
// settings) and stress (the player holding scatter, multi, fast and explosive power-ups and
// firing without pause, smoke at its finest). "frame_pct" is the tick's share of 16.7 ms.

#include "combat/combat.h"
#include "core/core.h"

#include <benchmark/benchmark.h>

namespace {

constexpr double FRAME_SECONDS = 1.0 / 60;

void run_ticks(benchmark::State &state, const driver_options &o) {
    game_record *g = start_headless_game(o);
    // Let the game fill up with tanks in play, missiles, smoke and explosions first.
    for (int i = 0; i < static_cast<int>(20 / o.tick); ++i) {
        drive_pilot(g, o);
        headless_tick(g, o);
    }
    for (auto _ : state) {
        drive_pilot(g, o);
        headless_tick(g, o);
    }
    state.counters["frame_pct"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * FRAME_SECONDS / 100,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
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
