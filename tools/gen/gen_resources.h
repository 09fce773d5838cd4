// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The resource generator's parts: each adds its files (name with extension, bytes) to the
// list that is written out and packed. The tank's texture atlas layout is shared by the
// mesh, which assigns the texture coordinates, and the painter, which fills the regions.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace gen {

struct resource_file {
    std::string file_name;
    std::vector<uint8_t> bytes;
};
using resource_list = std::vector<resource_file>;

void add_textures(resource_list &out);
// False with a reason when the font cannot be rasterised.
bool add_font(resource_list &out, const std::string &font_path, std::string *error);
void add_meshes(resource_list &out);
void add_sounds(resource_list &out);

// Tank atlas: every region maps a rectangle of model space (y up, +z forward) to a rectangle
// of the texture (u right, v up). Top: x, z seen from above; side: z, y; front and rear: x, y.
namespace tank_atlas {
constexpr float X0 = -17.5f, X1 = 17.5f, Z0 = -20.0f, Z1 = 29.0f, Y0 = 0.0f, Y1 = 15.0f;
inline std::pair<float, float> top(float x, float z) {
    return {(x - X0) / (X1 - X0) * 0.5f, 0.5f + (z - Z0) / (Z1 - Z0) * 0.5f};
}
inline std::pair<float, float> side(float z, float y) {
    return {0.5f + (z - Z0) / (Z1 - Z0) * 0.5f, 0.75f + (y - Y0) / (Y1 - Y0) * 0.25f};
}
inline std::pair<float, float> front(float x, float y) {
    return {0.5f + (x - X0) / (X1 - X0) * 0.5f, 0.5f + (y - Y0) / (Y1 - Y0) * 0.25f};
}
inline std::pair<float, float> rear(float x, float y) {
    return {0.5f + (X1 - x) / (X1 - X0) * 0.5f, (y - Y0) / (Y1 - Y0) * 0.25f};
}
// Square regions in the lower half: track tread, road wheel face, gun metal.
constexpr float TREAD_U = 0.0f, WHEEL_U = 0.25f, METAL_U = 0.5f, SQUARE_V = 0.25f, SQUARE = 0.25f;
// Track positions that the painter and the mesh agree on.
constexpr float TRACK_IN = 10.0f, TRACK_OUT = 16.0f, TRACK_TOP = 5.5f;
constexpr float WHEEL_Y = 2.7f, WHEEL_R = 2.3f;
constexpr float WHEEL_Z[5] = {-12.0f, -6.0f, 0.0f, 6.0f, 12.0f};
constexpr float CUPOLA_X = -3.5f, CUPOLA_Z = -3.0f, CUPOLA_R = 2.6f;
constexpr float HATCH_X = 3.6f, HATCH_Z = -1.5f, HATCH_R = 2.1f;
constexpr float TURRET_TOP = 12.3f, DECK_Y = 8.5f;
} // namespace tank_atlas

// Barrel atlas: the side wraps once around in u with its height in v from 0.05 to 0.75; the
// lids are a disc above that.
namespace barrel_atlas {
constexpr float SIDE_V0 = 0.05f, SIDE_V1 = 0.75f, LID_U = 0.15f, LID_V = 0.885f, LID_R = 0.1f;
constexpr float HALF_HEIGHT = 20.0f;
} // namespace barrel_atlas

// Missile atlas: the body wraps in u from 0 to 0.75 with its length in v; fins in u 0.8..1.
namespace missile_atlas {
constexpr float BODY_U1 = 0.75f, FIN_U0 = 0.8f, FIN_U1 = 1.0f, HALF_LENGTH = 125.0f;
} // namespace missile_atlas

} // namespace gen
