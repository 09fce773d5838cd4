// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The painted textures: the night sky panorama, tileable grass-and-earth ground, the tank,
// barrel and missile atlases, and the soft glows (puffs, flash and scorch, beam and wall
// streaks). Every picture is a function of its pixel position and fixed-seed noise.

#include "tools/gen/gen_common.h"
#include "tools/gen/gen_resources.h"

#include <algorithm>

namespace gen {
namespace {

colour scale(colour c, float s) {
    return {c.r * s, c.g * s, c.b * s};
}
colour add(colour a, colour b) {
    return {a.r + b.r, a.g + b.g, a.b + b.b};
}

// ---------------------------------------------------------------------------------------- sky

// The sky wall spans z -110 to 410 with the ground at 21% of its height; the camera sees it
// from about 10 units up, so everything below roughly 23% is land and stays black.
image sky_texture() {
    const int W = 1024, H = 512;
    image img(W, H);
    noise n1(101), n2(102), n3(103);
    const int P = 8; // noise cells across the width: the left and right edges meet
    // Ridge heights (fraction of the texture height) of a far range and a near, wooded one.
    std::vector<float> far_ridge(W), near_ridge(W);
    for (int x = 0; x < W; ++x) {
        float u = static_cast<float>(x) / W;
        far_ridge[x] = 0.262f + 0.05f * n1.fbm(u * P, 0.5f, 5, P, 0, 0.55f);
        float trees =
            0.004f * std::fabs(n2.at(u * 180, 3.5f, 180, 0)) + 0.003f * n2.at(u * 420, 7.5f, 420, 0);
        near_ridge[x] = 0.238f + 0.016f * n2.fbm(u * P * 2, 1.5f, 4, P * 2, 0, 0.5f) + trees;
    }
    // Thin high clouds, stretched along the horizon: faintly moonlit, and they hide stars.
    std::vector<float> cloud(static_cast<size_t>(W) * H, 0.0f);
    for (int y = 0; y < H; ++y) {
        float h = 1.0f - (static_cast<float>(y) + 0.5f) / H;
        float band = smoothstep(0.27f, 0.36f, h) * (1 - smoothstep(0.6f, 0.85f, h));
        for (int x = 0; x < W; ++x) {
            float u = static_cast<float>(x) / W;
            float warp = 0.35f * n1.at(u * P, h * 5.0f, P, 0);
            float c = n3.fbm(u * P * 2 + warp, h * 14.0f, 5, P * 2, 0, 0.55f);
            cloud[static_cast<size_t>(y) * W + x] = smoothstep(0.0f, 0.5f, c) * band;
        }
    }
    for (int y = 0; y < H; ++y) {
        float h = 1.0f - (static_cast<float>(y) + 0.5f) / H; // 0 at the bottom edge
        for (int x = 0; x < W; ++x) {
            float u = static_cast<float>(x) / W;
            // Dusk fading into night: a teal glow over the hills, deep blue above.
            float above = std::max(0.0f, h - far_ridge[x] + 0.01f); // the glow hugs the ridge line
            colour zenith{0.020f, 0.028f, 0.085f}, mid{0.045f, 0.065f, 0.160f}, glow{0.120f, 0.180f, 0.250f};
            colour c = mix(mid, zenith, smoothstep(0.05f, 0.76f, above));
            c = mix(c, glow, std::exp(-above / 0.10f));
            // A band of dying sunset light right above the ridges, broken along its length.
            float band = std::exp(-above / 0.04f) * (0.55f + 0.45f * n3.fbm(u * P, 0.3f, 3, P, 0));
            c = add(c, colour{0.30f * band, 0.13f * band, 0.08f * band});
            float k = cloud[static_cast<size_t>(y) * W + x];
            float rim = smoothstep(0.15f, 0.5f, k) * (1 - smoothstep(0.6f, 1.0f, k)); // lit edges
            c = mix(c, colour{0.075f, 0.085f, 0.135f}, k * 0.8f);
            c = add(c, colour{0.025f * rim, 0.028f * rim, 0.035f * rim});
            img.at(x, y) = c;
        }
    }
    // Stars: brighter higher up, gathered in loose drifts, dimmed by the glow over the hills
    // and hidden by the clouds.
    rng r(104);
    for (int i = 0; i < 4200; ++i) {
        float sx = r.uniform() * W, sy = r.uniform() * H;
        float h = 1.0f - sy / H;
        float bright = std::pow(r.uniform(), 3.0f);
        float tint = r.uniform();
        float drift = 0.5f + 0.5f * n2.fbm(sx / W * P, h * 6.0f, 3, P, 0);
        if (r.uniform() > 0.35f + 0.65f * drift) continue;
        float visibility = smoothstep(0.27f, 0.45f, h);
        colour sc = tint < 0.2f ? colour{1.0f, 0.85f, 0.7f}
                                : (tint > 0.8f ? colour{0.75f, 0.85f, 1.0f} : colour{1, 1, 1});
        float radius = 0.55f + bright * 0.9f;
        int x0 = static_cast<int>(sx);
        int y0 = static_cast<int>(sy);
        for (int dy = -2; dy <= 2; ++dy)
            for (int dx = -2; dx <= 2; ++dx) {
                int px = (x0 + dx + W) % W, py = y0 + dy;
                if (py < 0 || py >= H) continue;
                float ddx = static_cast<float>(x0 + dx) + 0.5f - sx, ddy = static_cast<float>(py) + 0.5f - sy;
                float f = std::exp(-(ddx * ddx + ddy * ddy) / (radius * radius));
                float k = f * (0.12f + 0.88f * bright) * visibility *
                          (1 - 0.9f * cloud[static_cast<size_t>(py) * W + px]);
                img.at(px, py) = add(img.at(px, py), scale(sc, k));
            }
    }
    // Hills in front of the sky: a hazy far range and a black wooded near range.
    for (int y = 0; y < H; ++y) {
        float h = 1.0f - (static_cast<float>(y) + 0.5f) / H;
        for (int x = 0; x < W; ++x) {
            float far = smoothstep(far_ridge[x] + 0.002f, far_ridge[x] - 0.002f, h);
            float depth = std::max(0.0f, far_ridge[x] - h);
            colour hill = mix(colour{0.040f, 0.052f, 0.090f}, colour{0.010f, 0.012f, 0.024f},
                              smoothstep(0.0f, 0.035f, depth));
            img.at(x, y) = mix(img.at(x, y), hill, far);
            float near = smoothstep(near_ridge[x] + 0.0015f, near_ridge[x] - 0.0015f, h);
            img.at(x, y) = mix(img.at(x, y), colour{0, 0, 0}, near);
        }
    }
    return img;
}

// ------------------------------------------------------------------------------------- ground

// Repeats every 10 world units, so it tiles in both directions. Fine detail carries the
// picture; broad features stay faint so the repetition does not show across the field.
image ground_texture() {
    const int S = 256;
    image img(S, S);
    noise n1(201), n2(202), n3(203);
    for (int y = 0; y < S; ++y)
        for (int x = 0; x < S; ++x) {
            float u = static_cast<float>(x) / S, v = static_cast<float>(y) / S;
            float patch = n1.fbm(u * 3, v * 3, 4, 3, 3, 0.6f);
            float bare = smoothstep(-0.05f, 0.4f, patch + 0.25f * n2.at(u * 12, v * 12, 12, 12)) * 0.8f;
            float detail = n2.fbm(u * 24, v * 24, 3, 24, 24, 0.5f);
            float fine = n3.at(u * 128, v * 128, 128, 128);
            colour turf = mix(colour{0.14f, 0.20f, 0.10f}, colour{0.22f, 0.27f, 0.14f}, 0.5f + 0.7f * detail);
            colour soil = mix(colour{0.23f, 0.19f, 0.13f}, colour{0.17f, 0.14f, 0.10f}, 0.5f + 0.7f * detail);
            colour c = mix(turf, soil, bare);
            img.at(x, y) = scale(c, 0.9f + 0.18f * fine);
        }
    // Tufts of grass: short strokes in random directions, lighter and darker than the turf.
    rng r(204);
    for (int k = 0; k < 9000; ++k) {
        float x0 = r.uniform() * S, y0 = r.uniform() * S;
        float a = r.uniform() * 2 * PI, length = r.range(2.0f, 6.0f);
        float shade = r.range(0.7f, 1.35f);
        colour tint = r.uniform() < 0.3f ? colour{0.24f, 0.28f, 0.12f} : colour{0.17f, 0.27f, 0.10f};
        for (float t = 0; t < length; t += 0.5f) {
            int px = static_cast<int>(x0 + std::cos(a) * t + S) % S,
                py = static_cast<int>(y0 + std::sin(a) * t + S) % S;
            float keep = 0.5f * (1.0f - t / length);
            img.at(px, py) = mix(img.at(px, py), scale(tint, shade), keep);
        }
    }
    // Pebbles in the bare earth, each with a light top and a dark foot.
    for (int k = 0; k < 140; ++k) {
        float x0 = r.uniform() * S, y0 = r.uniform() * S, radius = r.range(0.8f, 1.8f);
        float grey = r.range(0.28f, 0.42f);
        for (int dy = -3; dy <= 3; ++dy)
            for (int dx = -3; dx <= 3; ++dx) {
                float d = std::hypot(static_cast<float>(dx), static_cast<float>(dy)) / radius;
                if (d > 1.0f) continue;
                int px = (static_cast<int>(x0) + dx + S) % S, py = (static_cast<int>(y0) + dy + S) % S;
                float lit = dy < 0 ? 1.1f : 0.8f;
                img.at(px, py) =
                    mix(img.at(px, py), colour{grey * lit, grey * lit * 0.95f, grey * lit * 0.85f},
                        0.8f * (1 - d * d));
            }
    }
    return img;
}

// --------------------------------------------------------------------------------------- tank

colour tank_paint(float x, float z, const noise &camo, const noise &grime) {
    // Three-tone camouflage in broad patches, keyed to model space so it runs across parts.
    float a = camo.fbm(x * 0.07f + 3.1f, z * 0.07f, 3, 0, 0, 0.5f);
    float b = camo.fbm(x * 0.09f - 7.3f, z * 0.09f + 11.0f, 3, 0, 0, 0.5f);
    colour olive{0.44f, 0.45f, 0.29f}, dark{0.31f, 0.32f, 0.21f}, sand{0.55f, 0.51f, 0.37f};
    colour c = olive;
    c = mix(c, dark, smoothstep(0.08f, 0.14f, a));
    c = mix(c, sand, smoothstep(0.16f, 0.22f, b) * (1 - smoothstep(0.08f, 0.14f, a)));
    float g = grime.fbm(x * 0.6f, z * 0.6f, 4, 0, 0, 0.55f);
    return scale(c, 0.88f + 0.16f * g);
}

float line_mask(float d, float width) {
    return 1.0f - smoothstep(width * 0.5f, width, std::fabs(d));
}

image tank_texture() {
    using namespace tank_atlas;
    const int S = 512;
    image img(S, S);
    noise camo(301), grime(302), scratch(303);
    colour track_dark{0.10f, 0.10f, 0.09f};
    for (int py = 0; py < S; ++py)
        for (int px = 0; px < S; ++px) {
            float u = (static_cast<float>(px) + 0.5f) / S, v = 1.0f - (static_cast<float>(py) + 0.5f) / S;
            colour c{0, 0, 0};
            if (v >= 0.5f && u < 0.5f) { // top: x across, z up the picture
                float x = X0 + (u / 0.5f) * (X1 - X0), z = Z0 + ((v - 0.5f) / 0.5f) * (Z1 - Z0);
                c = tank_paint(x, z, camo, grime);
                float line = 0;
                // Fender edges and the seams of the deck plates.
                line = std::max(line, line_mask(std::fabs(x) - TRACK_IN, 0.35f));
                line = std::max(line, line_mask(z - 4.0f, 0.3f) * (std::fabs(x) < TRACK_IN ? 1.f : 0.f));
                line = std::max(line, line_mask(z + 10.0f, 0.3f));
                // Engine deck grille behind the turret.
                if (z > -17.5f && z < -12.8f && std::fabs(x) < 7.5f) {
                    float slat = 0.5f + 0.5f * std::cos((x + 7.5f) * 2 * PI / 1.25f);
                    c = mix(c, colour{0.05f, 0.05f, 0.04f}, 0.55f * smoothstep(0.3f, 0.7f, slat));
                    line = std::max(line, line_mask(std::fabs(x) - 7.5f, 0.3f));
                }
                // Driver's hatch on the glacis, loader's hatch on the turret roof.
                float dh = std::max(std::fabs(x + 5.0f) - 2.0f, std::fabs(z - 12.5f) - 1.6f);
                line = std::max(line, line_mask(dh, 0.3f));
                float hatch = std::hypot(x - HATCH_X, z - HATCH_Z) - HATCH_R;
                line = std::max(line, line_mask(hatch, 0.32f));
                if (hatch < 0) c = scale(c, 0.93f);
                float cupola = std::hypot(x - CUPOLA_X, z - CUPOLA_Z);
                line = std::max(line, line_mask(cupola - (CUPOLA_R - 0.5f), 0.3f));
                // Periscope blocks around the cupola.
                for (int k = 0; k < 6; ++k) {
                    float a = static_cast<float>(k) * PI / 3;
                    float d = std::hypot(x - CUPOLA_X - std::cos(a) * (CUPOLA_R - 0.25f),
                                         z - CUPOLA_Z - std::sin(a) * (CUPOLA_R - 0.25f));
                    if (d < 0.35f) c = {0.12f, 0.16f, 0.18f};
                }
                c = scale(c, 1.0f - 0.55f * line);
                // Bolt heads along the plate seams.
                float bolt = std::fmod(std::fabs(z) + 100.0f, 2.0f);
                if (std::fabs(std::fabs(x) - TRACK_IN + 0.6f) < 0.22f && std::fabs(bolt - 1.0f) < 0.22f)
                    c = scale(c, 1.25f);
                // Soot around the exhausts, dust on the fenders.
                float soot = smoothstep(-13.0f, -19.0f, z) * smoothstep(5.0f, 8.0f, std::fabs(x));
                c = mix(c, colour{0.05f, 0.05f, 0.04f}, 0.5f * soot);
                float dust = smoothstep(TRACK_IN, TRACK_OUT, std::fabs(x)) *
                             (0.5f + 0.5f * grime.at(x * 0.5f, z * 0.5f, 0, 0));
                c = mix(c, colour{0.42f, 0.37f, 0.28f}, 0.35f * dust);
            } else if (v >= 0.75f) { // side: z across, y up
                float z = Z0 + ((u - 0.5f) / 0.5f) * (Z1 - Z0), y = Y0 + ((v - 0.75f) / 0.25f) * (Y1 - Y0);
                c = tank_paint(z, y * 1.7f, camo, grime);
                if (y < TRACK_TOP + 0.05f) {
                    // Track run with the shadowed gaps between the road wheels.
                    c = track_dark;
                    float link = 0.5f + 0.5f * std::cos(z * 2 * PI / 1.3f);
                    float edge = std::max(smoothstep(1.5f, 0.5f, y), smoothstep(4.3f, 5.3f, y));
                    c = scale(c, 1.0f + edge * (0.9f * smoothstep(0.4f, 0.8f, link)));
                    float mud = smoothstep(2.8f, 0.3f, y) * (0.6f + 0.4f * grime.at(z * 0.8f, y, 0, 0));
                    c = mix(c, colour{0.26f, 0.21f, 0.15f}, 0.6f * mud);
                } else {
                    float line = line_mask(y - DECK_Y, 0.3f) + line_mask(y - 6.9f, 0.25f);
                    c = scale(c, 1.0f - 0.5f * std::min(1.0f, line));
                    // A pale chevron on the turret side and a row of rivets under the deck edge.
                    float cz = z + 1.0f, cy = y - 10.6f;
                    if (std::fabs(std::fabs(cz) * 0.6f + cy) < 0.35f && std::fabs(cz) < 1.6f)
                        c = mix(c, colour{0.80f, 0.78f, 0.70f}, 0.85f);
                    if (std::fabs(y - 7.7f) < 0.2f && std::fabs(std::fmod(z + 100.0f, 2.0f) - 1.0f) < 0.2f)
                        c = scale(c, 1.3f);
                    float mud = smoothstep(7.5f, 5.5f, y) * (0.5f + 0.5f * grime.at(z * 0.5f, y, 0, 0));
                    c = mix(c, colour{0.33f, 0.28f, 0.20f}, 0.55f * mud);
                }
            } else if (v >= 0.5f) { // front: x across, y up
                float x = X0 + ((u - 0.5f) / 0.5f) * (X1 - X0), y = Y0 + ((v - 0.5f) / 0.25f) * (Y1 - Y0);
                c = tank_paint(x, y * 1.7f + 40.0f, camo, grime);
                if (y < TRACK_TOP && std::fabs(x) > TRACK_IN) {
                    c = track_dark;
                    float bar = 0.5f + 0.5f * std::cos(y * 2 * PI / 1.1f);
                    c = scale(c, 1.0f + 0.8f * smoothstep(0.5f, 0.9f, bar));
                }
                float lamp = std::min(std::hypot(x - 7.0f, y - 6.8f), std::hypot(x + 7.0f, y - 6.8f));
                if (lamp < 0.75f)
                    c = mix(colour{0.95f, 0.90f, 0.70f}, colour{0.3f, 0.3f, 0.25f},
                            smoothstep(0.3f, 0.75f, lamp));
                c = scale(c, 1.0f - 0.5f * line_mask(y - 6.2f, 0.25f));
                float mud = smoothstep(6.0f, 1.0f, y);
                c = mix(c, colour{0.30f, 0.25f, 0.18f}, 0.5f * mud);
            } else if (v >= SQUARE_V) {
                float lx = std::fmod(u, SQUARE) / SQUARE, ly = (v - SQUARE_V) / SQUARE;
                if (u < WHEEL_U) { // tread plates
                    float bar = 0.5f + 0.5f * std::cos(ly * 2 * PI * 18.0f);
                    c = scale(track_dark, 0.8f + 1.0f * smoothstep(0.55f, 0.85f, bar));
                    c = scale(c, 0.8f + 0.4f * std::fabs(std::sin(lx * PI)));
                } else if (u < METAL_U) { // road wheel: rubber tyre, dished steel, hub and bolts
                    float r = std::hypot(lx - 0.5f, ly - 0.5f) / 0.5f;
                    float a = std::atan2(ly - 0.5f, lx - 0.5f);
                    colour steel = tank_paint(lx * 8.0f, ly * 8.0f, camo, grime);
                    c = r > 0.80f ? colour{0.09f, 0.09f, 0.09f} : scale(steel, 0.75f + 0.35f * (1 - r));
                    c = scale(c,
                              1.0f - 0.5f * line_mask(r - 0.80f, 0.05f) - 0.4f * line_mask(r - 0.34f, 0.05f));
                    // Six bolt heads on the hub's rim.
                    for (int k = 0; k < 6; ++k) {
                        float ba = a - static_cast<float>(k) * PI / 3;
                        if (std::hypot(r * std::cos(ba) - 0.22f, r * std::sin(ba)) < 0.05f)
                            c = scale(c, 1.4f);
                    }
                    if (r < 0.14f) c = {0.16f, 0.16f, 0.13f};
                } else if (u < METAL_U + SQUARE) { // gun tube: paint with a scorched muzzle end
                    c = tank_paint(lx * 6.0f, ly * 30.0f, camo, grime);
                    c = mix(c, colour{0.06f, 0.05f, 0.05f},
                            smoothstep(0.7f, 1.0f, ly) * (lx < 0.7f ? 1.f : 0.f));
                    if (lx > 0.7f) { // the bore seen in the muzzle cap
                        float r = std::hypot(lx - 0.82f, ly - 0.85f);
                        c = r < 0.05f ? colour{0.01f, 0.01f, 0.01f} : colour{0.10f, 0.10f, 0.09f};
                    }
                } else {
                    c = tank_paint(lx * 10.0f, ly * 10.0f, camo, grime);
                }
            } else if (u >= 0.5f) { // rear plate: x across (seen from behind), y up
                float x = X1 - ((u - 0.5f) / 0.5f) * (X1 - X0), y = Y0 + (v / 0.25f) * (Y1 - Y0);
                c = tank_paint(x, y * 1.7f - 40.0f, camo, grime);
                if (y < TRACK_TOP && std::fabs(x) > TRACK_IN) {
                    c = track_dark;
                    float bar = 0.5f + 0.5f * std::cos(y * 2 * PI / 1.1f);
                    c = scale(c, 1.0f + 0.8f * smoothstep(0.5f, 0.9f, bar));
                }
                // Tail lights, a tow hook and soot from the exhausts.
                float lamp = std::min(std::hypot(x - 11.5f, y - 7.2f), std::hypot(x + 11.5f, y - 7.2f));
                if (lamp < 0.6f) c = {0.85f, 0.12f, 0.08f};
                if (std::fabs(x) < 1.2f && std::fabs(y - 3.0f) < 0.6f) c = {0.10f, 0.10f, 0.09f};
                c = mix(c, colour{0.04f, 0.04f, 0.035f},
                        0.6f * smoothstep(4.0f, 8.5f, y) * smoothstep(4.0f, 6.5f, std::fabs(x)) *
                            smoothstep(10.0f, 8.5f, std::fabs(x)));
                c = scale(c, 1.0f - 0.5f * line_mask(y - 5.5f, 0.25f));
            } else {
                c = tank_paint(u * 30.0f, v * 30.0f, camo, grime);
            }
            // Worn paint: bright scratches where the noise crests, everywhere.
            float wear = scratch.fbm(u * 60.0f, v * 60.0f, 3, 0, 0, 0.5f);
            c = mix(c, colour{0.55f, 0.54f, 0.48f}, 0.35f * smoothstep(0.42f, 0.6f, wear));
            img.at(px, py) = c;
        }
    return img;
}

// ------------------------------------------------------------------------------------- barrel

image barrel_texture() {
    using namespace barrel_atlas;
    const int S = 256;
    image img(S, S);
    noise rust(401), dents(402);
    colour paint{0.78f, 0.20f, 0.06f}, yellow{0.95f, 0.72f, 0.08f}, black{0.05f, 0.04f, 0.03f};
    for (int py = 0; py < S; ++py)
        for (int px = 0; px < S; ++px) {
            float u = (static_cast<float>(px) + 0.5f) / S, v = 1.0f - (static_cast<float>(py) + 0.5f) / S;
            colour c = paint;
            float y = (v - SIDE_V0) / (SIDE_V1 - SIDE_V0) * 2 * HALF_HEIGHT - HALF_HEIGHT; // model height
            if (v < SIDE_V1 + 0.02f) {
                // Hazard stripes around the top and bottom, between the chime and the first hoop.
                float band = std::fabs(std::fabs(y) - 12.5f) < 2.2f ? 1.f : 0.f;
                float stripe = std::fmod(u * 24.0f + y * 0.12f + 10.0f, 1.0f) < 0.5f ? 1.f : 0.f;
                if (band > 0) c = stripe > 0 ? yellow : black;
                // A diamond hazard label on two sides with a flame mark in it.
                for (float centre : {0.25f, 0.75f}) {
                    float lx = (u - centre) * 2 * PI * 13.2f, ly = y;
                    float d = std::fabs(lx) + std::fabs(ly);
                    if (d < 6.5f) c = {0.96f, 0.90f, 0.80f};
                    if (std::fabs(d - 6.0f) < 0.35f) c = {0.55f, 0.08f, 0.05f};
                    // The flame: a teardrop with a flickering top.
                    float fy = ly + 1.5f,
                          fw = 2.0f * std::sqrt(std::max(0.0f, 1.0f - std::pow((fy - 0.5f) / 3.2f, 2.0f)));
                    fw *= fy > 0.5f ? 1.0f - 0.6f * (fy - 0.5f) / 3.2f : 1.0f;
                    if (std::fabs(lx + 0.4f * std::sin(fy * 1.7f)) < fw && fy > -2.5f && fy < 3.7f) c = black;
                    if (d < 6.5f && ly < -3.6f && ly > -4.2f && std::fabs(lx) < 1.8f) c = black;
                }
                // Hoops and chimes catch the light; their worn edges show bare steel.
                for (float hoop : {-7.0f, 7.0f, -19.0f, 19.0f}) {
                    float k = 1.0f - smoothstep(0.3f, 0.7f, std::fabs(y - hoop));
                    c = mix(c, scale(c, 1.25f), k);
                    float worn = dents.at(u * 40.0f, hoop, 40, 0);
                    c = mix(c, colour{0.55f, 0.53f, 0.50f}, k * smoothstep(0.15f, 0.45f, worn));
                }
                // Vertical weld seam.
                c = scale(c, 1.0f - 0.35f * line_mask(u - 0.5f, 0.004f));
            } else {
                // Lid: painted steel with pressed rings, a hazard triangle and two capped bungs.
                float lx = (u - LID_U) / LID_R * 13.0f, ly = (v - LID_V) / LID_R * 13.0f;
                float r = std::hypot(lx, ly);
                c = scale(paint, 0.9f);
                c = scale(c, 1.0f - 0.35f * line_mask(r - 10.5f, 0.5f) - 0.3f * line_mask(r - 12.3f, 0.5f));
                c = mix(c, colour{0.60f, 0.58f, 0.54f},
                        smoothstep(11.8f, 12.6f, r)); // worn edge by the chime
                float tx = lx + 1.5f, ty = ly + 3.0f; // a yellow warning triangle
                if (ty > -3.2f && ty < 3.2f && std::fabs(tx) < (3.2f - ty) * 0.62f) c = yellow;
                if (std::fabs(tx) < 0.35f && ty > -1.0f && ty < 1.8f) c = black;
                if (std::hypot(tx, ty + 2.0f) < 0.4f) c = black;
                float b1 = std::hypot(lx - 6.0f, ly - 3.0f), b2 = std::hypot(lx + 7.0f, ly - 1.0f);
                if (b1 < 1.9f) c = b1 > 1.4f ? colour{0.25f, 0.24f, 0.22f} : colour{0.85f, 0.70f, 0.15f};
                if (b2 < 1.2f) c = b2 > 0.8f ? colour{0.25f, 0.24f, 0.22f} : colour{0.85f, 0.70f, 0.15f};
            }
            // Rust runs down from the hoops and grime gathers at the foot.
            float rn = rust.fbm(u * 16.0f, v * 4.0f, 5, 16, 0, 0.6f);
            float streak = rust.fbm(u * 64.0f, 1.3f, 3, 64, 0, 0.5f);
            float amount = smoothstep(0.15f, 0.5f, rn + 0.3f * streak);
            c = mix(c, colour{0.32f, 0.15f, 0.07f}, 0.55f * amount);
            c = mix(c, colour{0.18f, 0.14f, 0.10f},
                    0.4f * smoothstep(-13.0f, -19.5f, y) * (v < SIDE_V1 ? 1.f : 0.f));
            float grain = dents.at(u * 90.0f, v * 90.0f, 90, 90);
            img.at(px, py) = scale(c, 0.9f + 0.12f * grain);
        }
    return img;
}

// ------------------------------------------------------------------------------------ missile

image missile_texture() {
    using namespace missile_atlas;
    const int W = 128, H = 256;
    image img(W, H);
    noise n(501);
    for (int py = 0; py < H; ++py)
        for (int px = 0; px < W; ++px) {
            float u = (static_cast<float>(px) + 0.5f) / W, v = 1.0f - (static_cast<float>(py) + 0.5f) / H;
            float z = v * 2 * HALF_LENGTH - HALF_LENGTH;
            colour c{0.82f, 0.82f, 0.78f};
            if (u >= BODY_U1) {
                c = {0.75f, 0.10f, 0.06f}; // fins
            } else {
                if (z > 88.0f) c = {0.80f, 0.12f, 0.07f}; // nose cone
                if (std::fabs(z - 60.0f) < 4.0f || std::fabs(z + 60.0f) < 3.0f) c = {0.08f, 0.08f, 0.08f};
                if (std::fabs(z - 20.0f) < 2.0f) c = {0.95f, 0.75f, 0.10f};
                if (z < -110.0f) c = {0.12f, 0.11f, 0.10f}; // nozzle
                c = scale(c, 1.0f - 0.4f * line_mask(std::fmod(u / BODY_U1 * 4.0f, 1.0f) - 0.5f, 0.02f) *
                                        (z > -100 && z < 80 ? 1.f : 0.f));
                c = mix(c, colour{0.2f, 0.18f, 0.16f}, 0.5f * smoothstep(-80.0f, -120.0f, z)); // exhaust soot
            }
            img.at(px, py) = scale(c, 0.92f + 0.1f * n.at(u * 16, v * 32, 16, 32));
        }
    return img;
}

// -------------------------------------------------------------------------------------- glows

struct la_image {
    int width, height;
    std::vector<float> lum, alpha;
    la_image(int w, int h)
        : width(w), height(h), lum(static_cast<size_t>(w) * h), alpha(static_cast<size_t>(w) * h) {}
};

// Radial shapes in [-1, 1] on both axes; the rim stays at zero so clamped edges are clean.
template <typename F> la_image radial(int size, F shape) {
    la_image out(size, size);
    for (int y = 0; y < size; ++y)
        for (int x = 0; x < size; ++x) {
            float dx = (static_cast<float>(x) + 0.5f) / size * 2 - 1,
                  dy = (static_cast<float>(y) + 0.5f) / size * 2 - 1;
            float r = std::hypot(dx, dy), a = std::atan2(dy, dx);
            auto [l, al] = shape(dx, dy, r, a);
            float edge = smoothstep(1.0f, 0.92f, r);
            size_t i = static_cast<size_t>(y) * size + x;
            out.lum[i] = clamp01(l) * edge;
            out.alpha[i] = clamp01(al) * edge;
        }
    return out;
}

// Power-up sparkle: a soft core with a faint four-pointed glint.
la_image puff_1() {
    noise n(601);
    return radial(128, [&](float dx, float dy, float r, float) {
        float core = std::exp(-r * r / 0.045f);
        float halo = std::exp(-r * r / 0.25f) * (0.75f + 0.25f * n.fbm(dx * 4 + 9, dy * 4, 3));
        float glint = std::exp(-std::fabs(dx * dy) * 90.0f) * std::exp(-r * r / 0.35f);
        float l = core + 0.45f * halo + 0.45f * glint;
        return std::pair{l, l};
    });
}

// Fire puff in the luminance, the soft shadow blob in the coverage.
la_image puff_2() {
    noise n(602), m(603);
    return radial(128, [&](float dx, float dy, float r, float) {
        float billow = n.fbm(dx * 3 + 5, dy * 3 + 1, 5, 0, 0, 0.55f);
        float body = smoothstep(0.95f, 0.2f, r + 0.35f * billow);
        float hot = std::exp(-r * r / 0.12f) * (0.7f + 0.3f * m.fbm(dx * 6, dy * 6, 3));
        float l = 0.75f * body + 0.5f * hot;
        float shadow = smoothstep(0.95f, 0.1f, r + 0.12f * m.fbm(dx * 2 + 3, dy * 2, 3));
        return std::pair{l, shadow};
    });
}

// Smoke: a billowing cloud, a little lighter on its upper side.
la_image puff_3() {
    noise n(604), m(605);
    return radial(128, [&](float dx, float dy, float r, float) {
        float billow = n.fbm(dx * 2.5f + 2, dy * 2.5f + 7, 5, 0, 0, 0.55f);
        float a = smoothstep(0.95f, 0.15f, r + 0.45f * billow) * 0.9f;
        float lit = 0.75f + 0.25f * smoothstep(0.6f, -0.6f, dy) + 0.1f * m.fbm(dx * 5, dy * 5, 3);
        return std::pair{a * std::min(1.0f, lit), a};
    });
}

// Flash in the luminance (hot core with rays), scorch mark in the coverage (charred blot
// with splatter spokes).
la_image flash_1() {
    noise n(606), m(607);
    return radial(128, [&](float dx, float dy, float r, float a) {
        // Rays: noise read around the circle, so they stay continuous across the angle's wrap.
        float rays = 0.5f + 0.5f * n.at(std::cos(a) * 4 + 4, std::sin(a) * 4 + 4, 0, 0);
        float flicker = 0.7f + 0.3f * m.fbm(dx * 4 + 11, dy * 4, 4);
        float flash = 0.9f * std::exp(-r * r / 0.03f) + 0.55f * std::exp(-r * r / 0.2f) * flicker +
                      0.45f * std::pow(rays, 3.0f) * std::exp(-r / 0.3f);
        float blot = smoothstep(0.8f, 0.35f, r + 0.3f * m.fbm(dx * 3, dy * 3, 5, 0, 0, 0.6f));
        float spokes = smoothstep(0.55f, 0.9f, n.at(std::cos(a) * 6, std::sin(a) * 6, 0, 0) + 0.4f) *
                       smoothstep(0.95f, 0.4f, r) * (0.6f + 0.4f * m.at(dx * 20, dy * 20, 0, 0));
        float burnt = std::max(blot, spokes) * (0.75f + 0.25f * m.fbm(dx * 8 + 2, dy * 8, 3));
        return std::pair{flash, burnt};
    });
}

// Beam streaks: thin vertical light threads, broken along their length; tiles both ways.
la_image streaks_1() {
    const int W = 128, H = 256;
    la_image out(W, H);
    noise n(608), m(609);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            float u = static_cast<float>(x) / W, v = static_cast<float>(y) / H;
            float threads = 0;
            for (int k = 0; k < 3; ++k) {
                float f = n.at(u * (8 << k), 0.5f + k, 8 << k, 0);
                threads += std::pow(std::max(0.0f, f), 2.0f) * (1.0f - 0.25f * k);
            }
            float breaks = 0.55f + 0.45f * m.fbm(u * 16, v * 4, 3, 16, 4);
            float l = clamp01(1.6f * threads * breaks + 0.08f);
            size_t i = static_cast<size_t>(y) * W + x;
            out.lum[i] = l;
            out.alpha[i] = l;
        }
    return out;
}

// One ring-wall streak: a narrow upright glow, brightest at its foot, fading upwards.
la_image streaks_2() {
    const int W = 64, H = 256;
    la_image out(W, H);
    noise n(610);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            float s = (static_cast<float>(x) + 0.5f) / W, t = 1.0f - (static_cast<float>(y) + 0.5f) / H;
            float wobble = 0.04f * n.at(t * 6, 0.5f, 0, 0);
            float across = std::exp(-std::pow((s - 0.5f - wobble) / 0.22f, 2.0f));
            float core = std::exp(-std::pow((s - 0.5f - wobble) / 0.05f, 2.0f));
            float up = std::pow(1.0f - t, 0.9f) * (0.75f + 0.25f * n.fbm(s * 4, t * 10, 3));
            float edge = smoothstep(0.0f, 0.1f, s) * smoothstep(1.0f, 0.9f, s) * smoothstep(1.0f, 0.85f, t);
            float l = clamp01((0.8f * across + 0.6f * core) * up * edge);
            size_t i = static_cast<size_t>(y) * W + x;
            out.lum[i] = l;
            out.alpha[i] = l;
        }
    return out;
}

