// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Turning the files that ordinary tools make into the exact forms the game reads: pictures
// (PNG through libpng, BMP of any common layout) into 24-bit bottom-up bitmaps with a width the
// game's row reader takes, sounds (anything libsndfile or SDL reads) into 16-bit mono WAV at the
// pack's rate, OBJ meshes into the "v/t/n" subset, Wavefront MTL into the game's material text.
// A file already in the game's form is kept byte for byte.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// The rate of every sound in the pack: the rate the mixer opens the device at and the generator writes.
constexpr int pack_sound_rate = 16000;

// The channel count the game asks for when it loads the texture of this name: 3 (colour, read as
// blue, green, red), 2 (luminance from blue, coverage from green) or 1 (luminance from blue).
// A texture read both ways counts as 2, which keeps the blue byte right for both.
int texture_channels(const std::string &name);

struct converted_file {
    bool ok = false;           // false: refused, the reason is in note
    bool changed = false;      // false: the bytes were already the game's and are kept as they are
    std::string note;          // what was done ("PNG 250x250 RGBA -> 24-bit BMP 252x250") or why not
    std::vector<uint8_t> data; // the record's bytes; text records end with their NUL
};

// Each takes the resource name and the file's bytes; text inputs come without a NUL.
converted_file convert_texture_file(const std::string &name, const std::vector<uint8_t> &bytes);
converted_file convert_sound_file(const std::string &name, const std::vector<uint8_t> &bytes);
converted_file convert_mesh_file(const std::string &name, const std::vector<uint8_t> &bytes);
// Wavefront MTL (the first newmtl's Ka, Kd, Ks and Ke) to the game's material text.
converted_file convert_mtl_file(const std::string &name, const std::vector<uint8_t> &bytes);

// The record for a file of a resource directory, chosen by the resource kind of its stem and,
// for materials, by its extension (.mtl is Wavefront, anything else is the game's own text).
// Every converted record has passed the same checks as verify.
converted_file convert_resource_file(const std::string &file_name, const std::vector<uint8_t> &bytes);

// The 54-byte file and information header of the game's 24-bit bottom-up bitmap.
std::vector<uint8_t> game_bitmap_header(int width, int height);
