// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The generator's shared tools: noise, images and their bitmap bytes, WAV bytes, and the mesh
// builder's OBJ text (numbers rounded to four decimals; equal entries shared).

#include "tools/gen/gen_common.h"
#include "tools/pack_convert.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <tuple>

namespace gen {

noise::noise(uint64_t seed) {
    rng r(seed);
    gx.resize(4096);
    gy.resize(4096);
    for (size_t i = 0; i < gx.size(); ++i) {
        float a = r.uniform() * 2 * PI;
        gx[i] = std::cos(a);
        gy[i] = std::sin(a);
    }
}

namespace {
uint32_t lattice_hash(int x, int y) {
    uint32_t h = static_cast<uint32_t>(x) * 374761393u + static_cast<uint32_t>(y) * 668265263u;
    h = (h ^ (h >> 13)) * 1274126177u;
    return (h ^ (h >> 16)) & 4095u;
}
int wrap(int v, int period) {
    if (period <= 0) return v;
    v %= period;
    return v < 0 ? v + period : v;
}
} // namespace

float noise::at(float x, float y, int px, int py) const {
    float fx = std::floor(x), fy = std::floor(y);
    int x0 = static_cast<int>(fx), y0 = static_cast<int>(fy);
    float dx = x - fx, dy = y - fy;
    auto corner = [&](int ix, int iy, float ox, float oy) {
        uint32_t h = lattice_hash(wrap(x0 + ix, px), wrap(y0 + iy, py));
        return gx[h] * ox + gy[h] * oy;
    };
    float n00 = corner(0, 0, dx, dy), n10 = corner(1, 0, dx - 1, dy);
    float n01 = corner(0, 1, dx, dy - 1), n11 = corner(1, 1, dx - 1, dy - 1);
    float sx = dx * dx * dx * (dx * (dx * 6 - 15) + 10), sy = dy * dy * dy * (dy * (dy * 6 - 15) + 10);
    return 1.4f * mix(mix(n00, n10, sx), mix(n01, n11, sx), sy);
}

float noise::fbm(float x, float y, int octaves, int px, int py, float gain) const {
    float sum = 0, amplitude = 1, norm = 0;
    for (int i = 0; i < octaves; ++i) {
        sum += amplitude * at(x, y, px, py);
        norm += amplitude;
        amplitude *= gain;
        x *= 2;
        y *= 2;
        px *= 2;
        py *= 2;
    }
    return sum / norm;
}

float clamp01(float v) {
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}
float smoothstep(float e0, float e1, float x) {
    float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}
float mix(float a, float b, float t) {
    return a + (b - a) * t;
}
colour mix(colour a, colour b, float t) {
    return {mix(a.r, b.r, t), mix(a.g, b.g, t), mix(a.b, b.b, t)};
}

colour image::sample(float x, float y) const {
    float fx = std::floor(x), fy = std::floor(y);
    int x0 = wrap(static_cast<int>(fx), width), y0 = wrap(static_cast<int>(fy), height);
    int x1 = (x0 + 1) % width, y1 = (y0 + 1) % height;
    float tx = x - fx, ty = y - fy;
    return mix(mix(at(x0, y0), at(x1, y0), tx), mix(at(x0, y1), at(x1, y1), tx), ty);
}

namespace {
void put16(std::vector<uint8_t> &v, uint32_t x) {
    v.push_back(x & 0xff);
    v.push_back((x >> 8) & 0xff);
}
void put32(std::vector<uint8_t> &v, uint32_t x) {
    put16(v, x & 0xffff);
    put16(v, x >> 16);
}
uint8_t byte_of(float v) {
    return static_cast<uint8_t>(std::lround(clamp01(v) * 255.0f));
}

} // namespace

std::vector<uint8_t> bitmap_bytes(const image &img) {
    std::vector<uint8_t> v = game_bitmap_header(img.width, img.height);
    for (int y = img.height - 1; y >= 0; --y)
        for (int x = 0; x < img.width; ++x) {
            const colour &c = img.at(x, y);
            v.push_back(byte_of(c.b));
            v.push_back(byte_of(c.g));
            v.push_back(byte_of(c.r));
        }
    return v;
}

std::vector<uint8_t> bitmap_bytes_la(int width, int height, const std::vector<float> &lum,
                                     const std::vector<float> &alpha) {
    std::vector<uint8_t> v = game_bitmap_header(width, height);
    for (int y = height - 1; y >= 0; --y)
        for (int x = 0; x < width; ++x) {
            size_t i = static_cast<size_t>(y) * width + x;
            uint8_t l = byte_of(lum[i]);
            v.push_back(l);
            v.push_back(byte_of(alpha[i]));
            v.push_back(l);
        }
    return v;
}

std::vector<uint8_t> wav_bytes(const std::vector<float> &samples, int rate) {
    std::vector<uint8_t> v{'R', 'I', 'F', 'F'};
    auto data_bytes = static_cast<uint32_t>(samples.size() * 2);
    put32(v, 36 + data_bytes);
    for (char c : std::string("WAVEfmt "))
        v.push_back(static_cast<uint8_t>(c));
    put32(v, 16);
    put16(v, 1);
    put16(v, 1);
    put32(v, static_cast<uint32_t>(rate));
    put32(v, static_cast<uint32_t>(rate * 2));
    put16(v, 2);
    put16(v, 16);
    for (char c : std::string("data"))
        v.push_back(static_cast<uint8_t>(c));
    put32(v, data_bytes);
    for (float s : samples) {
        long q = std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f);
        put16(v, static_cast<uint16_t>(static_cast<int16_t>(q)));
    }
    return v;
}

