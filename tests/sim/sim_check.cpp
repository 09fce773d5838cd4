// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Prints what must come out the same on every system the game is built for: a hash of each of
// the simulation's math functions over a fixed million and more inputs, and the fingerprint of
// three whole headless games every 100 ticks with their outcome. The test command compares
// the lines with tests/sim/golden.txt natively, without FMA, under Wine and under Node.js.
// Usage: sim_check [math|games]   (both without an argument)

#include "combat/combat.h"
#include "core/core.h"
#include "core/game_math.h"

#include <cfloat>
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>
#include <vector>

namespace {

template <typename To, typename From> To bits_as(From from) {
    static_assert(sizeof(To) == sizeof(From));
    To to;
    std::memcpy(&to, &from, sizeof to);
    return to;
}

// The inputs come from integer arithmetic only, so that every system makes the same ones; each
// draw is a statement of its own, since compilers order a call's arguments as they like.
struct inputs {
    uint64_t s = 0x9e3779b97f4a7c15ull;
    uint64_t next() { // splitmix64
        uint64_t z = (s += 0x9e3779b97f4a7c15ull);
        z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ull;
        z = (z ^ (z >> 27)) * 0x94d049bb133111ebull;
        return z ^ (z >> 31);
    }
    // Uniform in [-range, range], from 52 random bits: exact on every system.
    double uniform(double range) { return (static_cast<double>(next() >> 11) * 0x1p-53 * 2 - 1) * range; }
    double any_double() { return bits_as<double>(next()); }
    float any_float() { return bits_as<float>(static_cast<uint32_t>(next() >> 32)); }
};

constexpr double PI = 3.14159265358979323846;
constexpr int RANDOM_INPUTS = 1 << 20;

// The edge cases every function gets: zeros, subnormals, the extremes, infinities, NaN, and
// the neighbours of multiples of pi/4, where argument reduction is hardest.
std::vector<double> edge_cases() {
    const double inf = std::numeric_limits<double>::infinity();
    std::vector<double> v = {0.0,
                             -0.0,
                             DBL_TRUE_MIN,
                             DBL_MIN,
                             1e-300,
                             1e-20,
                             1e-8,
                             0.5,
                             1.0,
                             2.0,
                             10.0,
                             1e5,
                             1e22,
                             1e300,
                             DBL_MAX,
                             inf,
                             std::numeric_limits<double>::quiet_NaN()};
    for (int k = 1; k <= 4000; ++k) {
        double m = k * (PI / 4);
        for (double x : {m, std::nextafter(m, 0.0), std::nextafter(m, inf)})
            v.push_back(x);
    }
    for (double x : {1e6 * PI, 1e9 * PI, 1e15 * PI, 1e100 * PI})
        v.push_back(x);
    size_t n = v.size();
    for (size_t i = 0; i < n; ++i)
        v.push_back(-v[i]);
    return v;
}

struct digest {
    uint64_t h = 14695981039346656037ull;
    long count = 0;
    void add(uint64_t bits) {
        for (int b = 0; b < 8; ++b)
            h = (h ^ ((bits >> (8 * b)) & 0xff)) * 1099511628211ull;
        ++count;
    }
    // A NaN counts as NaN whatever its sign and payload: x86 and WebAssembly make different
    // ones, and the game never carries one.
    void add_double(double x) { add(std::isnan(x) ? 0x7ff8000000000000ull : bits_as<uint64_t>(x)); }
    void add_float(float x) { add(std::isnan(x) ? 0x7fc00000u : bits_as<uint32_t>(x)); }
};

void print(const char *name, const digest &d) {
    std::printf("math %s %ld inputs %016" PRIx64 "\n", name, d.count, d.h);
}

template <typename F> void one_argument(const char *name, F f, double near_range, double wide_range) {
    digest d;
    for (double x : edge_cases())
        d.add_double(f(x));
    inputs in;
    for (int i = 0; i < RANDOM_INPUTS; ++i) {
        d.add_double(f(in.uniform(near_range)));
        d.add_double(f(in.uniform(wide_range)));
        if (i % 4 == 0) d.add_double(f(in.any_double()));
    }
    print(name, d);
}

template <typename F> void one_float_argument(const char *name, F f, float near_range, float wide_range) {
    digest d;
    for (double x : edge_cases())
        d.add_float(f(static_cast<float>(x)));
    inputs in;
    for (int i = 0; i < RANDOM_INPUTS; ++i) {
        d.add_float(f(static_cast<float>(in.uniform(near_range))));
        d.add_float(f(static_cast<float>(in.uniform(wide_range))));
        if (i % 4 == 0) d.add_float(f(in.any_float()));
    }
    print(name, d);
}

void math_hashes() {
    one_argument("sin", game_sin, 2 * PI, 1e6);
    one_argument("cos", game_cos, 2 * PI, 1e6);
    one_argument("atan", game_atan, 4, 1e6);
    one_argument("acos", game_acos, 1, 1.5);
    one_float_argument("sinf", game_sinf, 7, 1e5f);
    one_float_argument("cosf", game_cosf, 7, 1e5f);
    one_float_argument("atanf", game_atanf, 4, 1e5f);

    std::vector<double> edges = edge_cases();
    {
        digest d;
        for (size_t i = 0; i < edges.size(); i += 7)
            for (size_t j = 0; j < edges.size(); j += 97)
                d.add_double(game_atan2(edges[i], edges[j]));
        inputs in;
        for (int i = 0; i < RANDOM_INPUTS; ++i) {
            double y = in.uniform(200), x = in.uniform(200);
            d.add_double(game_atan2(y, x));
            if (i % 4 == 0) {
                double wide_y = in.any_double(), wide_x = in.any_double();
                d.add_double(game_atan2(wide_y, wide_x));
            }
        }
        print("atan2", d);
    }
    {
        digest d;
        for (size_t i = 0; i < edges.size(); i += 7)
            for (size_t j = 0; j < edges.size(); j += 97)
                d.add_float(game_atan2f(static_cast<float>(edges[i]), static_cast<float>(edges[j])));
        inputs in;
        for (int i = 0; i < RANDOM_INPUTS; ++i) {
            float y = static_cast<float>(in.uniform(200)), x = static_cast<float>(in.uniform(200));
            d.add_float(game_atan2f(y, x));
            if (i % 4 == 0) {
                float wide_y = in.any_float(), wide_x = in.any_float();
                d.add_float(game_atan2f(wide_y, wide_x));
            }
        }
        print("atan2f", d);
    }
    {
        // The game raises small positive numbers to fixed powers; the rest is for the edges.
        digest d;
        for (size_t i = 0; i < edges.size(); i += 7)
            for (size_t j = 0; j < edges.size(); j += 97)
                d.add_double(game_pow(edges[i], edges[j]));
        inputs in;
        for (int i = 0; i < RANDOM_INPUTS; ++i) {
            double base = std::fabs(in.uniform(4)), power = in.uniform(12);
            d.add_double(game_pow(base, power));
            double signed_base = in.uniform(30), whole_power = std::floor(in.uniform(30));
            d.add_double(game_pow(signed_base, whole_power));
            if (i % 4 == 0) {
                double wide_base = in.any_double(), wide_power = in.any_double();
                d.add_double(game_pow(wide_base, wide_power));
            }
        }
        print("pow", d);
    }
}

struct watch {
    const char *name;
};

void every_hundred_ticks(const game_record *g, long ticks, void *context) {
    if (ticks % 100 == 0)
        std::printf("game %s tick %ld %016" PRIx64 "\n", static_cast<watch *>(context)->name, ticks,
                    state_fingerprint(g));
}

void games() {
    const struct {
        const char *name;
        driver_options options;
    } cases[] = {
        {"idle", {.seed = 17, .seconds = 1800, .tick = 0.05f, .pilot = PILOT_IDLE}},
        {"defends", {.seed = 17, .seconds = 300, .tick = 0.02f, .pilot = PILOT_SCRIPTED}},
        {"collects", {.seed = 29, .seconds = 600, .tick = 0.01f, .pilot = PILOT_COLLECTOR, .field = true}},
    };
    for (const auto &c : cases) {
        watch w{c.name};
        driver_stats s = run_headless_game_watched(c.options, every_hundred_ticks, &w);
        std::printf(
            "game %s end: score %d, barrels %d, %ld ticks, %ld destroyed, %ld lost, %ld power-ups%s\n",
            c.name, s.score, s.barrels_left, s.ticks, s.enemies_destroyed, s.player_tanks_lost,
            s.power_ups_collected, s.game_over ? ", over" : "");
    }
}

} // namespace

int main(int argc, char **argv) {
    const char *what = argc > 1 ? argv[1] : "";
    if (std::strcmp(what, "games") != 0) math_hashes();
    if (std::strcmp(what, "math") != 0) games();
    return 0;
}
