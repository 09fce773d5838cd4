// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The resource pack: a run-length decoder over the whole file read into memory (packets of
// at most 127 bytes, carried over from one record to the next), the record list built from
// it, lookup by exact name, and the encoder that the tools use. The decoded length of the
// stream is known before any record is read, so a damaged size field cannot make the loader
// allocate more than the stream actually delivers, and every block is allocated once.

#include "pack/pack.h"

#include "core/core.h"
#include "platform/platform.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

// The decoder's state: the encoded bytes, and what is left of the current packet (a run of
// one value, or literal bytes that follow in the stream).
struct pack_reader {
    const uint8_t *bytes = nullptr;
    size_t size = 0;
    size_t at = 0;
    size_t left = 0;
    bool run = false;
    uint8_t value = 0;
};

// Delivers up to n decoded bytes; fewer means that the stream ended. A run packet without its
// value byte ends the stream, a literal packet cut short delivers the bytes that are there.
size_t pack_read(pack_reader &r, uint8_t *dest, size_t n) {
    // The state is worked on in locals: the destination's bytes could alias the reader's fields,
    // which would make the compiler reload them after every copy.
    const uint8_t *bytes = r.bytes;
    const size_t size = r.size;
    size_t at = r.at, left = r.left;
    bool run = r.run;
    uint8_t value = r.value;
    size_t delivered = 0;
    while (delivered < n) {
        if (left > 0) {
            size_t take = std::min(n - delivered, left);
            if (run) {
                memset(dest + delivered, value, take);
            } else {
                memcpy(dest + delivered, bytes + at, take);
                at += take;
            }
            left -= take;
            delivered += take;
            continue;
        }
        // A whole packet with room to spare on both sides moves as one fixed block of 128 bytes,
        // which compiles to a few vector moves instead of a call; what lies past the packet's end
        // is overwritten by the packets after it.
        if (n - delivered >= 128 && size - at > 128) {
            uint8_t control = bytes[at];
            if (control & 0x80) {
                memset(dest + delivered, bytes[at + 1], 128);
                at += 2;
            } else {
                memcpy(dest + delivered, bytes + at + 1, 128);
                at += 1 + control;
            }
            delivered += control & 0x7f;
            continue;
        }
        if (at >= size) break;
        uint8_t control = bytes[at++];
        if (control & 0x80) {
            if (at >= size) break;
            run = true;
            value = bytes[at++];
            left = control & 0x7f;
        } else {
            run = false;
            left = std::min<size_t>(control, size - at);
        }
    }
    r.at = at;
    r.left = left;
    r.run = run;
    r.value = value;
    return delivered;
}

} // namespace

std::string printable_name(const char *name) {
    std::string out;
    size_t n = 0;
    for (; name[n] && n < 64; ++n) {
        auto c = static_cast<unsigned char>(name[n]);
        if (c >= 0x20 && c < 0x7f) {
            out += static_cast<char>(c);
        } else {
            char hex[5];
            snprintf(hex, sizeof hex, "\\x%02x", c);
            out += hex;
        }
    }
    if (name[n]) out += "...";
    return out;
}

namespace {

// How many bytes the whole stream decodes to, by the same rules as pack_read.
size_t decoded_size(const uint8_t *bytes, size_t size) {
    size_t total = 0;
    size_t at = 0;
    while (at < size) {
        uint8_t control = bytes[at++];
        if (control & 0x80) {
            if (at >= size) break;
            ++at;
            total += control & 0x7f;
        } else {
            size_t n = std::min<size_t>(control, size - at);
            at += n;
            total += n;
        }
    }
    return total;
}

pack_entry *decode_stream(pack_reader &r, const char *source) {
    pack_entry *head = nullptr;
    size_t remaining = decoded_size(r.bytes, r.size);
    for (;;) {
        uint8_t header[PACK_HEADER_SIZE];
        size_t got = pack_read(r, header, sizeof header);
        remaining -= got;
        if (got == 0) break;
        if (got < sizeof header) {
            fprintf(stderr, "%s: last record cut short in its header, dropped\n", source);
            break;
        }
        uint32_t size;
        memcpy(&size, header, 4);
        if (size > remaining) {
            header[PACK_HEADER_SIZE - 1] = 0;
            fprintf(stderr, "%s: record %s cut short (%u bytes stated), dropped\n", source,
                    printable_name(reinterpret_cast<const char *>(header + 4)).c_str(), size);
            break;
        }
        auto *entry = static_cast<pack_entry *>(malloc(sizeof(pack_entry)));
        auto *data = static_cast<uint8_t *>(malloc(size ? size : 1));
        if (!entry || !data) {
            free(entry);
            free(data);
            break;
        }
        entry->size = size;
        memcpy(entry->name, header + 4, sizeof entry->name);
        entry->name[sizeof entry->name - 1] = 0;
        entry->data = data;
        remaining -= pack_read(r, data, size);
        // Only records that are kept are reported loaded.
        printf("loaded %s : %d bytes\n", printable_name(entry->name).c_str(), static_cast<int>(entry->size));
        entry->next = head;
        head = entry;
    }
    fflush(stdout);
    return head;
}

} // namespace

