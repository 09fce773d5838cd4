// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Draws the game's desktop icon, a tank emblem on a night badge with a glowing arena ring, and
// writes it as an RGBA PNG of the size asked for. The picture is pure arithmetic on fixed
// shapes, so every build writes the same bytes. The PNG holds one zlib stream of stored
// (uncompressed) blocks: no compression library is needed and any PNG reader accepts it.
// Usage: make_icon SIZE OUT.png

#include <algorithm>
#include <array>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

// Premultiplied colour, so layers compose with a plain "over".
struct rgba {
    float r, g, b, a;
};

rgba opaque(float r, float g, float b, float alpha = 1.0f) {
    return {r * alpha, g * alpha, b * alpha, alpha};
}

rgba over(rgba top, rgba below) {
    float k = 1.0f - top.a;
    return {top.r + below.r * k, top.g + below.g * k, top.b + below.b * k, top.a + below.a * k};
}

rgba mix(rgba a, rgba b, float t) {
    t = std::fmin(std::fmax(t, 0.0f), 1.0f);
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t, a.a + (b.a - a.a) * t};
}

// Signed distances in the unit square (y grows downwards); negative inside.
float circle_sd(float x, float y, float cx, float cy, float radius) {
    return std::hypot(x - cx, y - cy) - radius;
}

float rounded_box_sd(float x, float y, float cx, float cy, float hx, float hy, float corner) {
    float qx = std::fabs(x - cx) - hx + corner;
    float qy = std::fabs(y - cy) - hy + corner;
    float outside = std::hypot(std::fmax(qx, 0.0f), std::fmax(qy, 0.0f));
    return outside + std::fmin(std::fmax(qx, qy), 0.0f) - corner;
}

// Inside test for a convex polygon whose points run clockwise on screen.
bool in_convex(float x, float y, const float (*pts)[2], int n) {
    for (int i = 0; i < n; i++) {
        const float *a = pts[i];
        const float *b = pts[(i + 1) % n];
        if ((b[0] - a[0]) * (y - a[1]) - (b[1] - a[1]) * (x - a[0]) < 0.0f) return false;
    }
    return true;
}

const float hull_outline[][2] = {{0.17f, 0.505f},  {0.235f, 0.455f}, {0.72f, 0.455f},
                                 {0.815f, 0.505f}, {0.765f, 0.565f}, {0.215f, 0.565f}};
const float wheel_x[] = {0.285f, 0.375f, 0.465f, 0.555f, 0.645f};

// One sample of the emblem: layers from the back to the front.
rgba emblem_at(float x, float y) {
    rgba c = {0, 0, 0, 0};
    float badge = circle_sd(x, y, 0.5f, 0.5f, 0.47f);
    if (badge > 0.0f) return c;

    // Night sky falling to a dark field below the horizon.
    float horizon = 0.66f;
    if (y < horizon)
        c = mix(opaque(0.16f, 0.13f, 0.34f), opaque(0.05f, 0.06f, 0.16f), (horizon - y) / 0.6f);
    else
        c = mix(opaque(0.05f, 0.10f, 0.07f), opaque(0.01f, 0.03f, 0.02f), (y - horizon) / 0.3f);
    for (const auto &star : {std::array<float, 3>{0.30f, 0.22f, 0.010f},
                             {0.64f, 0.17f, 0.008f},
                             {0.78f, 0.30f, 0.007f},
                             {0.20f, 0.36f, 0.006f},
                             {0.50f, 0.12f, 0.006f}})
        if (circle_sd(x, y, star[0], star[1], star[2]) < 0.0f) c = opaque(0.85f, 0.88f, 1.0f);

    // The glowing ring wall of the arena, seen at a slant behind the tank.
    float ring = std::fabs(std::hypot((x - 0.5f) / 0.40f, (y - 0.655f) / 0.095f) - 1.0f) * 0.095f;
    if (ring < 0.02f) c = over(opaque(0.25f, 0.75f, 1.0f, 0.95f * (1.0f - ring / 0.02f)), c);

    // Tracks with road wheels.
    if (rounded_box_sd(x, y, 0.465f, 0.615f, 0.255f, 0.062f, 0.062f) < 0.0f)
        c = mix(opaque(0.24f, 0.25f, 0.26f), opaque(0.10f, 0.10f, 0.11f), (y - 0.55f) / 0.13f);
    for (float wx : wheel_x) {
        float d = circle_sd(x, y, wx, 0.622f, 0.036f);
        if (d < 0.0f) c = d < -0.022f ? opaque(0.20f, 0.21f, 0.22f) : opaque(0.58f, 0.60f, 0.62f);
    }

    // Hull, turret, hatch and gun in olive, lit from above.
    rgba lit = opaque(0.60f, 0.68f, 0.44f), shade = opaque(0.24f, 0.29f, 0.17f);
    if (in_convex(x, y, hull_outline, 6)) c = mix(lit, shade, (y - 0.455f) / 0.11f);
    if (std::fabs(y - 0.51f) < 0.006f && x > 0.22f && x < 0.76f) c = opaque(0.16f, 0.19f, 0.11f);
    if (rounded_box_sd(x, y, 0.72f, 0.395f, 0.15f, 0.014f, 0.008f) < 0.0f)
        c = mix(lit, shade, (y - 0.381f) / 0.03f);
    if (rounded_box_sd(x, y, 0.865f, 0.395f, 0.018f, 0.022f, 0.006f) < 0.0f) c = opaque(0.30f, 0.35f, 0.22f);
    if (rounded_box_sd(x, y, 0.45f, 0.405f, 0.135f, 0.06f, 0.05f) < 0.0f)
        c = mix(lit, shade, (y - 0.345f) / 0.12f);
    if (rounded_box_sd(x, y, 0.41f, 0.338f, 0.045f, 0.014f, 0.01f) < 0.0f) c = opaque(0.50f, 0.57f, 0.36f);

    // The badge's amber rim.
    if (badge > -0.035f)
        c = over(mix(opaque(1.0f, 0.78f, 0.32f), opaque(0.75f, 0.38f, 0.08f), (y - 0.1f) / 0.8f), c);
    return c;
}

