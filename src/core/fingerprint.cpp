// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The state fingerprint: one 64-bit FNV-1a hash over every value the simulation carries from one
// tick to the next (core/state_fields.h), field by field in a fixed order, never as raw memory,
// whose padding and pointers differ between runs and systems. Floats enter by their bits, so two
// fingerprints agree only where the games agree to the last bit.

#include "core/state_fields.h"

#include <cstring>

namespace {

// A visitor of the state's fields (core/state_fields.h) that only reads them.
struct hasher {
    uint64_t h = 14695981039346656037ull;

    void bytes(const void *p, size_t n) {
        const auto *b = static_cast<const unsigned char *>(p);
        for (size_t i = 0; i < n; ++i)
            h = (h ^ b[i]) * 1099511628211ull;
    }
    void u32(uint32_t v) {
        unsigned char b[4] = {static_cast<unsigned char>(v), static_cast<unsigned char>(v >> 8),
                              static_cast<unsigned char>(v >> 16), static_cast<unsigned char>(v >> 24)};
        bytes(b, 4);
    }
    void i32(int v) { u32(static_cast<uint32_t>(v)); }
    void state_bits(int v) { i32(v); }
    void f32(float v) {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        u32(bits);
    }
    // Each list ends with a mark, so that records cannot slide from one list into the next.
    void end_of_list() { u32(0xfeedf00du); }

    template <typename T, typename Make, typename Fields> void list(T *&head, Make, Fields fields) {
        for (T *p = head; p; p = p->next)
            fields(p);
        end_of_list();
    }
    template <typename T, typename Fields> void tanks(T *&head, Fields fields) {
        for (T *p = head; p; p = p->next)
            fields(p);
        end_of_list();
    }
    template <typename Fields> void power_up(struct power_up *&p, Fields fields) {
        if (p) fields(p);
        end_of_list();
    }
    void tank_type(tank_type *&t) {
        const char *name = t ? t->name.c_str() : "";
        bytes(name, std::strlen(name) + 1);
    }
    void behaviour(behaviour_routine &b) { i32(behaviour_number(b)); }
    void message(const char *&m) { i32(message_number(m)); }
    void carried(game_record *g, barrel *&b) {
        int i = 0, at = -1;
        for (const barrel *p = g->barrels; p; p = p->next, ++i)
            if (p == b) at = i;
        i32(b && at < 0 ? -2 : at); // -2: a barrel that is not in the list
    }
    void field(game_record *g) {
        if (g->field)
            for (float v : g->field->vertices)
                f32(v);
        end_of_list();
    }
    void random() {
        random_snapshot r = save_random();
        for (uint32_t w : r.word)
            u32(w);
        i32(r.front);
        i32(r.rear);
    }
};

} // namespace

uint64_t state_fingerprint(const game_record *g) {
    hasher h;
    visit_state(h, const_cast<game_record *>(g)); // the hasher only reads
    return h.h;
}
