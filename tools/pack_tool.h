// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The pack tool's routines: packing a directory of resource files, listing, extracting and
// verifying a pack. Shared by the hollowmere-pack command and the resource generator, so the
// generated pack is written by exactly the code a user's `build` runs.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

struct pack_entry;

enum class resource_kind { texture, mesh, material, sound, other };

// Kind by name prefix ("texture_", "object_", "material_", "audio_").
resource_kind kind_of(const std::string &name);
const char *kind_label(resource_kind kind);
// File extension used for a kind on disk: ".bmp", ".obj", ".txt", ".wav" or ".bin".
const char *kind_extension(resource_kind kind);
// Mesh and material records are text that the game reads up to a terminating NUL.
bool is_text_kind(resource_kind kind);

// The 30 names that a complete pack holds.

struct pack_record {
    std::string name;
    std::vector<uint8_t> data;
};

// Every regular file of dir (hidden ones aside) as a record named after the file without its
// extension, in file name order, with its bytes as they are; text files get their terminating
// NUL. False with a one-line reason on error. build converts them instead (convert_dir_records).
bool collect_dir_records(const std::string &dir, std::vector<pack_record> *records, std::string *error);
std::vector<uint8_t> encode_records(const std::vector<pack_record> &records);
// The records build packs: each file of dir converted to the form the game reads (see
// pack_convert.h). A line per converted file goes to notes; files that cannot become a
// resource are all named in error, one line each, and false is returned.
bool convert_dir_records(const std::string &dir, std::vector<pack_record> *records,
                         std::vector<std::string> *notes, std::string *error);
// Writes the pack of dir's converted records; nothing is written when any file is refused.
bool build_pack(const std::string &out_path, const std::string &dir, std::string *error,
                std::vector<std::string> *notes = nullptr);

// Reads and decodes a pack file with the game's decoder. A damaged stream (a record cut
// short, a packet cut short) is an error; records before the damage are still returned.
bool read_pack(const std::string &path, std::vector<pack_record> *records, std::string *error);

// One line per record: name, size, kind and, for textures, width x height.
void list_records(const std::vector<pack_record> &records, FILE *out);
// Writes every record as a file that ordinary tools open; text records lose their NUL.
bool extract_records(const std::vector<pack_record> &records, const std::string &dir, std::string *error);

// Problem lines, empty when the pack would load and draw in the game.
std::vector<std::string> verify_records(const std::vector<pack_record> &records);
// The per-format checks behind verify (each returns problem lines, prefixed with the name).
std::vector<std::string> check_texture(const std::string &name, const std::vector<uint8_t> &data);
std::vector<std::string> check_mesh(const std::string &name, const std::vector<uint8_t> &data);
std::vector<std::string> check_material(const std::string &name, const std::vector<uint8_t> &data);
std::vector<std::string> check_sound(const std::string &name, const std::vector<uint8_t> &data);

// Width and height from a bitmap header; false when the header is not there.
bool bitmap_size(const std::vector<uint8_t> &data, int32_t *width, int32_t *height);

// The command line of hollowmere-pack; returns the exit status.
int pack_tool_main(int argc, char **argv);