std::vector<uint8_t> render_emblem(int size) {
    const int sub = 6;
    std::vector<uint8_t> rgba_bytes(static_cast<size_t>(size) * size * 4);
    for (int py = 0; py < size; py++) {
        for (int px = 0; px < size; px++) {
            rgba sum = {0, 0, 0, 0};
            for (int sy = 0; sy < sub; sy++)
                for (int sx = 0; sx < sub; sx++) {
                    rgba s = emblem_at((px + (sx + 0.5f) / sub) / size, (py + (sy + 0.5f) / sub) / size);
                    sum = {sum.r + s.r, sum.g + s.g, sum.b + s.b, sum.a + s.a};
                }
            float n = sub * sub;
            float a = sum.a / n;
            uint8_t *out = &rgba_bytes[(static_cast<size_t>(py) * size + px) * 4];
            auto channel = [&](float premultiplied) {
                float v = a > 0.0f ? premultiplied / n / a : 0.0f;
                return static_cast<uint8_t>(std::lround(std::fmin(std::fmax(v, 0.0f), 1.0f) * 255.0f));
            };
            out[0] = channel(sum.r);
            out[1] = channel(sum.g);
            out[2] = channel(sum.b);
            out[3] = static_cast<uint8_t>(std::lround(std::fmin(a, 1.0f) * 255.0f));
        }
    }
    return rgba_bytes;
}

uint32_t crc32_of(const uint8_t *p, size_t n, uint32_t crc = 0) {
    crc = ~crc;
    for (size_t i = 0; i < n; i++) {
        crc ^= p[i];
        for (int k = 0; k < 8; k++)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

void put_be32(std::vector<uint8_t> &out, uint32_t v) {
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(static_cast<uint8_t>(v >> shift));
}

void put_chunk(std::vector<uint8_t> &png, const char type[4], const std::vector<uint8_t> &data) {
    put_be32(png, static_cast<uint32_t>(data.size()));
    size_t start = png.size();
    png.insert(png.end(), type, type + 4);
    png.insert(png.end(), data.begin(), data.end());
    put_be32(png, crc32_of(&png[start], png.size() - start));
}

// A PNG of 8-bit RGBA rows, each with filter byte 0, in zlib stored blocks of at most 65535 bytes.
std::vector<uint8_t> encode_png(int size, const std::vector<uint8_t> &pixels) {
    std::vector<uint8_t> raw;
    size_t row = static_cast<size_t>(size) * 4;
    for (int y = 0; y < size; y++) {
        raw.push_back(0);
        raw.insert(raw.end(), pixels.begin() + y * row, pixels.begin() + (y + 1) * row);
    }
    std::vector<uint8_t> z = {0x78, 0x01};
    for (size_t at = 0;;) {
        size_t n = std::min<size_t>(raw.size() - at, 65535);
        bool last = at + n == raw.size();
        z.push_back(last ? 1 : 0);
        z.push_back(static_cast<uint8_t>(n));
        z.push_back(static_cast<uint8_t>(n >> 8));
        z.push_back(static_cast<uint8_t>(~n));
        z.push_back(static_cast<uint8_t>(~n >> 8));
        z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
        at += n;
        if (last) break;
    }
    uint32_t s1 = 1, s2 = 0;
    for (uint8_t b : raw) {
        s1 = (s1 + b) % 65521;
        s2 = (s2 + s1) % 65521;
    }
    put_be32(z, (s2 << 16) | s1);

    std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    std::vector<uint8_t> header;
    put_be32(header, static_cast<uint32_t>(size));
    put_be32(header, static_cast<uint32_t>(size));
    header.insert(header.end(), {8, 6, 0, 0, 0});
    put_chunk(png, "IHDR", header);
    put_chunk(png, "IDAT", z);
    put_chunk(png, "IEND", {});
    return png;
}

} // namespace

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: make_icon SIZE OUT.png\n");
        return 2;
    }
    char *end = nullptr;
    long size = std::strtol(argv[1], &end, 10);
    if (*argv[1] == '\0' || *end != '\0' || size < 16 || size > 1024) {
        std::fprintf(stderr, "make_icon: size must be a number from 16 to 1024, not \"%s\"\n", argv[1]);
        return 2;
    }
    std::vector<uint8_t> png = encode_png(static_cast<int>(size), render_emblem(static_cast<int>(size)));
    std::string temp = std::string(argv[2]) + ".new";
    FILE *f = std::fopen(temp.c_str(), "wb");
    bool ok = f && std::fwrite(png.data(), 1, png.size(), f) == png.size();
    if (f && std::fclose(f) != 0) ok = false;
    if (!ok || std::rename(temp.c_str(), argv[2]) != 0) {
        std::fprintf(stderr, "make_icon: cannot write %s: %s\n", argv[2], std::strerror(errno));
        std::remove(temp.c_str());
        return 1;
    }
    return 0;
}
