// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The three meshes (tank, barrel, missile) built from prisms, frusta, cylinders and lathed
// profiles, and the three materials. Model space is y up with +z forward; every face winds
// counter-clockwise seen from outside and carries an outward normal.

#include "tools/gen/gen_common.h"
#include "tools/gen/gen_resources.h"

#include <cstdio>
#include <functional>

namespace gen {
namespace {

using uv_fn = std::function<std::pair<float, float>(vec3 p, vec3 n)>;

vec3 polygon_normal(const std::vector<vec3> &pts) {
    vec3 n{0, 0, 0};
    for (size_t i = 0; i < pts.size(); ++i)
        n = n + cross(pts[i], pts[(i + 1) % pts.size()]);
    return normalised(n);
}

// A flat face turned so that its normal points along `outward`.
void flat_face(mesh &m, std::vector<vec3> pts, vec3 outward, const uv_fn &uv) {
    vec3 n = polygon_normal(pts);
    if (dot(n, outward) < 0) {
        std::reverse(pts.begin(), pts.end());
        n = n * -1.0f;
    }
    std::vector<std::pair<float, float>> uvs;
    for (const vec3 &p : pts)
        uvs.push_back(uv(p, n));
    m.polygon(pts, uvs);
}

// A face with a normal per corner (smooth shading), turned to face `outward`.
void smooth_face(mesh &m, std::vector<vec3> pts, std::vector<vec3> normals,
                 std::vector<std::pair<float, float>> uvs, vec3 outward) {
    if (dot(polygon_normal(pts), outward) < 0) {
        std::reverse(pts.begin(), pts.end());
        std::reverse(normals.begin(), normals.end());
        std::reverse(uvs.begin(), uvs.end());
    }
    std::vector<mesh::corner> c;
    for (size_t i = 0; i < pts.size(); ++i)
        c.push_back({m.position(pts[i]), m.uv(uvs[i].first, uvs[i].second), m.normal(normals[i])});
    m.face(c);
}

// A convex (z, y) profile extruded along x from x0 to x1.
void prism_x(mesh &m, const std::vector<std::pair<float, float>> &profile, float x0, float x1,
             const uv_fn &uv) {
    float cz = 0, cy = 0;
    for (auto [z, y] : profile)
        cz += z, cy += y;
    cz /= static_cast<float>(profile.size());
    cy /= static_cast<float>(profile.size());
    std::vector<vec3> left, right;
    for (auto [z, y] : profile) {
        left.push_back({x0, y, z});
        right.push_back({x1, y, z});
    }
    flat_face(m, right, {1, 0, 0}, uv);
    flat_face(m, left, {-1, 0, 0}, uv);
    for (size_t i = 0; i < profile.size(); ++i) {
        size_t j = (i + 1) % profile.size();
        float mz = (profile[i].first + profile[j].first) / 2,
              my = (profile[i].second + profile[j].second) / 2;
        flat_face(m, {left[i], left[j], right[j], right[i]}, {0, my - cy, mz - cz}, uv);
    }
}

void box(mesh &m, vec3 lo, vec3 hi, const uv_fn &uv) {
    prism_x(m, {{lo.z, lo.y}, {hi.z, lo.y}, {hi.z, hi.y}, {lo.z, hi.y}}, lo.x, hi.x, uv);
}

// Two convex (x, z) outlines of equal corner count joined from height y0 to y1.
void frustum_y(mesh &m, const std::vector<std::pair<float, float>> &bottom,
               const std::vector<std::pair<float, float>> &top, float y0, float y1, const uv_fn &uv) {
    float cx = 0, cz = 0;
    for (auto [x, z] : bottom)
        cx += x, cz += z;
    cx /= static_cast<float>(bottom.size());
    cz /= static_cast<float>(bottom.size());
    std::vector<vec3> lo, hi;
    for (size_t i = 0; i < bottom.size(); ++i) {
        lo.push_back({bottom[i].first, y0, bottom[i].second});
        hi.push_back({top[i].first, y1, top[i].second});
    }
    flat_face(m, hi, {0, 1, 0}, uv);
    flat_face(m, lo, {0, -1, 0}, uv);
    for (size_t i = 0; i < bottom.size(); ++i) {
        size_t j = (i + 1) % bottom.size();
        vec3 mid = (lo[i] + lo[j]) * 0.5f;
        flat_face(m, {lo[i], lo[j], hi[j], hi[i]}, {mid.x - cx, 0, mid.z - cz}, uv);
    }
}

// A closed cylinder; `ref` and axis span the circle. Side texture coordinates come from
// (fraction around, fraction along), cap coordinates from (cos, sin) of the corner.
void cylinder(mesh &m, vec3 base, vec3 axis, vec3 ref, float r, float length, int segments,
              const std::function<std::pair<float, float>(float, float)> &side_uv,
              const std::function<std::pair<float, float>(float, float)> &cap_uv, bool cap0, bool cap1) {
    vec3 bin = cross(axis, ref);
    std::vector<vec3> ring0, ring1;
    std::vector<vec3> radial;
    for (int i = 0; i <= segments; ++i) {
        float a = 2 * PI * static_cast<float>(i) / static_cast<float>(segments);
        vec3 d = ref * std::cos(a) + bin * std::sin(a);
        radial.push_back(d);
        ring0.push_back(base + d * r);
        ring1.push_back(base + d * r + axis * length);
    }
    for (int i = 0; i < segments; ++i) {
        float f0 = static_cast<float>(i) / static_cast<float>(segments);
        float f1 = static_cast<float>(i + 1) / static_cast<float>(segments);
        smooth_face(m, {ring0[i], ring0[i + 1], ring1[i + 1], ring1[i]},
                    {radial[i], radial[i + 1], radial[i + 1], radial[i]},
                    {side_uv(f0, 0), side_uv(f1, 0), side_uv(f1, 1), side_uv(f0, 1)},
                    radial[i] + radial[i + 1]);
    }
    auto cap = [&](const std::vector<vec3> &ring, vec3 outward) {
        std::vector<vec3> pts(ring.begin(), ring.end() - 1);
        std::vector<std::pair<float, float>> uvs;
        for (int i = 0; i < segments; ++i) {
            float a = 2 * PI * static_cast<float>(i) / static_cast<float>(segments);
            uvs.push_back(cap_uv(std::cos(a), std::sin(a)));
        }
        if (dot(polygon_normal(pts), outward) < 0) {
            std::reverse(pts.begin(), pts.end());
            std::reverse(uvs.begin(), uvs.end());
        }
        m.polygon(pts, uvs);
    };
    if (cap0) cap(ring0, axis * -1.0f);
    if (cap1) cap(ring1, axis);
}

// A surface of revolution about `axis` (y for the barrel, z for the missile) from a profile of
// (radius, height) running from one end to the other; the normal of each profile step is
// shared around the ring so the body shades round while the steps keep their edges.
void lathe(
    mesh &m, int axis, const std::vector<std::pair<float, float>> &profile, int segments,
    const std::function<std::pair<float, float>(float frac, float h, float r, vec3 radial, bool flat)> &uv) {
    auto point = [&](float r, float h, float a) -> vec3 {
        float c = std::cos(a) * r, s = std::sin(a) * r;
        return axis == 1 ? vec3{s, h, c} : vec3{c, s, h};
    };
    auto direction = [&](float nr, float nh, float a) -> vec3 {
        float c = std::cos(a) * nr, s = std::sin(a) * nr;
        return axis == 1 ? vec3{s, nh, c} : vec3{c, s, nh};
    };
    for (size_t k = 0; k + 1 < profile.size(); ++k) {
        auto [r0, h0] = profile[k];
        auto [r1, h1] = profile[k + 1];
        float dr = r1 - r0, dh = h1 - h0;
        // Outward in the profile plane when the profile runs from low to high height.
        float nr = dh, nh = -dr;
        for (int i = 0; i < segments; ++i) {
            float a0 = 2 * PI * static_cast<float>(i) / static_cast<float>(segments);
            float a1 = 2 * PI * static_cast<float>(i + 1) / static_cast<float>(segments);
            float f0 = static_cast<float>(i) / static_cast<float>(segments);
            float f1 = static_cast<float>(i + 1) / static_cast<float>(segments);
            vec3 n0 = direction(nr, nh, a0), n1 = direction(nr, nh, a1);
            vec3 p00 = point(r0, h0, a0), p01 = point(r0, h0, a1), p11 = point(r1, h1, a1),
                 p10 = point(r1, h1, a0);
            bool flat = dh == 0;
            auto uv00 = uv(f0, h0, r0, direction(1, 0, a0), flat),
                 uv01 = uv(f1, h0, r0, direction(1, 0, a1), flat);
            auto uv11 = uv(f1, h1, r1, direction(1, 0, a1), flat),
                 uv10 = uv(f0, h1, r1, direction(1, 0, a0), flat);
            vec3 outward = direction(nr, nh, (a0 + a1) / 2);
            if (r0 == 0)
                smooth_face(m, {p00, p11, p10}, {n0, n1, n0}, {uv00, uv11, uv10}, outward);
            else if (r1 == 0)
                smooth_face(m, {p00, p01, p11}, {n0, n1, n1}, {uv00, uv01, uv11}, outward);
            else
                smooth_face(m, {p00, p01, p11, p10}, {n0, n1, n1, n0}, {uv00, uv01, uv11, uv10}, outward);
        }
    }
}

std::pair<float, float> tank_uv(vec3 p, vec3 n) {
    float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    if (ay >= ax && ay >= az) return tank_atlas::top(p.x, p.z);
    if (ax >= az) return tank_atlas::side(p.z, p.y);
    return n.z > 0 ? tank_atlas::front(p.x, p.y) : tank_atlas::rear(p.x, p.y);
}

std::pair<float, float> square_uv(float u0, float x, float y) {
    return {u0 + tank_atlas::SQUARE * x, tank_atlas::SQUARE_V + tank_atlas::SQUARE * y};
}

std::string tank_mesh() {
    using namespace tank_atlas;
    mesh m;
    uv_fn uv = tank_uv;
    // Tracks: everything but their outer and inner faces uses the tread strip.
    uv_fn track_uv = [](vec3 p, vec3 n) -> std::pair<float, float> {
        if (std::fabs(n.x) > 0.7f) return tank_atlas::side(p.z, p.y);
        float across = (std::fabs(p.x) - TRACK_IN) / (TRACK_OUT - TRACK_IN);
        return square_uv(TREAD_U, 0.05f + 0.9f * across, (p.z + p.y - Z0) / (Z1 - Z0 + 6.0f));
    };
    const std::vector<std::pair<float, float>> track = {{-15, 0.3f},        {15, 0.3f},          {18, 3},
                                                        {17.5f, TRACK_TOP}, {-17.5f, TRACK_TOP}, {-18, 3}};
    prism_x(m, track, TRACK_IN, TRACK_OUT, track_uv);
    prism_x(m, track, -TRACK_OUT, -TRACK_IN, track_uv);
    // Road wheels and idlers stand a little proud of the track's outer face.
    auto wheel_side = [](float f, float) {
        return square_uv(WHEEL_U, 0.5f + 0.47f * std::cos(f * 2 * PI), 0.5f + 0.47f * std::sin(f * 2 * PI));
    };
    auto wheel_cap = [](float c, float s) { return square_uv(WHEEL_U, 0.5f + 0.46f * c, 0.5f + 0.46f * s); };
    for (float side : {1.0f, -1.0f}) {
        for (float z : WHEEL_Z)
            cylinder(m, {side * TRACK_OUT, WHEEL_Y, z}, {side, 0, 0}, {0, 0, 1}, WHEEL_R, 0.7f, 14,
                     wheel_side, wheel_cap, false, true);
        for (float z : {-16.2f, 16.2f})
            cylinder(m, {side * TRACK_OUT, 3.3f, z}, {side, 0, 0}, {0, 0, 1}, 1.5f, 0.5f, 10, wheel_side,
                     wheel_cap, false, true);
    }
    // Lower hull between the tracks, upper hull with the fenders over them.
    prism_x(m, {{-16, 1.2f}, {15, 1.2f}, {17.5f, TRACK_TOP}, {-16.5f, TRACK_TOP}}, -TRACK_IN, TRACK_IN, uv);
    prism_x(
        m,
        {{-18.5f, TRACK_TOP}, {18.5f, TRACK_TOP}, {18.5f, 6.2f}, {13, DECK_Y}, {-16, DECK_Y}, {-18.5f, 6.8f}},
        -16.5f, 16.5f, uv);
    // Exhausts on the rear plate, stowage bins on the rear fenders.
    for (float side : {1.0f, -1.0f}) {
        box(m, {side > 0 ? 6.0f : -9.0f, 6.0f, -19.3f}, {side > 0 ? 9.0f : -6.0f, 7.3f, -18.3f}, uv);
        box(m, {side > 0 ? 11.5f : -15.8f, DECK_Y, -17.0f},
            {side > 0 ? 15.8f : -11.5f, DECK_Y + 1.6f, -10.5f}, uv);
    }
    // Turret: a sloped hexagonal casting with a stowage box behind it.
    const std::vector<std::pair<float, float>> turret_base = {{-7.5f, 7.0f}, {7.5f, 7.0f}, {9.5f, 0},
                                                              {8.5f, -9},    {-8.5f, -9},  {-9.5f, 0}};
    std::vector<std::pair<float, float>> turret_top;
    for (auto [x, z] : turret_base)
        turret_top.push_back({x * 0.84f, z * 0.86f - 0.6f});
    frustum_y(m, turret_base, turret_top, DECK_Y, TURRET_TOP, uv);
    box(m, {-6.5f, 9.0f, -12.0f}, {6.5f, 11.6f, -8.6f}, uv);
    // Smoke dischargers: short tubes angled out of the turret's front corners.
    auto tube_side = [](float f, float along) { return square_uv(METAL_U, 0.05f + 0.6f * f, 0.3f * along); };
    auto tube_cap = [](float c, float s) { return square_uv(METAL_U, 0.82f + 0.1f * c, 0.85f + 0.1f * s); };
    for (float side : {1.0f, -1.0f})
        for (int k = 0; k < 3; ++k) {
            vec3 axis = normalised({side * 0.5f, 0.35f, 1.0f});
            vec3 base{side * (7.0f + 0.2f * static_cast<float>(k)), 9.6f + 0.85f * static_cast<float>(k),
                      4.2f};
            cylinder(m, base, axis, normalised(cross(axis, {0, 1, 0})), 0.4f, 1.8f, 8, tube_side, tube_cap,
                     false, true);
        }
    // Mantlet and gun with its muzzle brake.
    box(m, {-3.2f, 9.3f, 5.6f}, {3.2f, 11.9f, 8.6f}, uv);
    auto metal_side = [](float f, float along) { return square_uv(METAL_U, 0.05f + 0.6f * f, along); };
    auto metal_cap = [](float c, float s) { return square_uv(METAL_U, 0.82f + 0.1f * c, 0.85f + 0.1f * s); };
    cylinder(m, {0, 10.6f, 8.6f}, {0, 0, 1}, {1, 0, 0}, 0.9f, 17.0f, 12, metal_side, metal_cap, false, false);
    cylinder(m, {0, 10.6f, 25.2f}, {0, 0, 1}, {1, 0, 0}, 1.35f, 3.0f, 12, metal_side, metal_cap, true, true);
    // Commander's cupola with its lid, and a whip antenna at the turret's rear corner.
    auto plain_side = [](float f, float along) {
        return tank_atlas::side(CUPOLA_Z - CUPOLA_R * std::sin(f * 2 * PI), TURRET_TOP + along * 1.5f);
    };
    auto cupola_cap = [](float c, float s) {
        return tank_atlas::top(CUPOLA_X + c * CUPOLA_R, CUPOLA_Z + s * CUPOLA_R);
    };
    cylinder(m, {CUPOLA_X, TURRET_TOP - 0.2f, CUPOLA_Z}, {0, 1, 0}, {1, 0, 0}, CUPOLA_R, 1.5f, 14, plain_side,
             cupola_cap, false, true);
    cylinder(m, {CUPOLA_X, TURRET_TOP + 1.3f, CUPOLA_Z}, {0, 1, 0}, {1, 0, 0}, CUPOLA_R - 0.5f, 0.4f, 14,
             plain_side, cupola_cap, false, true);
    box(m, {5.4f, TURRET_TOP - 0.5f, -7.6f}, {5.9f, 19.0f, -7.1f}, uv);
    return m.obj_text("tank");
}

std::string barrel_mesh() {
    using namespace barrel_atlas;
    mesh m;
    // Bottom centre to top centre: chimes, two rolling hoops and a lid set in the rim.
    const std::vector<std::pair<float, float>> profile = {
        {0, -19.3f},     {12.6f, -19.3f}, {12.9f, -20.0f}, {13.9f, -19.6f}, {14.0f, -18.4f},
        {13.2f, -17.8f}, {13.2f, -8.2f},  {14.0f, -7.6f},  {14.0f, -6.4f},  {13.2f, -5.8f},
        {13.2f, 5.8f},   {14.0f, 6.4f},   {14.0f, 7.6f},   {13.2f, 8.2f},   {13.2f, 17.8f},
        {14.0f, 18.4f},  {13.9f, 19.6f},  {12.9f, 20.0f},  {12.6f, 19.3f},  {0, 19.3f}};
    lathe(m, 1, profile, 24,
          [](float frac, float h, float r, vec3 radial, bool flat) -> std::pair<float, float> {
              if (flat) // the lids
                  return {LID_U + LID_R * radial.x * r / 13.0f, LID_V + LID_R * radial.z * r / 13.0f};
              return {frac, SIDE_V0 + (SIDE_V1 - SIDE_V0) * (h + HALF_HEIGHT) / (2 * HALF_HEIGHT)};
          });
    return m.obj_text("barrel");
}

std::string missile_mesh() {
    using namespace missile_atlas;
    mesh m;
    const std::vector<std::pair<float, float>> profile = {{0, -118.0f},    {4.5f, -118.0f}, {5.5f, -125.0f},
                                                          {7.5f, -112.0f}, {7.5f, 70.0f},   {6.6f, 88.0f},
                                                          {4.6f, 105.0f},  {2.0f, 119.0f},  {0, 125.0f}};
    lathe(m, 2, profile, 12, [](float frac, float h, float, vec3, bool) -> std::pair<float, float> {
        return {BODY_U1 * frac, (h + HALF_LENGTH) / (2 * HALF_LENGTH)};
    });
    // Four swept fins, thin slabs in the planes x = 0 and y = 0.
    uv_fn fin_uv = [](vec3 p, vec3) -> std::pair<float, float> {
        float r = std::max(std::fabs(p.x), std::fabs(p.y));
        return {FIN_U0 + (FIN_U1 - FIN_U0) * std::min(1.0f, (r - 6.0f) / 18.0f),
                (p.z + HALF_LENGTH) / (2 * HALF_LENGTH)};
    };
    const std::vector<std::pair<float, float>> fin = {
        {7.0f, -114.0f}, {23.0f, -121.0f}, {23.0f, -104.0f}, {7.0f, -84.0f}};
    for (int k = 0; k < 4; ++k) {
        float c = std::cos(static_cast<float>(k) * PI / 2), s = std::sin(static_cast<float>(k) * PI / 2);
        // Each fin is a prism of its (radius, z) outline, 1.4 units thick, rotated into place.
        std::vector<vec3> a, b;
        for (auto [r, z] : fin) {
            a.push_back({c * r - s * 0.7f, s * r + c * 0.7f, z});
            b.push_back({c * r + s * 0.7f, s * r - c * 0.7f, z});
        }
        vec3 side{-s, c, 0};
        flat_face(m, a, side, fin_uv);
        flat_face(m, b, side * -1.0f, fin_uv);
        for (size_t i = 0; i < fin.size(); ++i) {
            size_t j = (i + 1) % fin.size();
            vec3 mid = (a[i] + a[j] + b[i] + b[j]) * 0.25f;
            vec3 centre = {c * 15.0f, s * 15.0f, -104.0f};
            flat_face(m, {a[i], a[j], b[j], b[i]}, mid - centre, fin_uv);
        }
    }
    return m.obj_text("missile");
}

std::vector<uint8_t> text_file(const std::string &s) {
    return std::vector<uint8_t>(s.begin(), s.end());
}

std::string material_text(const char *title, float ambient, float diffuse, float specular, float emit) {
    char buffer[512];
    snprintf(buffer, sizeof buffer,
             "# %s: surface colours under the scene's one white light\n"
             "emit %.2f %.2f %.2f\nambient %.2f %.2f %.2f\ndiffuse %.2f %.2f %.2f\nspecular %.2f %.2f %.2f\n",
             title, emit, emit, emit, ambient, ambient, ambient, diffuse, diffuse, diffuse, specular,
             specular, specular);
    return buffer;
}

} // namespace

void add_meshes(resource_list &out) {
    out.push_back({"object_tank_1.obj", text_file(tank_mesh())});
    out.push_back({"object_barrel.obj", text_file(barrel_mesh())});
    out.push_back({"object_missile_1.obj", text_file(missile_mesh())});
    // No shininess is set by the game, so specular light falls evenly on every lit face: keep it low.
    out.push_back(
        {"material_tank.txt", text_file(material_text("painted steel", 0.55f, 0.85f, 0.08f, 0.0f))});
    out.push_back(
        {"material_barrel.txt", text_file(material_text("enamelled drum", 0.65f, 0.85f, 0.1f, 0.06f))});
    out.push_back(
        {"material_ground.txt", text_file(material_text("grass and earth", 0.45f, 0.8f, 0.0f, 0.0f))});
}

} // namespace gen
