// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Textures: 24-bit bitmap resources converted by channel count, uploaded with mipmaps, kept
// in a registry keyed by name and channel count, and re-created after a mode switch.
// A resource whose header does not match its bytes is refused with one message and never
// read past its end; the refusal is remembered so that a lazy caller does not repeat it.

#include "render/render.h"

#include "core/core.h"
#include "pack/pack.h"

#include <GL/glu.h>
#include <cstdio>
#include <cstring>
#include <set>
#include <utility>

texture *texture_registry = nullptr;

namespace {

uint32_t read_u32(const uint8_t *p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

GLenum format_for(int channels) {
    switch (channels) {
    case 1:
        return GL_LUMINANCE;
    case 2:
        return GL_LUMINANCE_ALPHA;
    case 3:
        return GL_RGB;
    default:
        return GL_RGBA;
    }
}

// Rows are packed without padding, so the upload must not assume 4-byte row alignment. The
// bitmap's order is named by its extension name, which Windows' GL 1.1 header knows as well.
void upload(texture *t) {
    glBindTexture(GL_TEXTURE_2D, t->gl_name);
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    if (t->texels)
        gluBuild2DMipmaps(GL_TEXTURE_2D, 3, t->width, t->height, GL_BGR_EXT, GL_UNSIGNED_BYTE, t->texels);
    else
        gluBuild2DMipmaps(GL_TEXTURE_2D, t->channels, t->width, t->height, format_for(t->channels),
                          GL_UNSIGNED_BYTE, t->pixels.data());
    glPopClientAttrib();
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, static_cast<GLint>(t->wrap_s));
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, static_cast<GLint>(t->wrap_t));
}

} // namespace

const uint8_t *bitmap_texels(const std::string &name, const uint8_t *data, size_t size, int channels,
                             int32_t *width, int32_t *height) {
    // Header size, width, height, planes and bit count: the bit count sits at offset 28.
    if (!data || size < 30) {
        fprintf(stderr, "%s: too short for a bitmap header (%zu bytes)\n", name.c_str(), size);
        return nullptr;
    }
    if (channels < 1 || channels > 4) {
        fprintf(stderr, "%s: cannot convert to %d channels\n", name.c_str(), channels);
        return nullptr;
    }
    uint32_t header_size = read_u32(data + 14);
    auto w = static_cast<int32_t>(read_u32(data + 18));
    auto h = static_cast<int32_t>(read_u32(data + 22));
    unsigned bits = static_cast<unsigned>(data[28]) | static_cast<unsigned>(data[29]) << 8;
    if (header_size < 16) {
        fprintf(stderr, "%s: information header of %u bytes is too short\n", name.c_str(), header_size);
        return nullptr;
    }
    if (bits != 24) {
        fprintf(stderr, "%s: %u bits per pixel, only 24 are supported\n", name.c_str(), bits);
        return nullptr;
    }
    if (w <= 0 || h <= 0) {
        fprintf(stderr, "%s: bad size %d x %d\n", name.c_str(), w, h);
        return nullptr;
    }
    uint64_t count = static_cast<uint64_t>(w) * static_cast<uint64_t>(h);
    uint64_t start = 14 + static_cast<uint64_t>(header_size);
    if (start > size || (size - start) / 3 < count) {
        fprintf(stderr, "%s: too short for %d x %d pixels (%zu bytes)\n", name.c_str(), w, h, size);
        return nullptr;
    }

    *width = w;
    *height = h;
    return data + start;
}

bool convert_texture(const std::string &name, const uint8_t *data, size_t size, int channels, int32_t *width,
                     int32_t *height, std::vector<uint8_t> *pixels) {
    const uint8_t *src = bitmap_texels(name, data, size, channels, width, height);
    if (!src) return false;
    uint64_t count = static_cast<uint64_t>(*width) * static_cast<uint64_t>(*height);
    pixels->resize(static_cast<size_t>(count) * static_cast<size_t>(channels));
    uint8_t *out = pixels->data();
    for (uint64_t i = 0; i < count; ++i, src += 3) {
        uint8_t b0 = src[0], b1 = src[1], b2 = src[2];
        switch (channels) {
        case 1:
            *out++ = b0;
            break;
        case 2:
            *out++ = b0;
            *out++ = b1;
            break;
        case 3:
            *out++ = b2;
            *out++ = b1;
            *out++ = b0;
            break;
        default:
            *out++ = b2;
            *out++ = b1;
            *out++ = b0;
            *out++ = static_cast<uint8_t>((b0 + b1 + b2) / 3);
            break;
        }
    }
    return true;
}

texture *load_texture(game_record *g, const char *name, int channels, GLenum wrap) {
    if (!name) return nullptr;
    for (texture *t = texture_registry; t; t = t->next)
        if (t->channels == channels && t->name == name) return t;

    // Refused resources stay refused: one message, not one per frame from a lazy caller.
    static std::set<std::pair<std::string, int>> refused;
    if (refused.count({name, channels})) return nullptr;

    // The lookup comes before any GL call so that a headless run with an empty pack is safe.
    pack_entry *e = g ? find_resource(g->pack, name) : nullptr;
    if (!e) return nullptr;
    glEnable(GL_TEXTURE_2D);

    auto *t = new texture{};
    t->name = name;
    t->channels = channels;
    t->wrap_s = wrap;
    t->wrap_t = wrap;
    // Colour textures are the bitmap's own bytes in the order GL takes them, so they are read
    // from the pack where they lie; the others are converted into texels of their own.
    bool ok =
        channels == 3
            ? (t->texels = bitmap_texels(t->name, e->data, e->size, 3, &t->width, &t->height)) != nullptr
            : convert_texture(t->name, e->data, e->size, channels, &t->width, &t->height, &t->pixels);
    if (!ok) {
        refused.insert({name, channels});
        delete t;
        return nullptr;
    }
    glGenTextures(1, &t->gl_name);
    upload(t);
    t->next = texture_registry;
    texture_registry = t;
    return t;
}

void reload_textures() {
    for (texture *t = texture_registry; t; t = t->next)
        glDeleteTextures(1, &t->gl_name);
    for (texture *t = texture_registry; t; t = t->next) {
        glGenTextures(1, &t->gl_name);
        upload(t);
    }
}
