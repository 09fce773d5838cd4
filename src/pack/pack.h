// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Resource pack: the run-length-encoded file of named records that holds every texture,
// mesh, material and sound. Decoded whole at start-up into a list (newest record first);
// afterwards resources are looked up by exact name. Also the encoder used by the tools.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

struct game_record;

struct pack_entry {
    uint32_t size;
    char name[512];
    uint8_t *data; // exactly size bytes, no terminator added
    pack_entry *next;
};

constexpr int PACK_HEADER_SIZE = 516;

// Decodes the whole file. Returns null when the file holds no complete record or cannot be
// opened; open_error, when given, receives errno of a failed open (0 otherwise).
pack_entry *load_pack(const char *path, int *open_error = nullptr);
// The same decoder over bytes in memory (tools, tests, fuzzing).
pack_entry *decode_pack(std::span<const uint8_t> encoded);
pack_entry *find_resource(pack_entry *head, const char *name);
const uint8_t *resource_data(game_record *game, const char *name);
// Releases a list (the game keeps its pack for the whole run; tools and tests free theirs).
void free_pack(pack_entry *head);
int count_pack_entries(const pack_entry *head);
// A record name as it may go into a message: a damaged pack can hold any bytes in a name, so
// control and non-ASCII bytes are written as \xNN, and a long name is cut after 64 bytes.
std::string printable_name(const char *name);

// The 30 resources that a complete pack holds.
constexpr int GAME_RESOURCE_COUNT = 30;
extern const char *const game_resource_names[GAME_RESOURCE_COUNT];
// Reports each resource of the game that the pack lacks, one line each; returns how many.
int report_missing_resources(const pack_entry *head, const char *source);

// --- encoder ---
// Appends one decoded record (header and data) to a plain stream.
void append_pack_record(std::vector<uint8_t> &plain, const std::string &name, std::span<const uint8_t> data);
// Run-length encodes a plain stream: run packets where a run pays, literal packets elsewhere.
std::vector<uint8_t> encode_pack_stream(std::span<const uint8_t> plain);
// Writes an encoded pack atomically; false (with errno set) on failure.
bool write_pack_file(const char *path, std::span<const uint8_t> encoded);
