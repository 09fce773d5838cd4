// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Fuzzes the material parser with arbitrary, not necessarily terminated, text.
#include "render/render.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    material *m = parse_material(reinterpret_cast<const char *>(data), size);
    delete m;
    return 0;
}
