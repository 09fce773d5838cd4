// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The state a recorded game starts from: every field of core/state_fields.h written as
// little-endian bytes, and read back into a record that new_game has set up. The tanks are
// taken over in place, so that they keep their voices; every other list is made anew from the
// bytes. Reading trusts nothing: each count is held to what the bytes left could hold, each
// stand-in must name something that exists, each float must be finite, and the first fault
// stops the reading with its description.

#include "replay/replay.h"

#include "core/state_fields.h"

#include <cmath>
#include <cstring>

namespace {

struct state_writer {
    std::vector<uint8_t> out;

    void u32(uint32_t v) {
        for (int i = 0; i < 4; ++i)
            out.push_back(static_cast<uint8_t>(v >> (8 * i)));
    }
    void i32(int v) { u32(static_cast<uint32_t>(v)); }
    void state_bits(int v) { i32(v); }
    void f32(float v) {
        uint32_t bits;
        std::memcpy(&bits, &v, 4);
        u32(bits);
    }
    template <typename T, typename Make, typename Fields> void list(T *&head, Make, Fields fields) {
        uint32_t n = 0;
        for (T *p = head; p; p = p->next)
            ++n;
        u32(n);
        for (T *p = head; p; p = p->next)
            fields(p);
    }
    template <typename T, typename Fields> void tanks(T *&head, Fields fields) {
        list(
            head, [] { return static_cast<T *>(nullptr); }, fields);
    }
    template <typename Fields> void power_up(struct power_up *&p, Fields fields) {
        u32(p ? 1 : 0);
        if (p) fields(p);
    }
    void tank_type(struct tank_type *&t) {
        const std::string name = t ? t->name : std::string();
        u32(static_cast<uint32_t>(name.size()));
        out.insert(out.end(), name.begin(), name.end());
    }
    void behaviour(behaviour_routine &b) { i32(behaviour_number(b)); }
    void message(const char *&m) { i32(message_number(m)); }
    void carried(game_record *g, barrel *&b) {
        int i = 0, at = -1;
        for (const barrel *p = g->barrels; p; p = p->next, ++i)
            if (p == b) at = i;
        i32(at);
    }
    void field(game_record *) {} // a replay keeps the field's own seed instead
    void random() {
        std::vector<uint8_t> bytes = random_state_bytes(save_random());
        out.insert(out.end(), bytes.begin(), bytes.end());
    }
};

void free_records(barrel *b) {
    while (b) {
        barrel *next = b->next;
        free(b);
        b = next;
    }
}
void free_records(projectile *p) {
    free_projectiles(p);
}
void free_records(explosion *e) {
    while (e) {
        explosion *next = e->next;
        free_projectiles(e->debris);
        free(e);
        e = next;
    }
}
void free_records(smoke_puff *s) {
    while (s) {
        smoke_puff *next = s->next;
        free(s);
        s = next;
    }
}

struct state_reader {
    game_record *g;
    const uint8_t *at;
    const uint8_t *end;
    std::string fault; // the first one; empty while all is well

