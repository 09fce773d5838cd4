// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Fuzzes the replay reader and the playback's start: a file that decodes has its starting state
// taken up and its first frames played. With the first byte odd the file's checksum is mended
// first, so that the mutations reach past it into the sections.
#include "replay/replay.h"

#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    std::vector<uint8_t> bytes(data + 1, data + size);
    if ((data[0] & 1) && bytes.size() >= 8) {
        uint64_t h = replay_checksum(bytes.data(), bytes.size() - 8);
        for (int i = 0; i < 8; ++i)
            bytes[bytes.size() - 8 + i] = static_cast<uint8_t>(h >> (8 * i));
    }
    replay r;
    std::string error;
    if (!decode_replay(bytes.data(), bytes.size(), &r, &error)) {
        if (error.empty() || error.find('\n') != std::string::npos) __builtin_trap();
        return 0;
    }
    if (game_record *g = start_playback(r, &error)) {
        for (size_t i = 0; i < r.frames.size() && i < 50; ++i)
            play_replay_frame(g, r, i);
        free_playback(g);
    } else if (error.empty()) {
        __builtin_trap();
    }
    return 0;
}
