// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Frame cost of the title screen and of the playing scene at 640x480, and of the playing scene
// at 1280x1024 in a window and in full screen, each reported as a ratio to a frame that only
// clears and swaps, timed in the same run on the same window. Needs a display (run under Xvfb);
// the pack is taken from HOLLOWMERE_PACK, the working directory or the build tree's parent
// directory, in that order.

#include "audio/audio.h"
#include "core/core.h"
#include "pack/pack.h"
#include "render/render.h"

#include <SDL/SDL.h>
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace {

bool ready = false;

pack_entry *find_pack() {
    const char *env = getenv("HOLLOWMERE_PACK");
    for (const char *path : {env, "hollowmere.data", "../hollowmere.data"}) {
        if (!path) continue;
        if (pack_entry *p = load_pack(path)) return p;
    }
    return nullptr;
}

// Brings the game up as start-up does, without audio, at 640x480.
bool set_up() {
    if (ready) return true;
    pack_entry *pack = find_pack();
    if (!pack) {
        fprintf(stderr, "bench_frame: no hollowmere.data found\n");
        return false;
    }
    choose_window_path();
    if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_TIMER) < 0) {
        fprintf(stderr, "bench_frame: %s\n", SDL_GetError());
        return false;
    }
    seed_random(17);
    game = new_game_record();
    game->pack = pack;
    default_settings(&game->settings);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    if (!SDL_SetVideoMode(640, 480, game->settings.bit_depth, SDL_OPENGL)) {
        fprintf(stderr, "bench_frame: %s\n", SDL_GetError());
        return false;
    }
    gl_setup(game);
    register_game_tank_types(game);
    game->field = nullptr;
    new_game(game);
    ready = true;
    return true;
}

void clear_and_swap() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    SDL_GL_SwapBuffers();
    glFinish();
}

void draw_and_swap() {
    draw_frame(game);
    SDL_GL_SwapBuffers();
    glFinish();
}

double seconds_per_frame(void (*frame)(), int frames) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < frames; ++i)
        frame();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / frames;
}

// Times `frame` against the clear-and-swap baseline, interleaved so that both see the same load.
void run_against_baseline(benchmark::State &state) {
    double baseline = 0, measured = 0;
    int rounds = 0;
    for (auto _ : state) {
        baseline += seconds_per_frame(clear_and_swap, 5);
        double t = seconds_per_frame(draw_and_swap, 5);
        measured += t;
        state.SetIterationTime(t);
        ++rounds;
        SDL_PumpEvents();
    }
    state.counters["ms_per_frame"] = 1000 * measured / rounds;
    state.counters["clear_swap_ms"] = 1000 * baseline / rounds;
    state.counters["ratio"] = measured / baseline;
}

void BM_TitleFrame(benchmark::State &state) {
    if (!set_up()) {
        state.SkipWithError("no display or pack");
        return;
    }
    game->flags = FLAG_GAME_OVER;
    game->game_time = 1.0f; // the "GAME OVER" phase
    game->tick_seconds = 0.1f;
    instructions_scroll = 8.0f; // the instructions fill their band
    run_against_baseline(state);
}
BENCHMARK(BM_TitleFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);

void BM_PlayingFrame(benchmark::State &state) {
    if (!set_up()) {
        state.SkipWithError("no display or pack");
        return;
    }
    game->flags = FLAG_PLAYING;
    // Two seconds of play first, so that the enemies are out and moving.
    static bool warmed = false;
    for (int i = 0; !warmed && i < 100; ++i) {
        game->tick_seconds = 0.02f;
        game_tick();
    }
    warmed = true;
    game->frame_ms_avg = 20.0f;
    run_against_baseline(state);
}
BENCHMARK(BM_PlayingFrame)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The playing scene at 1280x1024, in a window (0) or full screen (1), switched to as the menu
// does; 640x480 in a window again afterwards.
void BM_PlayingFrame1280(benchmark::State &state) {
    if (!set_up()) {
        state.SkipWithError("no display or pack");
        return;
    }
    settings_block &s = game->settings;
    s.fullscreen = static_cast<int>(state.range(0));
    s.width = 1280;
    s.height = 1024;
    state.SetLabel(s.fullscreen ? "full screen" : "window");
    if (set_video_mode(s.fullscreen, s.width, s.height, s.bit_depth)) {
        game->flags = FLAG_PLAYING;
        run_against_baseline(state);
    } else {
        state.SkipWithError("the display refuses 1280x1024");
    }
    s.fullscreen = 0;
    s.width = 640;
    s.height = 480;
    set_video_mode(0, s.width, s.height, s.bit_depth);
}
BENCHMARK(BM_PlayingFrame1280)->Arg(0)->Arg(1)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(3.0);

// The title frame's layers alone, without the swap: 0 the scene, 1 the panel and its texts,
// 2 the instructions.
void BM_TitleLayer(benchmark::State &state) {
    if (!set_up()) {
        state.SkipWithError("no display or pack");
        return;
    }
    int layer = static_cast<int>(state.range(0));
    game->flags = FLAG_GAME_OVER;
    game->game_time = 1.0f;
    state.SetLabel(layer == 0 ? "scene" : layer == 1 ? "title panel" : "instructions");
    for (auto _ : state) {
        if (layer == 0) draw_scene(game);
        if (layer == 1) draw_title_panel(game);
        if (layer == 2) draw_instructions(game, 8.0f);
        glFinish();
    }
}
BENCHMARK(BM_TitleLayer)->Arg(0)->Arg(1)->Arg(2)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
