// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Key symbols and names, and the WAV reader, converter and mixer, for the browser's SDL. The
// browser's SDL numbers a key as its character where it has one and otherwise as 1024 plus its
// USB scan code; SDL 1.2 numbers the same keys 256 and up. One table serves both directions.

#include "platform/web/sdl_layer.h"

#include "core/pad.h"

#include <algorithm>
#include <cstring>

namespace {

struct key_row {
    int sdl12;
    int web;
    const char *name;
};

constexpr int scan(int code) {
    return 1024 | code;
}

// Every key SDL 1.2 names that is not a plain character (characters are their own symbol in
// both and their own name). A web number of 0: the browser never reports that key.
constexpr key_row key_rows[] = {
    {8, 8, "backspace"},
    {9, 9, "tab"},
    {12, 12, "clear"},
    {13, 13, "return"},
    {19, 19, "pause"},
    {27, 27, "escape"},
    {32, 32, "space"},
    {127, 127, "delete"},
    {256, scan(98), "[0]"},
    {257, scan(89), "[1]"},
    {258, scan(90), "[2]"},
    {259, scan(91), "[3]"},
    {260, scan(92), "[4]"},
    {261, scan(93), "[5]"},
    {262, scan(94), "[6]"},
    {263, scan(95), "[7]"},
    {264, scan(96), "[8]"},
    {265, scan(97), "[9]"},
    {266, scan(99), "[.]"},
    {267, scan(84), "[/]"},
    {268, scan(85), "[*]"},
    {269, scan(86), "[-]"},
    {270, scan(87), "[+]"},
    {271, scan(88), "enter"},
    {272, scan(103), "equals"},
    {273, scan(82), "up"},
    {274, scan(81), "down"},
    {275, scan(79), "right"},
    {276, scan(80), "left"},
    {277, scan(73), "insert"},
    {278, scan(74), "home"},
    {279, scan(77), "end"},
    {280, scan(75), "page up"},
    {281, scan(78), "page down"},
    {282, scan(58), "f1"},
    {283, scan(59), "f2"},
    {284, scan(60), "f3"},
    {285, scan(61), "f4"},
    {286, scan(62), "f5"},
    {287, scan(63), "f6"},
    {288, scan(64), "f7"},
    {289, scan(65), "f8"},
    {290, scan(66), "f9"},
    {291, scan(67), "f10"},
    {292, scan(68), "f11"},
    {293, scan(69), "f12"},
    {294, scan(104), "f13"},
    {295, scan(105), "f14"},
    {296, scan(106), "f15"},
    {300, scan(83), "numlock"},
    {301, scan(57), "caps lock"},
    {302, scan(71), "scroll lock"},
    {303, scan(229), "right shift"},
    {304, scan(225), "left shift"},
    {305, scan(228), "right ctrl"},
    {306, scan(224), "left ctrl"},
    {307, scan(230), "right alt"},
    {308, scan(226), "left alt"},
    {309, 0, "right meta"},
    {310, 0, "left meta"},
    {311, scan(227), "left super"},
    {312, scan(231), "right super"},
    {313, 0, "alt gr"},
    {314, 0, "compose"},
    {315, 0, "help"},
    {316, 316, "print screen"},
    {317, 0, "sys req"},
    {318, 0, "break"},
    {319, scan(101), "menu"},
    {320, 0, "power"},
    {321, 0, "euro"},
    {322, 0, "undo"},
};

// Keys the browser reports under its own keyboard code where SDL 1.2 has the character.
constexpr key_row browser_codes[] = {{59, 186, ";"}, {61, 187, "="}, {45, 189, "-"}};

// The characters SDL 1.2 has a symbol for: printable ASCII less the capitals and a few signs.
bool sdl12_character(int c) {
    if (c >= 'a' && c <= 'z') return true;
    if (c >= 33 && c <= 64) return c != 37; // SDL 1.2 has no '%'
    return c >= 91 && c <= 96;
}

} // namespace

