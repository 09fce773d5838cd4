// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Shared helpers of the test suite: a scratch directory, a fresh game record, and small
// resources (bitmaps, WAVs, packs) made in memory.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

struct game_record;

// A fresh directory under the system's temporary directory, removed with its contents.
struct scratch_dir {
    std::string path;
    scratch_dir();
    ~scratch_dir();
    std::string file(const std::string &name) const { return path + "/" + name; }
};

// A record as start-up makes it, with default settings and no pack; also sets the global.
game_record *make_test_game();
void free_test_game(game_record *g);

std::vector<uint8_t> read_file(const std::string &path);
void write_file(const std::string &path, const std::vector<uint8_t> &bytes);

// A 24-bit bitmap whose pixels are given as B, G, R bytes, row after row, no padding.
std::vector<uint8_t> make_bmp(int width, int height, const std::vector<uint8_t> &bgr);
// A mono 16-bit PCM WAV of the given samples.
std::vector<uint8_t> make_wav(int rate, const std::vector<int16_t> &samples);
// An encoded pack of the given (name, bytes) records.
std::vector<uint8_t> make_pack(const std::vector<std::pair<std::string, std::vector<uint8_t>>> &records);
std::vector<uint8_t> text_bytes(const std::string &text); // with its terminating NUL