// Ring-wall bands: once around the ring in s, so the pattern repeats many times across the
// width. Seen from across the arena the pulses blend into a solid band of light, so the band is
// bright over most of its height and fades only near the top; close up the pulses stand apart
// with darker gaps between them, so the wall does not wash out the scene behind it.
la_image streaks_3() {
    const int W = 512, H = 64;
    la_image out(W, H);
    noise n(611);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            float s = static_cast<float>(x) / W, t = 1.0f - (static_cast<float>(y) + 0.5f) / H;
            float pulses = 0.5f + 0.5f * std::cos(s * 2 * PI * 48.0f);
            float flow = n.fbm(s * 32, t * 2, 4, 32, 0, 0.55f);
            float fade = std::pow(1.0f - t, 0.6f) * smoothstep(0.0f, 0.04f, t + 0.02f);
            float foot = 0.35f * std::exp(-t / 0.12f);
            float l = clamp01((0.4f + 1.1f * std::pow(pulses, 3.0f) + 0.3f * flow) * fade + foot);
            size_t i = static_cast<size_t>(y) * W + x;
            out.lum[i] = l;
            out.alpha[i] = l;
        }
    return out;
}

resource_file la_file(const char *name, const la_image &img) {
    return {name, bitmap_bytes_la(img.width, img.height, img.lum, img.alpha)};
}

} // namespace

void add_textures(resource_list &out) {
    out.push_back({"texture_sky_1.bmp", bitmap_bytes(sky_texture())});
    out.push_back({"texture_ground.bmp", bitmap_bytes(ground_texture())});
    out.push_back({"texture_tank_1.bmp", bitmap_bytes(tank_texture())});
    out.push_back({"texture_barrel.bmp", bitmap_bytes(barrel_texture())});
    out.push_back({"texture_missile_1.bmp", bitmap_bytes(missile_texture())});
    out.push_back(la_file("texture_puff_1.bmp", puff_1()));
    out.push_back(la_file("texture_puff_2.bmp", puff_2()));
    out.push_back(la_file("texture_puff_3.bmp", puff_3()));
    out.push_back(la_file("texture_flash_1.bmp", flash_1()));
    out.push_back(la_file("texture_streaks_1.bmp", streaks_1()));
    out.push_back(la_file("texture_streaks_2.bmp", streaks_2()));
    out.push_back(la_file("texture_streaks_3.bmp", streaks_3()));
}

} // namespace gen
