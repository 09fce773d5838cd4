// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The bitmap font: the 128 ASCII codes in 16 x 8 square cells of 64 pixels, rasterised with
// FreeType from a bold monospaced face. Luminance (blue byte) holds the letter; coverage
// (green byte) holds the letter widened by a soft rim, so text keeps a dark outline over
// bright scenes and the luminance never exceeds the coverage.

#include "tools/gen/gen_common.h"
#include "tools/gen/gen_resources.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>

namespace gen {

namespace {
constexpr int CELL = 64;
constexpr int COLUMNS = 16, ROWS = 8;
constexpr int EM_PIXELS = 54;
constexpr float STRETCH = 1.22f; // the game advances 0.8 cell per letter: widen the face to fill it
constexpr float RIM = 3.0f;      // outline width in texels
} // namespace

bool add_font(resource_list &out, const std::string &font_path, std::string *error) {
    FT_Library library;
    if (FT_Init_FreeType(&library)) {
        *error = "cannot start FreeType";
        return false;
    }
    FT_Face face;
    if (FT_New_Face(library, font_path.c_str(), 0, &face)) {
        *error = font_path + ": cannot load the font";
        FT_Done_FreeType(library);
        return false;
    }
    FT_Set_Pixel_Sizes(face, 0, EM_PIXELS);
    FT_Matrix stretch{static_cast<FT_Fixed>(STRETCH * 65536.0f), 0, 0, 0x10000};
    FT_Set_Transform(face, &stretch, nullptr);

    const int W = CELL * COLUMNS, H = CELL * ROWS;
    std::vector<float> lum(static_cast<size_t>(W) * H, 0.0f), cover(static_cast<size_t>(W) * H, 0.0f);
    // The baseline sits so that the tallest ASCII ink ("|", brackets: 0.76 em above the
    // baseline, 0.24 em below) is centred in the cell.
    const float ink = 0.76f * EM_PIXELS + 0.24f * EM_PIXELS;
    const int baseline = static_cast<int>(std::lround((CELL - ink) / 2 + 0.76f * EM_PIXELS));
    for (int code = 33; code < 127; ++code) {
        if (FT_Load_Char(face, static_cast<FT_ULong>(code), FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL)) continue;
        FT_GlyphSlot g = face->glyph;
        const FT_Bitmap &bm = g->bitmap;
        float advance = static_cast<float>(g->advance.x) / 64.0f;
        // Centre the letter's advance box on 0.4 cell, the middle of the game's 0.8 advance.
        int pen_x = static_cast<int>(std::lround(0.4f * CELL - advance / 2));
        int cell_x = (code % COLUMNS) * CELL, cell_y = (code / COLUMNS) * CELL;
        for (unsigned row = 0; row < bm.rows; ++row)
            for (unsigned col = 0; col < bm.width; ++col) {
                int x = pen_x + g->bitmap_left + static_cast<int>(col);
                int y = baseline - g->bitmap_top + static_cast<int>(row);
                // Keep a clear margin so neighbouring cells never bleed into each other.
                if (x < 4 || x >= CELL - 4 || y < 3 || y >= CELL - 3) continue;
                float v = static_cast<float>(bm.buffer[row * static_cast<unsigned>(bm.pitch) + col]) / 255.0f;
                lum[static_cast<size_t>(cell_y + y) * W + cell_x + x] = v;
            }
    }
    FT_Done_Face(face);
    FT_Done_FreeType(library);

    // Coverage: the largest luminance within the rim, falling off smoothly over its last texel.
    const int reach = static_cast<int>(std::ceil(RIM)) + 1;
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            float best = 0;
            int cell_x0 = x / CELL * CELL, cell_y0 = y / CELL * CELL;
            for (int dy = -reach; dy <= reach; ++dy)
                for (int dx = -reach; dx <= reach; ++dx) {
                    int sx = x + dx, sy = y + dy;
                    if (sx < cell_x0 || sx >= cell_x0 + CELL || sy < cell_y0 || sy >= cell_y0 + CELL)
                        continue;
                    float d = std::sqrt(static_cast<float>(dx * dx + dy * dy));
                    float w = clamp01(RIM + 0.5f - d);
                    best = std::max(best, lum[static_cast<size_t>(sy) * W + sx] * w);
                }
            size_t i = static_cast<size_t>(y) * W + x;
            cover[i] = std::max(best * 0.92f, lum[i]);
        }
    out.push_back({"texture_font.bmp", bitmap_bytes_la(W, H, lum, cover)});
    return true;
}

} // namespace gen
