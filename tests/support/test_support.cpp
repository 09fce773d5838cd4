// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

#include "support/test_support.h"

#include "combat/combat.h"
#include "core/core.h"
#include "pack/pack.h"
#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

// No test needs a sound card or a display: SDL's dummy audio and offscreen GL stand in, set
// before any test opens SDL.
static const bool test_drivers = [] {
    if (!getenv("SDL_AUDIODRIVER")) set_environment("SDL_AUDIODRIVER", "dummy");
    if (!getenv("SDL_VIDEODRIVER")) set_environment("SDL_VIDEODRIVER", "offscreen");
    return true;
}();

#ifdef HOLLOWMERE_GL_TEST
// SDL and Mesa keep allocations for the whole process; only the game's own leaks count.
extern "C" const char *__asan_default_options() {
    return "detect_leaks=0";
}
#endif

// A name no other test process is using: made fresh, never one that was already there.
scratch_dir::scratch_dir() {
    static std::random_device entropy;
    std::error_code ec;
    std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
    for (int attempt = 0; attempt < 100 && path.empty(); ++attempt) {
        char name[32];
        snprintf(name, sizeof name, "hollowmere-test-%08x", static_cast<unsigned>(entropy()));
        if (std::filesystem::create_directory(temp / name, ec)) path = (temp / name).string();
    }
}

scratch_dir::~scratch_dir() {
    std::error_code ec;
    if (!path.empty()) {
        std::filesystem::permissions(path, std::filesystem::perms::owner_all, ec);
        std::filesystem::remove_all(path, ec);
    }
}

game_record *make_test_game() {
    game_record *g = new_game_record();
    default_settings(&g->settings);
    game = g;
    return g;
}

void free_test_game(game_record *g) {
    free_headless_game(g); // releases the record with every list that hangs off it
}

std::vector<uint8_t> read_file(const std::string &path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void write_file(const std::string &path, const std::vector<uint8_t> &bytes) {
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char *>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

// Little-endian fields of the given widths in bytes.
static void put(std::vector<uint8_t> &v, std::initializer_list<std::pair<uint32_t, int>> fields) {
    for (auto [x, bytes] : fields)
        for (int i = 0; i < bytes; ++i)
            v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}

std::vector<uint8_t> make_bmp(int width, int height, const std::vector<uint8_t> &bgr) {
    std::vector<uint8_t> v{'B', 'M'};
    auto size = static_cast<uint32_t>(bgr.size()), w = static_cast<uint32_t>(width),
         h = static_cast<uint32_t>(height);
    put(v, {{54 + size, 4}, {0, 4}, {54, 4}, {40, 4}, {w, 4}, {h, 4}, {1, 2}, {24, 2}});
    put(v, {{0, 4}, {size, 4}, {2835, 4}, {2835, 4}, {0, 4}, {0, 4}});
    v.insert(v.end(), bgr.begin(), bgr.end());
    return v;
}

std::vector<uint8_t> make_wav(int rate, const std::vector<int16_t> &samples) {
    auto data_bytes = static_cast<uint32_t>(samples.size() * 2), r = static_cast<uint32_t>(rate);
    std::vector<uint8_t> v{'R', 'I', 'F', 'F'};
    put(v, {{36 + data_bytes, 4}});
    v.insert(v.end(), {'W', 'A', 'V', 'E', 'f', 'm', 't', ' '});
    put(v, {{16, 4}, {1, 2}, {1, 2}, {r, 4}, {r * 2, 4}, {2, 2}, {16, 2}});
    v.insert(v.end(), {'d', 'a', 't', 'a'});
    put(v, {{data_bytes, 4}});
    for (int16_t s : samples)
        put(v, {{static_cast<uint16_t>(s), 2}});
    return v;
}

std::vector<uint8_t> make_pack(const std::vector<std::pair<std::string, std::vector<uint8_t>>> &records) {
    std::vector<uint8_t> plain;
    for (const auto &[name, bytes] : records)
        append_pack_record(plain, name, bytes);
    return encode_pack_stream(plain);
}

std::vector<uint8_t> text_bytes(const std::string &text) {
    std::vector<uint8_t> v(text.begin(), text.end());
    v.push_back(0);
    return v;
}
