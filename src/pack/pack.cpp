// The resource pack: a streaming run-length decoder over the file (packets of at most 127
// bytes, carried over from one read to the next), the record list built from it, lookup by
// exact name, and the encoder that the tools use. A damaged size field cannot make the
// loader allocate more than the stream actually delivers: data blocks grow as bytes arrive.

#include "pack/pack.h"

#include "core/core.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

// The decoder's state: the byte source and the current packet's decoded bytes.
struct pack_reader {
    FILE *file = nullptr;
    uint8_t packet[127];
    int count = 0;
    int position = 0;
};

// Delivers up to n decoded bytes; fewer means that the stream ended.
size_t pack_read(pack_reader &r, uint8_t *dest, size_t n) {
    size_t delivered = 0;
    while (delivered < n) {
        if (r.position < r.count) {
            size_t take = std::min<size_t>(n - delivered, static_cast<size_t>(r.count - r.position));
            memcpy(dest + delivered, r.packet + r.position, take);
            r.position += static_cast<int>(take);
            delivered += take;
            continue;
        }
        int control = fgetc(r.file);
        if (control == EOF) break;
        r.position = 0;
        if (control & 0x80) {
            int value = fgetc(r.file);
            if (value == EOF) {
                r.count = 0;
                break;
            }
            r.count = control & 0x7f;
            memset(r.packet, value, static_cast<size_t>(r.count));
        } else {
            r.count = static_cast<int>(fread(r.packet, 1, static_cast<size_t>(control), r.file));
        }
    }
    return delivered;
}

// Reads `size` data bytes, growing the block as they arrive; false when the stream ends early.
bool read_record_data(pack_reader &r, uint32_t size, uint8_t **out) {
    size_t capacity = std::min<size_t>(size, 1 << 16);
    auto *data = static_cast<uint8_t *>(malloc(capacity ? capacity : 1));
    size_t have = 0;
    while (data && have < size) {
        if (have == capacity) {
            size_t next = std::min<size_t>(static_cast<size_t>(size), capacity * 2);
            auto *grown = static_cast<uint8_t *>(realloc(data, next));
            if (!grown) break;
            data = grown;
            capacity = next;
        }
        size_t got = pack_read(r, data + have, capacity - have);
        have += got;
        if (got == 0) break;
    }
    if (!data || have < size) {
        free(data);
        return false;
    }
    *out = data;
    return true;
}

pack_entry *decode_stream(pack_reader &r, const char *source) {
    pack_entry *head = nullptr;
    for (;;) {
        uint8_t header[PACK_HEADER_SIZE];
        size_t got = pack_read(r, header, sizeof header);
        if (got == 0) break;
        if (got < sizeof header) {
            fprintf(stderr, "%s: last record cut short in its header, dropped\n", source);
            break;
        }
        auto *entry = static_cast<pack_entry *>(malloc(sizeof(pack_entry)));
        if (!entry) break;
        memcpy(&entry->size, header, 4);
        memcpy(entry->name, header + 4, sizeof entry->name);
        entry->name[sizeof entry->name - 1] = 0;
        entry->data = nullptr;
        if (!read_record_data(r, entry->size, &entry->data)) {
            fprintf(stderr, "%s: record %s cut short (%u bytes stated), dropped\n", source, entry->name,
                    entry->size);
            free(entry);
            break;
        }
        // Only records that are kept are reported loaded.
        printf("loaded %s : %d bytes\n", entry->name, static_cast<int>(entry->size));
        entry->next = head;
        head = entry;
    }
    fflush(stdout);
    return head;
}

} // namespace

pack_entry *load_pack(const char *path, int *open_error) {
    if (open_error) *open_error = 0;
    pack_reader r;
    r.file = fopen(path, "rb");
    if (!r.file) {
        if (open_error) *open_error = errno;
        return nullptr;
    }
    pack_entry *head = decode_stream(r, path);
    fclose(r.file);
    return head;
}

pack_entry *decode_pack(std::span<const uint8_t> encoded) {
    if (encoded.empty()) return nullptr;
    pack_reader r;
    r.file = fmemopen(const_cast<uint8_t *>(encoded.data()), encoded.size(), "rb");
    if (!r.file) return nullptr;
    pack_entry *head = decode_stream(r, "pack");
    fclose(r.file);
    return head;
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
    FILE *f = fopen(temp.c_str(), "wb");
    if (!f) return false;
    bool ok = fwrite(encoded.data(), 1, encoded.size(), f) == encoded.size();
    ok = (fclose(f) == 0) && ok;
    if (ok && rename(temp.c_str(), path) != 0) ok = false;
    if (!ok) {
        int error = errno;
        remove(temp.c_str());
        errno = error;
    }
    return ok;
}
