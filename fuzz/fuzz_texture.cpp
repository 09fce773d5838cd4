// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Fuzzes the texture converter: any bytes, any channel count from 1 to 4.
#include "render/render.h"

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    int channels = data[0] % 4 + 1;
    int32_t width = 0, height = 0;
    std::vector<uint8_t> pixels;
    if (convert_texture("texture_fuzz", data + 1, size - 1, channels, &width, &height, &pixels)) {
        if (width <= 0 || height <= 0) __builtin_trap();
        if (pixels.size() < static_cast<size_t>(width) * static_cast<size_t>(height) * channels) __builtin_trap();
    }
    return 0;
}
