// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The game's own random generator. Every random decision is drawn from here, never from the C
// library, whose rand() differs from one system to the next: this is the additive feedback
// generator that glibc's rand() runs (x[i] = x[i-3] + x[i-31] over 31 words, seeded through
// 16807 * x mod (2^31 - 1), its first 310 outputs thrown away, each output x >> 1), so a seed
// gives the same game, draw for draw, on Linux, Windows and the web, and the pinned games stay.

#include "core/core.h"

#include <cstdint>

namespace {

constexpr int WORDS = 31;
constexpr int LAG = 3;

struct random_state {
    uint32_t word[WORDS] = {};
    int front = LAG; // the word that takes the next sum
    int rear = 0;    // the word added to it
};

constexpr uint32_t step(random_state &s) {
    uint32_t value = s.word[s.front] += s.word[s.rear];
    s.front = s.front + 1 == WORDS ? 0 : s.front + 1;
    s.rear = s.rear + 1 == WORDS ? 0 : s.rear + 1;
    return value;
}

constexpr random_state seeded(unsigned seed) {
    random_state s;
    if (seed == 0) seed = 1;
    s.word[0] = seed;
    // Schrage's form of 16807 * x mod (2^31 - 1). The seed enters as a signed 32-bit word, as
    // glibc takes it: a seed of 2^31 or more starts negative, and C's division truncates.
    int32_t x = static_cast<int32_t>(seed);
    for (int i = 1; i < WORDS; ++i) {
        int32_t hi = x / 127773, lo = x % 127773;
        x = 16807 * lo - 2836 * hi;
        if (x < 0) x += 2147483647;
        s.word[i] = static_cast<uint32_t>(x);
    }
    for (int i = 0; i < 10 * WORDS; ++i)
        step(s);
    return s;
}

// Before any seed is set the generator runs from seed 1, as rand() does.
constinit random_state state = seeded(1);

} // namespace

void seed_random(unsigned seed) {
    state = seeded(seed);
}

int random_draw() {
    return static_cast<int>(step(state) >> 1);
}

random_snapshot save_random() {
    random_snapshot r{};
    for (int i = 0; i < WORDS; ++i)
        r.word[i] = state.word[i];
    r.front = state.front;
    r.rear = state.rear;
    return r;
}

bool restore_random(const random_snapshot &r) {
    if (r.front < 0 || r.front >= WORDS || r.rear < 0 || r.rear >= WORDS || (r.rear + LAG) % WORDS != r.front)
        return false;
    for (int i = 0; i < WORDS; ++i)
        state.word[i] = r.word[i];
    state.front = r.front;
    state.rear = r.rear;
    return true;
}

int game_rand() {
    return random_draw() % 32768;
}
