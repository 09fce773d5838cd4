// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What replays cost: verifying a ten-minute game headless, against the game's own length
// ("times_real_time"); the recorder's share of each frame of play at 100 frames a second
// (record_frame and record_after_frame, its fingerprint every second and its writing of
// last.hmr every 10 s included) against a 16.7 ms frame, with the dearest single frame apart
// and what encoding the whole game, as each flush does, takes at its end; and the file's bytes
// per minute of play.

#include "combat/combat.h"
#include "core/core.h"
#include "replay/replay.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <string>
#include <unistd.h>

namespace {

constexpr double FRAME_SECONDS = 1.0 / 60;
constexpr double GAME_SECONDS = 600;

// Process CPU time, so that other work on a shared machine does not count against the replay.
double cpu_seconds() {
    timespec ts{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) * 1e-9;
}

// Wall time at a fine grain and a small price, for the recorder's calls one by one.
double now_seconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

struct recorded {
    replay r;
    double recorder_seconds = 0; // in the recorder's two calls, over the whole game
    double dearest_frame = 0;    // the most they took in one frame
    long frames = 0;
};

// Ten minutes of the collector pilot's play over the field, frames of 8 to 12 ms, recorded
// into `folder` ("" keeps it in memory). Each frame is the frame loop's playing one
// (advance_frame), with the recorder's calls timed apart from the ticks.
recorded record_ten_minutes(const std::string &folder) {
    driver_options o{.seed = 29, .pilot = PILOT_COLLECTOR, .field = true};
    game_record *g = start_headless_game(o);
    set_replay_folder(folder);
    record_start(g);
    const int jitter[] = {10, 11, 9, 10, 12, 8};
    recorded out;
    for (; g->game_time < GAME_SECONDS && !(g->flags & FLAG_GAME_OVER); ++out.frames) {
        drive_pilot(g, o);
        int dt = jitter[out.frames % 6];
        g->game_time += dt / 1000.0;
        g->frame_ms = dt;
        double t0 = now_seconds();
        record_frame(g, dt, FRAME_PLAY, held_actions(g));
        double spent = now_seconds() - t0;
        play_frame_ticks(g, dt);
        t0 = now_seconds();
        record_after_frame(g);
        spent += now_seconds() - t0;
        out.recorder_seconds += spent;
        if (spent > out.dearest_frame) out.dearest_frame = spent;
    }
    record_stop(g);
    out.r = *current_recording();
    free_headless_game(g);
    set_replay_folder("");
    return out;
}

void BM_RecordTenMinutes(benchmark::State &state) {
    char folder[] = "/tmp/hollowmere-bench-replay-XXXXXX";
    if (!mkdtemp(folder)) {
        state.SkipWithError("no scratch folder");
        return;
    }
    recorded rec;
    for (auto _ : state)
        rec = record_ten_minutes(folder);
    std::string file = std::string(folder) + "/last.hmr";
    unlink(file.c_str());
    rmdir(folder);
    double minutes = rec.r.duration_ms / 60000.0;
    state.counters["game_minutes"] = minutes;
    state.counters["frame_pct"] =
        rec.recorder_seconds / static_cast<double>(rec.frames) / FRAME_SECONDS * 100;
    state.counters["dearest_frame_pct"] = rec.dearest_frame / FRAME_SECONDS * 100;
    // What the dearest frame spends on encoding: the whole recording, at every flush.
    double t0 = now_seconds();
    size_t bytes = encode_replay(rec.r).size();
    state.counters["encode_ms"] = (now_seconds() - t0) * 1000;
    state.counters["bytes_per_minute"] = static_cast<double>(bytes) / minutes;
}

void BM_VerifyTenMinutes(benchmark::State &state) {
    const replay r = record_ten_minutes("").r;
    int outcome = PLAYBACK_VERIFIED;
    double start = cpu_seconds();
    for (auto _ : state) {
        playback_result p = verify_replay(r);
        if (p.outcome != PLAYBACK_VERIFIED) outcome = p.outcome;
        benchmark::DoNotOptimize(p.fingerprint);
    }
    double per_verify = (cpu_seconds() - start) / static_cast<double>(state.iterations());
    if (outcome != PLAYBACK_VERIFIED) state.SkipWithError("the replay did not verify");
    state.counters["game_minutes"] = r.duration_ms / 60000.0;
    state.counters["verify_seconds"] = per_verify;
    state.counters["times_real_time"] = r.duration_ms / 1000.0 / per_verify;
}

} // namespace

BENCHMARK(BM_RecordTenMinutes)->Iterations(1)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_VerifyTenMinutes)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