pack_entry *load_pack(const char *path, int *open_error) {
    size_t size = 0;
    int error = 0;
    uint8_t *bytes = read_file_bytes(path, &size, &error);
    if (open_error) *open_error = error;
    if (!bytes) return nullptr;
    pack_reader r;
    r.bytes = bytes;
    r.size = size;
    pack_entry *head = decode_stream(r, path);
    free(bytes);
    return head;
}

pack_entry *decode_pack(std::span<const uint8_t> encoded) {
    if (encoded.empty()) return nullptr;
    pack_reader r;
    r.bytes = encoded.data();
    r.size = encoded.size();
    return decode_stream(r, "pack");
}

const char *const game_resource_names[GAME_RESOURCE_COUNT] = {
    "texture_font",      "texture_sky_1",     "texture_ground",
    "texture_barrel",    "texture_tank_1",    "texture_missile_1",
    "texture_puff_1",    "texture_puff_2",    "texture_puff_3",
    "texture_flash_1",   "texture_streaks_1", "texture_streaks_2",
    "texture_streaks_3", "object_tank_1",     "object_barrel",
    "object_missile_1",  "material_tank",     "material_barrel",
    "material_ground",   "audio_thump",       "audio_menu_sound",
    "audio_explosion",   "audio_shot",        "audio_grab",
    "audio_barrel_lift", "audio_barrel_drop", "audio_power_up_create",
    "audio_power_up",    "audio_engine_fast", "audio_engine_slow",
};

int report_missing_resources(const pack_entry *head, const char *source) {
    int missing = 0;
    for (const char *name : game_resource_names) {
        if (!find_resource(const_cast<pack_entry *>(head), name)) {
            fprintf(stderr, "%s: resource %s is missing; the game goes on without it\n", source, name);
            ++missing;
        }
    }
    return missing;
}

pack_entry *find_resource(pack_entry *head, const char *name) {
    for (pack_entry *e = head; e; e = e->next)
        if (strcmp(e->name, name) == 0) return e;
    return nullptr;
}

const uint8_t *resource_data(game_record *g, const char *name) {
    pack_entry *e = find_resource(g->pack, name);
    return e ? e->data : nullptr;
}

void free_pack(pack_entry *head) {
    while (head) {
        pack_entry *next = head->next;
        free(head->data);
        free(head);
        head = next;
    }
}

int count_pack_entries(const pack_entry *head) {
    int n = 0;
    for (; head; head = head->next)
        ++n;
    return n;
}

void append_pack_record(std::vector<uint8_t> &plain, const std::string &name, std::span<const uint8_t> data) {
    uint8_t header[PACK_HEADER_SIZE] = {};
    auto size = static_cast<uint32_t>(data.size());
    memcpy(header, &size, 4);
    memcpy(header + 4, name.c_str(), std::min<size_t>(name.size(), 511));
    plain.insert(plain.end(), header, header + sizeof header);
    plain.insert(plain.end(), data.begin(), data.end());
}

std::vector<uint8_t> encode_pack_stream(std::span<const uint8_t> plain) {
    std::vector<uint8_t> out;
    out.reserve(plain.size() / 2 + 16);
    size_t i = 0;
    size_t literal_start = 0;
    auto flush_literal = [&](size_t end) {
        while (literal_start < end) {
            size_t n = std::min<size_t>(127, end - literal_start);
            out.push_back(static_cast<uint8_t>(n));
            out.insert(out.end(), plain.begin() + literal_start, plain.begin() + literal_start + n);
            literal_start += n;
        }
    };
    while (i < plain.size()) {
        size_t run = 1;
        while (i + run < plain.size() && plain[i + run] == plain[i] && run < 127)
            ++run;
        // A run packet costs two bytes; three equal bytes or more pay for it.
        if (run >= 3) {
            flush_literal(i);
            out.push_back(static_cast<uint8_t>(0x80 | run));
            out.push_back(plain[i]);
            i += run;
            literal_start = i;
        } else {
            i += run;
        }
    }
    flush_literal(plain.size());
    return out;
}

bool write_pack_file(const char *path, std::span<const uint8_t> encoded) {
    std::string temp = std::string(path) + ".new";
    FILE *f = open_file(temp.c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(encoded.data(), 1, encoded.size(), f) == encoded.size();
    ok = (fclose(f) == 0) && ok;
    if (ok && !replace_file(temp.c_str(), path)) ok = false;
    if (!ok) {
        int error = errno;
        remove_file(temp.c_str());
        errno = error;
    }
    return ok;
}