int sdl12_key_from_web(int web_sym) {
    if (sdl12_character(web_sym)) return web_sym;
    for (const key_row &k : key_rows)
        if (k.web == web_sym && web_sym != 0) return k.sdl12;
    for (const key_row &k : browser_codes)
        if (k.web == web_sym) return k.sdl12;
    return 0;
}

int web_key_from_sdl12(int sym) {
    if (sdl12_character(sym)) return sym;
    for (const key_row &k : key_rows)
        if (k.sdl12 == sym) return k.web;
    return 0;
}

int sdl12_pad_button_from_standard(int button) {
    // The standard mapping's numbers: A, B, X, Y, back, start, then the d-pad up, down, left,
    // right.
    const pad_layout &l = PAD_LAYOUT;
    const int map[][2] = {{0, l.button_a},    {1, l.button_b},     {2, l.button_x}, {3, l.button_y},
                          {8, l.button_back}, {9, l.button_start}, {12, l.dpad_up}, {13, l.dpad_down},
                          {14, l.dpad_left},  {15, l.dpad_right}};
    for (const auto &m : map)
        if (m[0] == button) return m[1];
    return 100 + button;
}

const char *sdl12_key_name(int sym) {
    static char characters[128][2];
    if (sdl12_character(sym)) {
        characters[sym][0] = static_cast<char>(sym);
        return characters[sym];
    }
    for (const key_row &k : key_rows)
        if (k.sdl12 == sym) return k.name;
    return "unknown key";
}

// --- WAV ----------------------------------------------------------------------------------------

static uint32_t le32(const uint8_t *p) {
    return p[0] | p[1] << 8 | p[2] << 16 | static_cast<uint32_t>(p[3]) << 24;
}

