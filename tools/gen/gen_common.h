// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Shared tools of the resource generator: a seeded random source, tileable gradient noise,
// float images written as 24-bit bitmaps, mono 16-bit WAV output and a mesh builder that
// writes the OBJ subset the game reads. Everything is deterministic: same bytes every build.
#pragma once

#include <cmath>
#include <cstdint>
#include <map>
#include <tuple>
#include <string>
#include <vector>

namespace gen {

constexpr float PI = 3.14159265358979f;

// xorshift-style generator with a fixed seed per resource, so resources stay independent.
struct rng {
    uint64_t state;
    explicit rng(uint64_t seed) : state(seed * 0x9E3779B97F4A7C15ull + 0x632BE59BD9B4E019ull) {}
    uint32_t next() {
        uint64_t z = (state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return static_cast<uint32_t>((z ^ (z >> 31)) >> 32);
    }
    float uniform() { return static_cast<float>(next() >> 8) * (1.0f / 16777216.0f); } // [0, 1)
    float range(float lo, float hi) { return lo + (hi - lo) * uniform(); }
};

// Gradient noise on a lattice that repeats every `period` cells in x and y (period 0: no wrap).
struct noise {
    std::vector<float> gx, gy;
    explicit noise(uint64_t seed);
    float at(float x, float y, int period_x, int period_y) const; // about -1..1
    // Sum of octaves; every octave repeats on the same tile when periods are given.
    float fbm(float x, float y, int octaves, int period_x = 0, int period_y = 0, float gain = 0.5f) const;
};

float clamp01(float v);
float smoothstep(float e0, float e1, float x);
float mix(float a, float b, float t);

struct colour {
    float r, g, b;
};
colour mix(colour a, colour b, float t);

// Row 0 is the top of the picture as a viewer shows it; the bitmap stores it last, so the
// game's texture coordinate t = 1 is the top row.
struct image {
    int width, height;
    std::vector<colour> px;
    image(int w, int h, colour fill = {0, 0, 0})
        : width(w), height(h), px(static_cast<size_t>(w) * h, fill) {}
    colour &at(int x, int y) { return px[static_cast<size_t>(y) * width + x]; }
    const colour &at(int x, int y) const { return px[static_cast<size_t>(y) * width + x]; }
    // Wrapping bilinear lookup in pixel units.
    colour sample(float x, float y) const;
};

std::vector<uint8_t> bitmap_bytes(const image &img);
// Luminance (blue byte) and coverage (green byte) for one- and two-channel textures; the red
// byte repeats the luminance so that viewers show a grey picture.
std::vector<uint8_t> bitmap_bytes_la(int width, int height, const std::vector<float> &lum,
                                     const std::vector<float> &alpha);
std::vector<uint8_t> wav_bytes(const std::vector<float> &samples, int rate = 16000);

struct vec3 {
    float x, y, z;
};
inline vec3 operator+(vec3 a, vec3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline vec3 operator-(vec3 a, vec3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline vec3 operator*(vec3 a, float s) {
    return {a.x * s, a.y * s, a.z * s};
}
inline float dot(vec3 a, vec3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline vec3 cross(vec3 a, vec3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline vec3 normalised(vec3 a) {
    float l = std::sqrt(dot(a, a));
    return l > 0 ? a * (1.0f / l) : vec3{0, 1, 0};
}

// Collects corners (position, normal, texture coordinate) and faces, and writes OBJ text with
// shared vertex, normal and texture tables. Faces wind counter-clockwise seen from outside.
struct mesh {
    std::vector<vec3> positions, normals;
    std::vector<std::pair<float, float>> uvs;
    struct corner {
        int v, t, n;
    };
    std::vector<std::vector<corner>> faces;
    int position(vec3 p);
    int normal(vec3 n);
    int uv(float u, float v);
    void face(const std::vector<corner> &corners) { faces.push_back(corners); }
    // A flat polygon; the normal follows from the winding.
    void polygon(const std::vector<vec3> &points, const std::vector<std::pair<float, float>> &uv_list);
    std::string obj_text(const std::string &title) const;
    void bounds(vec3 *lo, vec3 *hi) const;

  private:
    std::map<std::tuple<float, float, float>, int> position_index_, normal_index_;
    std::map<std::pair<float, float>, int> uv_index_;
};

} // namespace gen
