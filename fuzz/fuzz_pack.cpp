// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Fuzzes the pack decoder and lookup with arbitrary encoded streams.
#include "pack/pack.h"

#include <cstdio>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    pack_entry *head = decode_pack(std::span<const uint8_t>(data, size));
    for (pack_entry *e = head; e; e = e->next) {
        if (strlen(e->name) >= sizeof e->name) __builtin_trap();
        if (e->size && !e->data) __builtin_trap();
        if (e->size) (void)e->data[e->size - 1];
    }
    if (head) (void)find_resource(head, head->name);
    (void)find_resource(head, "texture_font");
    free_pack(head);
    return 0;
}
