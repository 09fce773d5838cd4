// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Fuzzes the settings reader: whatever the file holds, the block read back is in range.
#include "core/core.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static std::string path = std::string(access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp") + "/hollowmere-fuzz-settings-" + std::to_string(getpid()) + ".cfg";
    FILE *f = fopen(path.c_str(), "wb");
    if (!f) return 0;
    fwrite(data, 1, size, f);
    fclose(f);
    static game_record *g = new_game_record();
    read_settings(g, path.c_str());
    const settings_block &s = g->settings;
    if (s.version != 1 || s.fullscreen != 0) __builtin_trap();
    if (s.width < 320 || s.width > 8192 || s.height < 200 || s.height > 8192) __builtin_trap();
    if (s.bit_depth != 16 && s.bit_depth != 32) __builtin_trap();
    if (!std::isfinite(s.smoke_detail) || s.smoke_detail <= 0) __builtin_trap();
    if (!(s.audio_level >= 0 && s.audio_level <= 1)) __builtin_trap();
    for (int32_t k : {s.key_left, s.key_right, s.key_forward, s.key_reverse, s.key_fire})
        if (k < 1 || k >= KEY_COUNT) __builtin_trap();
    for (const auto &name : s.high_names)
        if (!memchr(name, 0, NAME_LENGTH)) __builtin_trap();
    return 0;
}
