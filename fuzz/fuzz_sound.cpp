// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Fuzzes sound loading from a pack record: decoding with SDL and conversion to a device format
// set by hand (no device is opened), then one mixed buffer over the result.
#include "audio/audio.h"
#include "core/core.h"
#include "pack/pack.h"

#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static game_record *g = [] {
        game_record *r = new_game_record();
        default_settings(&r->settings);
        game = r;
        return r;
    }();
    pack_entry entry = {};
    entry.size = static_cast<uint32_t>(size);
    strcpy(entry.name, "audio_fuzz");
    std::vector<uint8_t> copy(data, data + size);
    entry.data = copy.data();
    g->pack = &entry;

    memset(&device_spec, 0, sizeof device_spec);
    device_spec.freq = 16000;
    device_spec.format = AUDIO_S16LSB;
    device_spec.channels = 2;
    device_spec.samples = 512;
    device_spec.size = 2048;
    audio_open = true;

    sound *s = load_sound(g, "audio_fuzz", 1.0f, SOUND_AMBIENT);
    if (s && s->samples) {
        audio_open = true;
        play_sound(g, s, 1.0f, 0, 0);
        uint8_t stream[2048] = {};
        mix_audio(nullptr, stream, sizeof stream);
    }
    g->pack = nullptr;
    free_all_sounds();
    return 0;
}
