// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The cost of one audio callback: a 512-frame stereo buffer with 32 active looping,
// positional instances. The counter "percent_of_realtime" is the CPU time per buffer as a
// percentage of the buffer's own playing time (512 frames at 16000 Hz = 32 ms).

#include "audio/audio.h"
#include "core/core.h"
#include "pack/pack.h"

#include <benchmark/benchmark.h>
#include <cstring>
#include <vector>

namespace {

void put(std::vector<uint8_t> &v, uint32_t x, int bytes) {
    for (int i = 0; i < bytes; ++i)
        v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}

// A mono 16-bit WAV of a square wave.
std::vector<uint8_t> square_wav(int rate, int frames, int period) {
    std::vector<uint8_t> v{'R', 'I', 'F', 'F'};
    put(v, 36 + 2 * static_cast<uint32_t>(frames), 4);
    for (char c : std::string("WAVEfmt "))
        v.push_back(static_cast<uint8_t>(c));
    put(v, 16, 4);
    put(v, 1, 2);
    put(v, 1, 2);
    put(v, static_cast<uint32_t>(rate), 4);
    put(v, static_cast<uint32_t>(rate) * 2, 4);
    put(v, 2, 2);
    put(v, 16, 2);
    for (char c : std::string("data"))
        v.push_back(static_cast<uint8_t>(c));
    put(v, 2 * static_cast<uint32_t>(frames), 4);
    for (int i = 0; i < frames; ++i)
        put(v, static_cast<uint16_t>(i % period < period / 2 ? 6000 : -6000), 2);
    return v;
}

void BM_MixOneBuffer32Instances(benchmark::State &state) {
    game = new_game_record();
    default_settings(&game->settings);
    std::vector<uint8_t> plain;
    // Lengths below and above one buffer, so that loops wrap inside buffers as well.
    append_pack_record(plain, "audio_engine_fast", square_wav(16000, 3000, 40));
    append_pack_record(plain, "audio_engine_slow", square_wav(16000, 300, 90));
    game->pack = decode_pack(encode_pack_stream(plain));

    std::memset(&device_spec, 0, sizeof device_spec);
    device_spec.freq = 16000;
    device_spec.format = AUDIO_S16LSB;
    device_spec.channels = 2;
    device_spec.samples = 512;
    audio_open = true;

    for (int k = 0; k < 32; ++k) {
        sound_instance *v =
            make_voice(game, k % 2 ? "audio_engine_fast" : "audio_engine_slow", 1.0f, SOUND_LOOP);
        start_voice(v, SOUND_LOOP);
        place_voice(v, static_cast<float>(k * 2), static_cast<float>(k));
    }
    set_listener(game, 5, 5);

    std::vector<uint8_t> stream(2048);
    for (auto _ : state) {
        std::memset(stream.data(), 0, stream.size()); // SDL hands the callback silence
        mix_audio(nullptr, stream.data(), static_cast<int>(stream.size()));
        benchmark::DoNotOptimize(stream.data());
        benchmark::ClobberMemory();
    }
    // An inverted rate: CPU seconds per (buffers x 0.32 ms), that is, per cent of real time.
    state.counters["percent_of_realtime"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * 0.032 / 100.0,
                           benchmark::Counter::kIsRate | benchmark::Counter::kInvert);

    free_all_sounds();
    audio_open = false;
    free_pack(game->pack);
    free(game);
    game = nullptr;
}
BENCHMARK(BM_MixOneBuffer32Instances);

} // namespace

BENCHMARK_MAIN();
