// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Decoding the resource pack against a plain memory copy of the same bytes. The pack is the
// generated one of the build tree (HOLLOWMERE_PACK, else ./hollowmere.data, else ../hollowmere.data);
// "ratio_to_copy" in BM_DecodePack is the decode time over the copy time measured alongside.

#include "pack/pack.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <vector>

namespace {

std::vector<uint8_t> pack_bytes() {
    static std::vector<uint8_t> bytes = [] {
        const char *env = getenv("HOLLOWMERE_PACK");
        for (const char *path : {env, "hollowmere.data", "../hollowmere.data"}) {
            if (!path) continue;
            std::ifstream in(path, std::ios::binary);
            if (in) return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
        }
        return std::vector<uint8_t>();
    }();
    return bytes;
}

double copy_seconds(const std::vector<uint8_t> &bytes) {
    std::vector<uint8_t> dest(bytes.size());
    auto start = std::chrono::steady_clock::now();
    const int rounds = 20;
    for (int i = 0; i < rounds; ++i) {
        memcpy(dest.data(), bytes.data(), bytes.size());
        benchmark::DoNotOptimize(dest.data());
        benchmark::ClobberMemory();
    }
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() / rounds;
}

void BM_DecodePack(benchmark::State &state) {
    std::vector<uint8_t> bytes = pack_bytes();
    if (bytes.empty()) {
        state.SkipWithError("no generated pack found");
        return;
    }
    FILE *null_out = freopen("/dev/null", "w", stdout); // the "loaded" lines
    (void)null_out;
    double total = 0;
    for (auto _ : state) {
        auto start = std::chrono::steady_clock::now();
        pack_entry *head = decode_pack(bytes);
        total += std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        benchmark::DoNotOptimize(head);
        free_pack(head);
    }
    double per_decode = total / static_cast<double>(state.iterations());
    state.counters["ratio_to_copy"] = per_decode / copy_seconds(bytes);
    state.counters["MB"] = static_cast<double>(bytes.size()) / 1e6;
}

} // namespace

BENCHMARK(BM_DecodePack)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