static uint16_t le16(const uint8_t *p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

bool read_wav(const uint8_t *bytes, size_t size, wav_sound *out, std::string *error) {
    *out = {};
    if (!bytes || size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0) {
        *error = "not a RIFF WAVE image";
        return false;
    }
    bool have_format = false;
    size_t at = 12;
    while (size - at >= 8) {
        const uint8_t *chunk = bytes + at;
        uint32_t length = le32(chunk + 4);
        size_t room = size - at - 8;
        if (std::memcmp(chunk, "fmt ", 4) == 0) {
            if (length < 16 || length > room) {
                *error = "format chunk cut short";
                return false;
            }
            uint16_t tag = le16(chunk + 8), channels = le16(chunk + 10), bits = le16(chunk + 22);
            uint32_t freq = le32(chunk + 12);
            if (tag != 1) {
                *error = "compressed samples (format " + std::to_string(tag) + ") are not read";
                return false;
            }
            if (channels < 1 || channels > 2 || (bits != 8 && bits != 16) || freq < 1000 || freq > 192000) {
                *error = "unsupported layout: " + std::to_string(channels) + " channels of " +
                         std::to_string(bits) + " bits at " + std::to_string(freq) + " Hz";
                return false;
            }
            out->channels = channels;
            out->freq = static_cast<int>(freq);
            out->format = bits == 8 ? WAV_U8 : WAV_S16LSB;
            have_format = true;
        } else if (std::memcmp(chunk, "data", 4) == 0) {
            if (!have_format) {
                *error = "samples before their format";
                return false;
            }
            size_t take = std::min<size_t>(length, room); // a short last chunk keeps what is there
            size_t frame = static_cast<size_t>(out->channels) * (out->format == WAV_U8 ? 1 : 2);
            take -= take % frame;
            out->data.assign(chunk + 8, chunk + 8 + take);
            return true;
        }
        if (length > room) break;
        at += 8 + static_cast<size_t>(length) + (length & 1);
    }
    *error = have_format ? "no samples" : "no format chunk";
    return false;
}

// --- Conversion and mixing ----------------------------------------------------------------------

static int bytes_of(uint16_t format) {
    return (format & 0xff) / 8;
}

static bool known(uint16_t format) {
    return format == WAV_U8 || format == WAV_S8 || format == WAV_S16LSB || format == WAV_S16MSB ||
           format == WAV_U16LSB;
}

// One sample as signed 16 bits.
static int read_sample(const uint8_t *p, uint16_t format) {
    switch (format) {
    case WAV_U8:
        return (p[0] - 128) * 256;
    case WAV_S8:
        return static_cast<int8_t>(p[0]) * 256;
    case WAV_S16LSB:
        return static_cast<int16_t>(le16(p));
    case WAV_S16MSB:
        return static_cast<int16_t>(p[0] << 8 | p[1]);
    default: // WAV_U16LSB
        return le16(p) - 32768;
    }
}

static void write_sample(uint8_t *p, uint16_t format, int v) {
    switch (format) {
    case WAV_U8:
        p[0] = static_cast<uint8_t>((v >> 8) + 128);
        break;
    case WAV_S8:
        p[0] = static_cast<uint8_t>(v >> 8);
        break;
    case WAV_S16LSB:
        p[0] = static_cast<uint8_t>(v), p[1] = static_cast<uint8_t>(v >> 8);
        break;
    case WAV_S16MSB:
        p[0] = static_cast<uint8_t>(v >> 8), p[1] = static_cast<uint8_t>(v);
        break;
    default:
        v += 32768;
        p[0] = static_cast<uint8_t>(v), p[1] = static_cast<uint8_t>(v >> 8);
        break;
    }
}

size_t converted_frames(size_t frames, int from_freq, int to_freq) {
    if (from_freq <= 0 || to_freq <= 0) return 0;
    return static_cast<size_t>(static_cast<unsigned long long>(frames) * static_cast<unsigned>(to_freq) /
                               static_cast<unsigned>(from_freq));
}

bool convert_samples(const uint8_t *from, size_t length, uint16_t from_format, int from_channels,
                     int from_freq, uint16_t to_format, int to_channels, int to_freq,
                     std::vector<uint8_t> *out, std::string *error) {
    out->clear();
    if (!known(from_format) || !known(to_format)) {
        *error = "unknown sample format";
        return false;
    }
    if (from_channels < 1 || from_channels > 2 || to_channels < 1 || to_channels > 2) {
        *error = "only one or two channels are converted";
        return false;
    }
    if (from_freq < 1000 || to_freq < 1000 || from_freq > 192000 || to_freq > 192000) {
        *error = "sample rate out of range";
        return false;
    }
    size_t in_frame = static_cast<size_t>(from_channels) * bytes_of(from_format);
    size_t out_frame = static_cast<size_t>(to_channels) * bytes_of(to_format);
    size_t frames = from ? length / in_frame : 0;
    size_t count = converted_frames(frames, from_freq, to_freq);
    out->resize(count * out_frame);
    for (size_t i = 0; i < count; ++i) {
        size_t src = static_cast<size_t>(static_cast<unsigned long long>(i) *
                                         static_cast<unsigned>(from_freq) / static_cast<unsigned>(to_freq));
        const uint8_t *p = from + src * in_frame;
        int left = read_sample(p, from_format);
        int right = from_channels == 2 ? read_sample(p + bytes_of(from_format), from_format) : left;
        uint8_t *q = out->data() + i * out_frame;
        if (to_channels == 1) {
            write_sample(q, to_format, (left + right) / 2);
        } else {
            write_sample(q, to_format, left);
            write_sample(q + bytes_of(to_format), to_format, right);
        }
    }
    return true;
}

void mix_samples(uint8_t *dst, const uint8_t *src, uint32_t length, uint16_t format, int level) {
    if (!dst || !src || level <= 0 || !known(format)) return;
    level = std::min(level, 128);
    int size = bytes_of(format);
    int low = format == WAV_U8 || format == WAV_S8 ? -128 * 256 : -32768;
    int high = format == WAV_U8 || format == WAV_S8 ? 127 * 256 : 32767;
    for (uint32_t i = 0; i + size <= length; i += size) {
        int v = read_sample(dst + i, format) + read_sample(src + i, format) * level / 128;
        write_sample(dst + i, format, std::clamp(v, low, high));
    }
}
