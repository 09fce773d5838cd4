// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Fuzzes the OBJ-subset parser; every face index of a parsed mesh must be in range.
#include "render/render.h"

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    geo *g = parse_obj("object_fuzz", reinterpret_cast<const char *>(data), size);
    if (!g) return 0;
    for (face *f = g->faces; f; f = f->next) {
        for (int i = 0; i < f->count; ++i) {
            if (f->vertex_index[i] < 0 || f->vertex_index[i] >= g->vertex_count) __builtin_trap();
            if (f->normal_index[i] < 0 || f->normal_index[i] >= g->normal_count) __builtin_trap();
            if (f->texcoord_index[i] < 0 || f->texcoord_index[i] >= g->texcoord_count) __builtin_trap();
        }
    }
    free_geo(g);
    return 0;
}