namespace {
// Rounds to the precision the OBJ text keeps, so equal entries are shared exactly.
float r4(float v) {
    float r = std::round(v * 10000.0f) / 10000.0f;
    return r == 0.0f ? 0.0f : r; // no "-0.0000"
}
template <typename Key> int intern(std::map<Key, int> &index, const Key &key, int next) {
    return index.emplace(key, next).first->second;
}
} // namespace

int mesh::position(vec3 p) {
    p = {r4(p.x), r4(p.y), r4(p.z)};
    int i = intern(position_index_, std::make_tuple(p.x, p.y, p.z), static_cast<int>(positions.size()));
    if (i == static_cast<int>(positions.size())) positions.push_back(p);
    return i;
}

int mesh::normal(vec3 n) {
    n = normalised(n);
    n = {r4(n.x), r4(n.y), r4(n.z)};
    int i = intern(normal_index_, std::make_tuple(n.x, n.y, n.z), static_cast<int>(normals.size()));
    if (i == static_cast<int>(normals.size())) normals.push_back(n);
    return i;
}

int mesh::uv(float u, float v) {
    u = r4(u);
    v = r4(v);
    int i = intern(uv_index_, std::make_pair(u, v), static_cast<int>(uvs.size()));
    if (i == static_cast<int>(uvs.size())) uvs.emplace_back(u, v);
    return i;
}

void mesh::polygon(const std::vector<vec3> &points, const std::vector<std::pair<float, float>> &uv_list) {
    vec3 n{0, 0, 0};
    for (size_t i = 0; i < points.size(); ++i)
        n = n + cross(points[i], points[(i + 1) % points.size()]);
    int ni = normal(n);
    std::vector<corner> c;
    for (size_t i = 0; i < points.size(); ++i)
        c.push_back({position(points[i]), uv(uv_list[i].first, uv_list[i].second), ni});
    face(c);
}

void mesh::bounds(vec3 *lo, vec3 *hi) const {
    *lo = *hi = positions.empty() ? vec3{0, 0, 0} : positions[0];
    for (const vec3 &p : positions) {
        lo->x = std::min(lo->x, p.x), lo->y = std::min(lo->y, p.y), lo->z = std::min(lo->z, p.z);
        hi->x = std::max(hi->x, p.x), hi->y = std::max(hi->y, p.y), hi->z = std::max(hi->z, p.z);
    }
}

std::string mesh::obj_text(const std::string &title) const {
    std::string out = "# " + title +
                      "\n# y up, +z forward; faces wind counter-clockwise seen from outside\no " + title +
                      "\n";
    char line[160];
    for (const vec3 &p : positions) {
        snprintf(line, sizeof line, "v %.4f %.4f %.4f\n", p.x, p.y, p.z);
        out += line;
    }
    for (const auto &[u, v] : uvs) {
        snprintf(line, sizeof line, "vt %.4f %.4f\n", u, v);
        out += line;
    }
    for (const vec3 &n : normals) {
        snprintf(line, sizeof line, "vn %.4f %.4f %.4f\n", n.x, n.y, n.z);
        out += line;
    }
    out += "s off\n";
    for (const auto &f : faces) {
        out += "f";
        for (const corner &c : f) {
            snprintf(line, sizeof line, " %d/%d/%d", c.v + 1, c.t + 1, c.n + 1);
            out += line;
        }
        out += "\n";
    }
    return out;
}

} // namespace gen