    void fail(const std::string &what) {
        if (fault.empty()) fault = what;
        at = end; // nothing more is read
    }
    uint32_t u32() {
        if (end - at < 4) {
            fail("the state ends early");
            return 0;
        }
        uint32_t v = at[0] | at[1] << 8 | at[2] << 16 | static_cast<uint32_t>(at[3]) << 24;
        at += 4;
        return v;
    }
    void u32(uint32_t &v) { v = u32(); }
    void i32(int &v) { v = static_cast<int>(u32()); }
    void state_bits(int &v) {
        v = static_cast<int>(u32());
        if (v & ~(FLAG_PLAYING | FLAG_GAME_OVER | FLAG_FROZEN | FLAG_QUALIFIES)) {
            v = 0;
            fail("state bits the game does not have");
        }
    }
    void f32(float &v) {
        uint32_t bits = u32();
        std::memcpy(&v, &bits, 4);
        if (!std::isfinite(v)) {
            v = 0;
            fail("a value that is not a finite number");
        }
    }
    // A count no larger than the bytes left could hold, at 4 bytes a record at the least.
    uint32_t count() {
        uint32_t n = u32();
        if (n > static_cast<uint32_t>(end - at) / 4) {
            fail("a count larger than the state");
            return 0;
        }
        return n;
    }
    template <typename T, typename Make, typename Fields> void list(T *&head, Make make, Fields fields) {
        uint32_t n = count();
        free_records(head);
        head = nullptr;
        T **tail = &head;
        for (uint32_t i = 0; i < n && fault.empty(); ++i) {
            T *p = make();
            if (!p) {
                fail("out of memory");
                break;
            }
            *tail = p;
            tail = &p->next;
            fields(p);
        }
    }
    // The tanks of the state are the record's own, in the same number, their fields read over.
    template <typename T, typename Fields> void tanks(T *&head, Fields fields) {
        uint32_t n = count(), have = 0;
        for (T *p = head; p; p = p->next)
            ++have;
        if (n != have) {
            fail("another number of tanks than a game has");
            return;
        }
        for (T *p = head; p && fault.empty(); p = p->next)
            fields(p);
    }
    template <typename Fields> void power_up(struct power_up *&p, Fields fields) {
        uint32_t present = u32();
        free(p);
        p = nullptr;
        if (present > 1) fail("a power-up mark that is neither 0 nor 1");
        if (present != 1 || !fault.empty()) return;
        p = static_cast<struct power_up *>(calloc(1, sizeof(struct power_up)));
        if (!p) return fail("out of memory");
        fields(p);
        if (p->kind < 0 || p->kind >= 6) fail("a power-up of no kind");
    }
    void tank_type(struct tank_type *&t) {
        uint32_t n = u32();
        if (n > 64 || n > static_cast<uint32_t>(end - at))
            return fail("a tank type's name that does not fit");
        std::string name(reinterpret_cast<const char *>(at), n);
        at += n;
        for (struct tank_type *k = g->tank_types; k; k = k->next)
            if (k->name == name) {
                t = k;
                return;
            }
        fail("a tank type the game does not have");
    }
    void behaviour(behaviour_routine &b) {
        int n = static_cast<int>(u32());
        if (n < 0 || n > 2) return fail("an enemy behaviour the game does not have");
        b = behaviour_of(n);
    }
    void message(const char *&m) {
        int n = static_cast<int>(u32());
        if (n < -1 || n > 5) return fail("a message the game does not have");
        m = n < 0 ? nullptr : power_up_messages[n];
    }
    void carried(game_record *game, barrel *&b) {
        int n = static_cast<int>(u32());
        b = nullptr;
        if (n < -1) return fail("a carried barrel before the first");
        if (n < 0) return;
        barrel *p = game->barrels;
        for (int i = 0; p && i < n; ++i)
            p = p->next;
        if (!p) return fail("a carried barrel past the last");
        b = p;
    }
    void field(game_record *) {}
    void random() {
        random_snapshot r{};
        if (!read_random_state(at, end - at < 132 ? 0 : 132, &r)) return fail("the state ends early");
        at += 132;
        if (!restore_random(r)) fail("a random generator state no generator can have");
    }
};

} // namespace

std::vector<uint8_t> random_state_bytes(const random_snapshot &r) {
    state_writer w;
    for (uint32_t word : r.word)
        w.u32(word);
    w.i32(r.front);
    w.i32(r.rear);
    return w.out;
}

bool read_random_state(const uint8_t *data, size_t size, random_snapshot *r) {
    if (size != 4 * 33) return false;
    auto u32 = [data](size_t i) {
        return data[i] | data[i + 1] << 8 | data[i + 2] << 16 | static_cast<uint32_t>(data[i + 3]) << 24;
    };
    for (size_t i = 0; i < 31; ++i)
        r->word[i] = u32(4 * i);
    r->front = static_cast<int32_t>(u32(124));
    r->rear = static_cast<int32_t>(u32(128));
    return true;
}

std::vector<uint8_t> save_game_state(game_record *g) {
    state_writer w;
    visit_state(w, g);
    return w.out;
}

bool load_game_state(game_record *g, const uint8_t *data, size_t size, std::string *error) {
    random_snapshot before = save_random();
    state_reader r{g, data, data + size, {}};
    visit_state(r, g);
    if (r.fault.empty() && r.at != r.end) r.fail("bytes after the state");
    if (!r.fault.empty()) {
        restore_random(before);
        if (error) *error = r.fault;
        return false;
    }
    return true;
}
