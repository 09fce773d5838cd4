// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The conversions behind `hollowmere-pack build`. Decoding and resampling are left to Debian's
// libraries (libpng, libsndfile, libsamplerate, SDL's WAV reader); what is written here is the
// layout the game's readers expect, and the BMP variants, which are plain uncompressed rows.
// Every result is run through verify's checks before it is accepted.

#include "tools/pack_convert.h"

#include "tools/pack_tool.h"

#include <SDL/SDL.h>
#include <png.h>
#include <samplerate.h>
#include <sndfile.h>

#include <algorithm>
#include <bit>
#include <climits>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>

namespace {

// Pictures larger than this in either direction are refused before anything is allocated.
constexpr int max_side = 8192;
// Sounds longer than this would not fit the mixer's buffer once it is made stereo.
constexpr double max_seconds = 600.0;
// And no more samples than this are read (ten minutes of 48 kHz stereo, twice over).
constexpr double max_samples = 600.0 * 48000 * 4;

uint32_t le32(const uint8_t *p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}
unsigned le16(const uint8_t *p) {
    return static_cast<unsigned>(p[0]) | static_cast<unsigned>(p[1]) << 8;
}
void put16(std::vector<uint8_t> &v, unsigned x) {
    v.push_back(static_cast<uint8_t>(x));
    v.push_back(static_cast<uint8_t>(x >> 8));
}
void put32(std::vector<uint8_t> &v, uint32_t x) {
    put16(v, x & 0xffff);
    put16(v, x >> 16);
}

converted_file refused(const std::string &why) {
    converted_file c;
    c.note = why;
    return c;
}
converted_file kept(std::vector<uint8_t> data) {
    converted_file c;
    c.ok = true;
    c.data = std::move(data);
    return c;
}
converted_file changed(std::vector<uint8_t> data, const std::string &note) {
    converted_file c;
    c.ok = c.changed = true;
    c.data = std::move(data);
    c.note = note;
    return c;
}

// The check lines name the resource ("name: what"); a refusal names the file instead.
std::string reason_of(const std::string &name, const std::string &problem) {
    return problem.starts_with(name + ": ") ? problem.substr(name.size() + 2) : problem;
}

// ------------------------------------------------------------------------------------ pictures

struct rgba_image {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba; // top row first
    bool alpha = false;        // the picture has an alpha channel that is not opaque everywhere
    std::string what;          // "PNG 250x250 RGBA"
};

void note_alpha(rgba_image *img) {
    bool any = false;
    for (size_t i = 3; i < img->rgba.size() && !any; i += 4)
        any = img->rgba[i] != 255;
    img->alpha = any;
}

bool decode_png(const std::vector<uint8_t> &bytes, rgba_image *img, std::string *why) {
    png_image png;
    memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, bytes.data(), bytes.size())) {
        *why = std::string("PNG not readable: ") + png.message;
        png_image_free(&png);
        return false;
    }
    png_uint_32 f = png.format;
    const char *layout = (f & PNG_FORMAT_FLAG_COLORMAP) ? "palette"
                         : (f & PNG_FORMAT_FLAG_COLOR)  ? ((f & PNG_FORMAT_FLAG_ALPHA) ? "RGBA" : "RGB")
                         : (f & PNG_FORMAT_FLAG_ALPHA)  ? "grey+alpha"
                                                        : "grey";
    img->width = static_cast<int>(std::min<png_uint_32>(png.width, max_side + 1));
    img->height = static_cast<int>(std::min<png_uint_32>(png.height, max_side + 1));
    img->what = "PNG " + std::to_string(png.width) + "x" + std::to_string(png.height) + " " + layout +
                ((f & PNG_FORMAT_FLAG_LINEAR) ? " 16-bit" : "");
    if (png.width > max_side || png.height > max_side) {
        *why = img->what + " is larger than " + std::to_string(max_side) + " pixels across";
        png_image_free(&png);
        return false;
    }
    // Painting programs store 16-bit channels sRGB-encoded, like their 8-bit ones.
    png.flags |= PNG_IMAGE_FLAG_16BIT_sRGB;
    png.format = PNG_FORMAT_RGBA;
    img->rgba.assign(PNG_IMAGE_SIZE(png), 0);
    if (!png_image_finish_read(&png, nullptr, img->rgba.data(), 0, nullptr)) {
        *why = std::string("PNG damaged: ") + png.message;
        png_image_free(&png);
        return false;
    }
    note_alpha(img);
    return true;
}

// One colour component from a masked pixel value, scaled to 0..255.
struct mask_field {
    uint32_t mask = 0;
    int shift = 0;
    uint32_t max = 0;
    explicit mask_field(uint32_t m = 0) : mask(m) {
        if (m) {
            shift = std::countr_zero(m);
            max = m >> shift;
        }
    }
    uint8_t of(uint32_t px, uint8_t absent) const {
        if (!mask) return absent;
        return static_cast<uint8_t>(static_cast<uint64_t>((px & mask) >> shift) * 255u / max);
    }
};

// Uncompressed BMP in every header version (OS/2 12-byte core header, 40, 52, 56, 108 and 124
// bytes), either row order, 1/4/8-bit palettes and 16/24/32-bit pixels with or without bit fields.
bool decode_bmp(const std::vector<uint8_t> &d, rgba_image *img, std::string *why) {
    if (d.size() < 26) {
        *why = "bitmap header cut short (" + std::to_string(d.size()) + " bytes)";
        return false;
    }
    uint32_t offset = le32(&d[10]);
    uint32_t header = le32(&d[14]);
    int64_t w = 0, h = 0;
    unsigned bits = 0;
    uint32_t compression = 0, colours_used = 0;
    size_t palette_entry = 4;
    mask_field r, g, b, a;
    if (header == 12) {
        w = le16(&d[18]);
        h = static_cast<int16_t>(le16(&d[20]));
        bits = le16(&d[24]);
        palette_entry = 3;
    } else if (header == 40 || header == 52 || header == 56 || header == 108 || header == 124) {
        if (d.size() < 14 + header) {
            *why = "bitmap information header of " + std::to_string(header) + " bytes cut short";
            return false;
        }
        w = static_cast<int32_t>(le32(&d[18]));
        h = static_cast<int32_t>(le32(&d[22]));
        bits = le16(&d[28]);
        compression = le32(&d[30]);
        colours_used = le32(&d[46]);
        if (compression == 3 || compression == 6) { // bit fields: in the header from version 2 on
            size_t fields = compression == 6 || header >= 56 ? 4 : 3;
            if (d.size() < 54 + 4 * fields) {
                *why = "bitmap bit fields cut short";
                return false;
            }
            r = mask_field(le32(&d[54]));
            g = mask_field(le32(&d[58]));
            b = mask_field(le32(&d[62]));
            if (fields == 4) a = mask_field(le32(&d[66]));
        }
    } else {
        *why = "bitmap information header of " + std::to_string(header) +
               " bytes (this tool reads 12, 40, 52, 56, 108 and 124)";
        return false;
    }
    bool top_down = h < 0;
    h = std::abs(h);
    img->what = "BMP " + std::to_string(w) + "x" + std::to_string(h) + " " + std::to_string(bits) + "-bit";
    if (header != 40) img->what += " header " + std::to_string(header);
    if (top_down) img->what += " top-down";
    if (compression == 1 || compression == 2) {
        *why = "run-length compressed bitmap (save it uncompressed)";
        return false;
    }
    if (compression == 4 || compression == 5) {
        *why = "bitmap holding a JPEG or PNG stream";
        return false;
    }
    bool fields = compression == 3 || compression == 6;
    if (compression > 6 || (fields && bits != 16 && bits != 32)) {
        *why =
            "bitmap compression " + std::to_string(compression) + " with " + std::to_string(bits) + " bits";
        return false;
    }
    if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) {
        *why = std::to_string(bits) + " bits per pixel";
        return false;
    }
    if (w <= 0 || h <= 0 || w > max_side || h > max_side) {
        *why = "bitmap size " + std::to_string(w) + "x" + std::to_string(h);
        return false;
    }
    std::vector<uint32_t> palette;
    if (bits <= 8) {
        size_t count = colours_used && colours_used <= (1u << bits) ? colours_used : (1u << bits);
        size_t at = 14 + header;
        if (at + count * palette_entry > d.size()) {
            *why = "bitmap palette cut short";
            return false;
        }
        for (size_t i = 0; i < count; ++i, at += palette_entry)
            palette.push_back(d[at] | d[at + 1] << 8 | static_cast<uint32_t>(d[at + 2]) << 16);
    } else if (!fields) {
        if (bits == 16) {
            r = mask_field(0x7c00), g = mask_field(0x03e0), b = mask_field(0x001f);
        } else {
            r = mask_field(0xff0000), g = mask_field(0xff00), b = mask_field(0xff);
            if (bits == 32) a = mask_field(0xff000000); // kept only when it is not all zero, below
        }
    }
    uint64_t stride = (static_cast<uint64_t>(w) * bits + 31) / 32 * 4;
    if (offset < 14 + (header == 12 ? 12 : header) || offset > d.size() ||
        d.size() - offset < stride * static_cast<uint64_t>(h)) {
        *why = img->what + ": pixel rows need " + std::to_string(stride * h) + " bytes from offset " +
               std::to_string(offset) + ", the file has " + std::to_string(d.size());
        return false;
    }
    img->width = static_cast<int>(w);
    img->height = static_cast<int>(h);
    img->rgba.assign(static_cast<size_t>(w * h * 4), 0);
    bool any_alpha = false;
    for (int64_t y = 0; y < h; ++y) {
        const uint8_t *row = &d[offset + stride * static_cast<uint64_t>(top_down ? y : h - 1 - y)];
        uint8_t *out = &img->rgba[static_cast<size_t>(y * w * 4)];
        for (int64_t x = 0; x < w; ++x, out += 4) {
            uint32_t px;
            if (bits <= 8) {
                unsigned index = (row[x * bits / 8] >> (8 - bits - (x * bits) % 8)) & ((1u << bits) - 1);
                px = index < palette.size() ? palette[index] : 0;
                out[0] = static_cast<uint8_t>(px >> 16), out[1] = static_cast<uint8_t>(px >> 8);
                out[2] = static_cast<uint8_t>(px), out[3] = 255;
                continue;
            }
            const uint8_t *p = row + x * (bits / 8);
            px = bits == 16   ? le16(p)
                 : bits == 24 ? (p[0] | p[1] << 8 | static_cast<uint32_t>(p[2]) << 16)
                              : le32(p);
            out[0] = r.of(px, 0), out[1] = g.of(px, 0), out[2] = b.of(px, 0), out[3] = a.of(px, 255);
            any_alpha = any_alpha || out[3] != 0;
        }
    }
    // Plain 32-bit rows often leave the fourth byte zero: then it is padding, not transparency.
    if (a.mask && !any_alpha)
        for (size_t i = 3; i < img->rgba.size(); i += 4)
            img->rgba[i] = 255;
    note_alpha(img);
    return true;
}

// The game's own layout: 40-byte header, 24 bits, bottom-up, a width that needs no row padding.
bool is_game_bitmap(const std::vector<uint8_t> &d) {
    return d.size() >= 54 && d[0] == 'B' && d[1] == 'M' && le32(&d[10]) == 54 && le32(&d[14]) == 40 &&
           static_cast<int32_t>(le32(&d[22])) > 0 && le16(&d[28]) == 24 && le32(&d[30]) == 0 &&
           static_cast<int32_t>(le32(&d[18])) % 4 == 0;
}

// Linear interpolation along rows to a new width (the height stays); texture coordinates are
// fractions of the picture, so the mapping on the models does not move.
std::vector<uint8_t> resample_width(const std::vector<uint8_t> &bgr, int w, int h, int to) {
    std::vector<uint8_t> out(static_cast<size_t>(to) * h * 3);
    for (int x = 0; x < to; ++x) {
        double sx = std::clamp((x + 0.5) * w / to - 0.5, 0.0, static_cast<double>(w - 1));
        int x0 = static_cast<int>(sx), x1 = std::min(x0 + 1, w - 1);
        double f = sx - x0;
        for (int y = 0; y < h; ++y)
            for (int c = 0; c < 3; ++c) {
                double v = bgr[(static_cast<size_t>(y) * w + x0) * 3 + c] * (1 - f) +
                           bgr[(static_cast<size_t>(y) * w + x1) * 3 + c] * f;
                out[(static_cast<size_t>(y) * to + x) * 3 + c] = static_cast<uint8_t>(std::lround(v));
            }
    }
    return out;
}

std::vector<uint8_t> game_bitmap(const std::vector<uint8_t> &bgr, int w, int h) {
    std::vector<uint8_t> v = game_bitmap_header(w, h);
    for (int y = h - 1; y >= 0; --y)
        v.insert(v.end(), bgr.begin() + static_cast<long>(y) * w * 3,
                 bgr.begin() + static_cast<long>(y + 1) * w * 3);
    return v;
}

// ------------------------------------------------------------------------------------- sounds

struct memory_file {
    const std::vector<uint8_t> *bytes;
    sf_count_t at;
};

sf_count_t mem_length(void *user) {
    return static_cast<sf_count_t>(static_cast<memory_file *>(user)->bytes->size());
}
sf_count_t mem_seek(sf_count_t offset, int whence, void *user) {
    auto *m = static_cast<memory_file *>(user);
    sf_count_t size = static_cast<sf_count_t>(m->bytes->size());
    sf_count_t to = whence == SEEK_SET ? offset : whence == SEEK_CUR ? m->at + offset : size + offset;
    m->at = std::clamp<sf_count_t>(to, 0, size);
    return m->at;
}
sf_count_t mem_read(void *ptr, sf_count_t count, void *user) {
    auto *m = static_cast<memory_file *>(user);
    sf_count_t n = std::clamp<sf_count_t>(static_cast<sf_count_t>(m->bytes->size()) - m->at, 0, count);
    if (n > 0) memcpy(ptr, m->bytes->data() + m->at, static_cast<size_t>(n));
    m->at += n;
    return n;
}
sf_count_t mem_write(const void *, sf_count_t, void *) {
    return 0;
}
sf_count_t mem_tell(void *user) {
    return static_cast<memory_file *>(user)->at;
}

const char *sample_label(int format) {
    switch (format & SF_FORMAT_SUBMASK) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
        return "8-bit";
    case SF_FORMAT_PCM_16:
        return "16-bit";
    case SF_FORMAT_PCM_24:
        return "24-bit";
    case SF_FORMAT_PCM_32:
        return "32-bit";
    case SF_FORMAT_FLOAT:
        return "32-bit float";
    case SF_FORMAT_DOUBLE:
        return "64-bit float";
    default:
        return "compressed";
    }
}

const char *container_label(int format) {
    switch (format & SF_FORMAT_TYPEMASK) {
    case SF_FORMAT_WAV:
    case SF_FORMAT_WAVEX:
    case SF_FORMAT_RF64:
        return "WAV";
    case SF_FORMAT_FLAC:
        return "FLAC";
    case SF_FORMAT_OGG:
        return "Ogg";
    case SF_FORMAT_AIFF:
        return "AIFF";
    default:
        return "sound";
    }
}

std::string channel_label(int channels) {
    return channels == 1 ? "mono" : channels == 2 ? "stereo" : std::to_string(channels) + " channels";
}

// Frames as floats (channels interleaved) through libsndfile; false with the reason it gives.
bool read_with_sndfile(const std::vector<uint8_t> &bytes, std::vector<float> *samples, int *channels,
                       int *rate, std::string *what, std::string *why) {
    SF_VIRTUAL_IO io{mem_length, mem_seek, mem_read, mem_write, mem_tell};
    memory_file m{&bytes, 0};
    SF_INFO info;
    memset(&info, 0, sizeof info);
    SNDFILE *f = sf_open_virtual(&io, SFM_READ, &info, &m);
    if (!f) {
        *why = sf_strerror(nullptr);
        return false;
    }
    *what = std::string(container_label(info.format)) + " " + std::to_string(info.samplerate) + " Hz " +
            channel_label(info.channels) + " " + sample_label(info.format);
    bool ok = info.channels > 0 && info.samplerate > 0 && info.frames >= 0 &&
              static_cast<double>(info.frames) / info.samplerate <= max_seconds &&
              static_cast<double>(info.frames) * info.channels <= max_samples;
    if (!ok) {
        *why = *what + ": longer than " + std::to_string(static_cast<int>(max_seconds)) +
               " s, too many samples or no channels";
    } else {
        samples->resize(static_cast<size_t>(info.frames) * info.channels);
        sf_count_t got = sf_readf_float(f, samples->data(), info.frames);
        samples->resize(static_cast<size_t>(std::max<sf_count_t>(got, 0)) * info.channels);
        *channels = info.channels;
        *rate = info.samplerate;
    }
    sf_close(f);
    return ok;
}

// SDL's WAV reader over a copy (SDL 1.2's memory stream takes a writable pointer); the buffer
// is the caller's to free with SDL_FreeWAV.
bool load_with_sdl(const std::vector<uint8_t> &bytes, SDL_AudioSpec *format, Uint8 **buffer, Uint32 *length) {
    std::vector<uint8_t> copy = bytes;
    SDL_RWops *rw = SDL_RWFromMem(copy.data(), static_cast<int>(copy.size()));
    return rw && SDL_LoadWAV_RW(rw, 1, format, buffer, length);
}

// What SDL's own reader takes but libsndfile does not: converted by SDL to 16-bit at the file's
// rate and channel count, then read on as floats.
bool read_with_sdl(const std::vector<uint8_t> &bytes, std::vector<float> *samples, int *channels, int *rate,
                   std::string *what) {
    if (bytes.empty() || bytes.size() > 0x7fffffff) return false;
    SDL_AudioSpec wav_format;
    Uint8 *buffer = nullptr;
    Uint32 length = 0;
    if (!load_with_sdl(bytes, &wav_format, &buffer, &length)) return false;
    SDL_AudioCVT cvt;
    bool ok = wav_format.channels > 0 && wav_format.freq > 0 &&
              SDL_BuildAudioCVT(&cvt, wav_format.format, wav_format.channels, wav_format.freq, AUDIO_S16SYS,
                                wav_format.channels, wav_format.freq) >= 0;
    if (ok) {
        std::vector<uint8_t> work(static_cast<size_t>(length) * std::max(cvt.len_mult, 1));
        memcpy(work.data(), buffer, length);
        cvt.buf = work.data();
        cvt.len = static_cast<int>(length);
        ok = SDL_ConvertAudio(&cvt) == 0 && cvt.len_cvt >= 0;
        if (ok) {
            size_t n = static_cast<size_t>(cvt.len_cvt) / 2;
            samples->resize(n);
            for (size_t i = 0; i < n; ++i) {
                int16_t s;
                memcpy(&s, &work[2 * i], 2);
                (*samples)[i] = s / 32768.0f;
            }
            *channels = wav_format.channels;
            *rate = wav_format.freq;
            *what = "WAV " + std::to_string(wav_format.freq) + " Hz " + channel_label(wav_format.channels) +
                    " " + std::to_string(wav_format.format & 0xff) + "-bit";
        }
    }
    SDL_FreeWAV(buffer);
    return ok;
}

// The game's own sound: a RIFF image whose chunks all lie inside it, holding 16-bit mono PCM at
// the pack's rate, which SDL decodes into at least one sample.
bool is_game_sound(const std::vector<uint8_t> &bytes) {
    if (bytes.size() < 44 || bytes.size() > 0x7fffffff || memcmp(bytes.data(), "RIFF", 4) != 0 ||
        memcmp(&bytes[8], "WAVE", 4) != 0)
        return false;
    for (uint64_t at = 12; at + 8 <= bytes.size();) {
        uint32_t length = le32(&bytes[at + 4]);
        if (length > bytes.size() - (at + 8)) return false;
        at += 8 + static_cast<uint64_t>(length) + (length & 1);
    }
    SDL_AudioSpec wav_format;
    Uint8 *buffer = nullptr;
    Uint32 length = 0;
    if (!load_with_sdl(bytes, &wav_format, &buffer, &length)) return false;
    SDL_FreeWAV(buffer);
    return wav_format.format == AUDIO_S16LSB && wav_format.channels == 1 &&
           wav_format.freq == pack_sound_rate && length > 0;
}

std::vector<uint8_t> pcm16_wav(const std::vector<float> &samples) {
    std::vector<uint8_t> v{'R', 'I', 'F', 'F'};
    auto data_bytes = static_cast<uint32_t>(samples.size() * 2);
    put32(v, 36 + data_bytes);
    for (char c : std::string("WAVEfmt "))
        v.push_back(static_cast<uint8_t>(c));
    put32(v, 16);
    put16(v, 1); // PCM
    put16(v, 1); // mono
    put32(v, pack_sound_rate);
    put32(v, pack_sound_rate * 2);
    put16(v, 2);
    put16(v, 16);
    for (char c : std::string("data"))
        v.push_back(static_cast<uint8_t>(c));
    put32(v, data_bytes);
    for (float s : samples)
        put16(v, static_cast<uint16_t>(
                     static_cast<int16_t>(std::lround(std::clamp(s, -1.0f, 1.0f) * 32767.0f))));
    return v;
}

// ------------------------------------------------------------------------------------- meshes

std::vector<std::string> words_of(const std::string &line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string w; in >> w;)
        words.push_back(w);
    return words;
}

bool number_of(const std::string &word, float *out) {
    char *end = nullptr;
    *out = strtof(word.c_str(), &end);
    return end != word.c_str() && *end == 0;
}

struct vec3 {
    float x, y, z;
};

std::string fixed(float v) {
    char buffer[32];
    snprintf(buffer, sizeof buffer, "%.4f", std::fabs(v) < 5e-5f ? 0.0f : v);
    return buffer;
}

} // namespace

int texture_channels(const std::string &name) {
    // The channel counts of the game's load_texture calls; every other texture is read as colour.
    static const std::map<std::string, int> read_as = {
        {"texture_font", 2},    {"texture_puff_1", 1},    {"texture_puff_2", 2},    {"texture_puff_3", 2},
        {"texture_flash_1", 2}, {"texture_streaks_1", 2}, {"texture_streaks_2", 1}, {"texture_streaks_3", 1},
    };
    auto it = read_as.find(name);
    return it == read_as.end() ? 3 : it->second;
}

converted_file convert_texture_file(const std::string &name, const std::vector<uint8_t> &bytes) {
    if (is_game_bitmap(bytes) && check_texture(name, bytes).empty()) return kept(bytes);
    rgba_image img;
    std::string why;
    static const uint8_t png_signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    bool decoded;
    if (bytes.size() >= 8 && memcmp(bytes.data(), png_signature, 8) == 0)
        decoded = decode_png(bytes, &img, &why);
    else if (bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M')
        decoded = decode_bmp(bytes, &img, &why);
    else
        return refused("not a PNG or BMP picture");
    if (!decoded) return refused(why);

    // Colour textures drop alpha. Luminance textures take luminance in blue (and red, so that a
    // viewer shows grey) and alpha in green. The game blends them premultiplied (source factor
    // one), while a picture's alpha is straight, so the luminance is the picture laid over black;
    // a one-channel texture keeps only that. A picture without alpha is kept as it is: it
    // already carries the game's layout, as extract writes it.
    int channels = texture_channels(name);
    size_t count = static_cast<size_t>(img.width) * img.height;
    std::vector<uint8_t> bgr(count * 3);
    for (size_t i = 0; i < count; ++i) {
        const uint8_t *p = &img.rgba[4 * i];
        uint8_t *o = &bgr[3 * i];
        if (channels == 3 || !img.alpha) {
            o[0] = p[2], o[1] = p[1], o[2] = p[0];
            continue;
        }
        double lum = (0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2]) * p[3] / 255.0;
        o[0] = o[2] = static_cast<uint8_t>(std::lround(lum));
        o[1] = p[3];
    }
    int width = img.width;
    if (width % 4 != 0) {
        int to = std::max(4, (width + 2) / 4 * 4);
        bgr = resample_width(bgr, width, img.height, to);
        width = to;
    }
    std::string note =
        img.what + " -> 24-bit BMP " + std::to_string(width) + "x" + std::to_string(img.height);
    if (img.alpha)
        note += channels == 3 ? " (alpha dropped)" : " (luminance over black in blue, alpha in green)";
    converted_file out = changed(game_bitmap(bgr, width, img.height), note);
    if (auto problems = check_texture(name, out.data); !problems.empty())
        return refused("converted picture fails the game's check: " + reason_of(name, problems[0]));
    return out;
}

converted_file convert_sound_file(const std::string &name, const std::vector<uint8_t> &bytes) {
    if (is_game_sound(bytes)) return kept(bytes);
    std::vector<float> frames;
    int channels = 0, rate = 0;
    std::string what, why;
    if (!read_with_sndfile(bytes, &frames, &channels, &rate, &what, &why) &&
        (!what.empty() || !read_with_sdl(bytes, &frames, &channels, &rate, &what)))
        return refused(what.empty() ? "not a sound that libsndfile or SDL reads (" + why + ")" : why);
    size_t count = frames.size() / static_cast<size_t>(channels);
    if (count == 0) return refused(what + ": no samples");
    std::vector<float> mono(count);
    for (size_t i = 0; i < count; ++i) {
        float sum = 0;
        for (int c = 0; c < channels; ++c)
            sum += frames[i * channels + c];
        mono[i] = sum / static_cast<float>(channels);
    }
    if (rate != pack_sound_rate) {
        double ratio = static_cast<double>(pack_sound_rate) / rate;
        std::vector<float> out(static_cast<size_t>(std::ceil(count * ratio)) + 16);
        SRC_DATA src;
        memset(&src, 0, sizeof src);
        src.data_in = mono.data();
        src.input_frames = static_cast<long>(count);
        src.data_out = out.data();
        src.output_frames = static_cast<long>(out.size());
        src.src_ratio = ratio;
        if (int e = src_simple(&src, SRC_SINC_BEST_QUALITY, 1); e != 0)
            return refused(what + ": resampling failed: " + src_strerror(e));
        out.resize(static_cast<size_t>(src.output_frames_gen));
        if (out.empty())
            return refused(what + ": too short to resample to " + std::to_string(pack_sound_rate) + " Hz");
        mono = std::move(out);
    }
    converted_file out =
        changed(pcm16_wav(mono), what + " -> 16-bit mono WAV " + std::to_string(pack_sound_rate) + " Hz");
    if (auto problems = check_sound(name, out.data); !problems.empty())
        return refused("converted sound fails the game's check: " + reason_of(name, problems[0]));
    return out;
}

converted_file convert_mesh_file(const std::string &name, const std::vector<uint8_t> &bytes) {
    std::vector<uint8_t> text = bytes;
    text.push_back(0);
    if (check_mesh(name, text).empty()) return kept(text);

    // Vertex data first, then everything else in its order; faces refer by whole-file count.
    std::string positions, texcoords, normals, body;
    int counts[3] = {0, 0, 0}; // v, vt, vn so far
    std::vector<vec3> points;
    std::map<std::string, int> added_normals; // flat normals by their text, numbered after the file's
    std::vector<std::string> added_normal_lines;
    int origin_texcoord = 0; // index of the added "vt 0 0", once needed
    int faces = 0, filled_t = 0, filled_n = 0;
    bool negative = false;
    std::map<std::string, bool> forms;
    std::string source(bytes.begin(), bytes.end());
    std::istringstream in(source);
    int number = 0;
    struct corner {
        int v, t, n;
    };
    struct pending_face {
        std::vector<corner> corners;
        int line;
    };
    std::vector<pending_face> pending;
    std::vector<std::pair<int, std::string>> body_lines; // face index (-1: text) in order
    auto fail = [&](const std::string &what) {
        return refused("line " + std::to_string(number) + ": " + what);
    };
    for (std::string line; std::getline(in, line);) {
        ++number;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> w = words_of(line);
        if (w.empty()) continue;
        const std::string &key = w[0];
        float n[3] = {0, 0, 0};
        if (key == "v" || key == "vn") {
            if (w.size() < 4 || !number_of(w[1], &n[0]) || !number_of(w[2], &n[1]) || !number_of(w[3], &n[2]))
                return fail(key == "v" ? "vertex does not give three numbers"
                                       : "normal does not give three numbers");
            std::string &to = key == "v" ? positions : normals;
            to += key + " " + w[1] + " " + w[2] + " " + w[3] + "\n";
            if (key == "v") points.push_back({n[0], n[1], n[2]});
            ++counts[key == "v" ? 0 : 2];
        } else if (key == "vt") {
            if (w.size() < 2 || !number_of(w[1], &n[0]) || (w.size() > 2 && !number_of(w[2], &n[1])))
                return fail("texture coordinate does not give numbers");
            texcoords += "vt " + w[1] + " " + (w.size() > 2 ? w[2] : std::string("0")) + "\n";
            ++counts[1];
        } else if (key == "f") {
            pending_face f{};
            for (size_t i = 1; i < w.size(); ++i) {
                int idx[3] = {0, 0, 0};
                std::string piece[3];
                size_t k = 0;
                for (char c : w[i])
                    if (c == '/') {
                        if (++k > 2) return fail("face corner \"" + w[i] + "\" has more than three indices");
                    } else
                        piece[k] += c;
                static const char *const form_names[] = {"v", "v/t", "v/t/n"};
                forms[k == 2 && piece[1].empty() ? "v//n" : form_names[k]] = true;
                static const char *const kinds[3] = {"vertex", "texture", "normal"};
                for (int j = 0; j < 3; ++j) {
                    if (piece[j].empty()) {
                        if (j == 0) return fail("face corner \"" + w[i] + "\" has no vertex index");
                        continue;
                    }
                    char *end = nullptr;
                    long value = strtol(piece[j].c_str(), &end, 10);
                    if (*end != 0 || value == 0)
                        return fail("face corner \"" + w[i] + "\" is not made of indices");
                    // Negative indices count back from the statements so far; positive ones
                    // may point ahead, since the game counts the whole file first.
                    if (value < 0) {
                        negative = true;
                        value += counts[j] + 1;
                        if (value < 1)
                            return fail(std::string("face ") + kinds[j] + " index " + piece[j] +
                                        " reaches before the first of the " + std::to_string(counts[j]) +
                                        " so far");
                    }
                    idx[j] = static_cast<int>(std::min<long>(value, INT_MAX));
                }
                f.corners.push_back({idx[0], idx[1], idx[2]});
            }
            if (f.corners.size() < 3)
                return fail("face with " + std::to_string(f.corners.size()) + " corners (at least 3 needed)");
            f.line = number;
            body_lines.push_back({static_cast<int>(pending.size()), {}});
            pending.push_back(std::move(f));
            ++faces;
        } else if (key[0] == 'v' || key[0] == 'f') {
            continue; // other vertex statements (vp) mean nothing to the game, and lines it would misread go
        } else {
            size_t first = line.find_first_not_of(" \t");
            body_lines.push_back({-1, line.substr(first)});
        }
    }
    if (counts[0] == 0) return refused("no vertices");
    if (faces == 0) return refused("no faces");
    const int file_counts[3] = {counts[0], counts[1], counts[2]};
    for (const auto &[face_index, line] : body_lines) {
        if (face_index < 0) {
            body += line + "\n";
            continue;
        }
        pending_face &f = pending[static_cast<size_t>(face_index)];
        static const char *const kinds[3] = {"vertex", "texture", "normal"};
        for (const corner &c : f.corners)
            for (int j = 0; j < 3; ++j)
                if (int value = j == 0 ? c.v : j == 1 ? c.t : c.n; value > file_counts[j])
                    return refused("line " + std::to_string(f.line) + ": face " + kinds[j] + " index " +
                                   std::to_string(value) + " out of range (1.." +
                                   std::to_string(file_counts[j]) + ")");
        // Newell's normal: counter-clockwise corners seen from outside give an outward normal.
        vec3 s{0, 0, 0};
        for (size_t i = 0; i < f.corners.size(); ++i) {
            const vec3 &p = points[f.corners[i].v - 1];
            const vec3 &q = points[f.corners[(i + 1) % f.corners.size()].v - 1];
            s.x += (p.y - q.y) * (p.z + q.z);
            s.y += (p.z - q.z) * (p.x + q.x);
            s.z += (p.x - q.x) * (p.y + q.y);
        }
        float len = std::sqrt(s.x * s.x + s.y * s.y + s.z * s.z);
        vec3 normal = len > 0 ? vec3{s.x / len, s.y / len, s.z / len} : vec3{0, 1, 0};
        body += "f";
        for (corner &c : f.corners) {
            if (c.t == 0) {
                if (!origin_texcoord) origin_texcoord = ++counts[1];
                c.t = origin_texcoord;
                ++filled_t;
            }
            if (c.n == 0) {
                std::string text = "vn " + fixed(normal.x) + " " + fixed(normal.y) + " " + fixed(normal.z);
                auto [it, fresh] = added_normals.emplace(text, counts[2] + 1);
                if (fresh) {
                    ++counts[2];
                    added_normal_lines.push_back(text);
                }
                c.n = it->second;
                ++filled_n;
            }
            body += " " + std::to_string(c.v) + "/" + std::to_string(c.t) + "/" + std::to_string(c.n);
        }
        body += "\n";
    }
    if (origin_texcoord) texcoords += "vt 0 0\n";
    for (const std::string &l : added_normal_lines)
        normals += l + "\n";
    std::string out = "# " + name + ": written by hollowmere-pack with every face as v/t/n\n" + positions +
                      texcoords + normals + body;
    std::vector<uint8_t> data(out.begin(), out.end());
    data.push_back(0);
    std::string form_list;
    for (const auto &[form, seen] : forms)
        form_list += (form_list.empty() ? "" : " ") + form;
    std::string note = "OBJ " + std::to_string(faces) + " faces (" + form_list +
                       (negative ? ", negative indices" : "") + ") -> v/t/n OBJ";
    if (filled_t) note += ", " + std::to_string(filled_t) + " corners given texture coordinate 0 0";
    if (filled_n) note += ", " + std::to_string(filled_n) + " corners given their face's normal";
    converted_file result = changed(std::move(data), note);
    if (auto problems = check_mesh(name, result.data); !problems.empty())
        return refused("converted mesh fails the game's check: " + reason_of(name, problems[0]));
    return result;
}

converted_file convert_mtl_file(const std::string &name, const std::vector<uint8_t> &bytes) {
    // OpenGL's own material defaults stand in for colours the file does not give.
    float colour[4][3] = {{0.2f, 0.2f, 0.2f}, {0.8f, 0.8f, 0.8f}, {0, 0, 0}, {0, 0, 0}};
    static const char *const keys[4] = {"Ka", "Kd", "Ks", "Ke"};
    std::string material;
    std::string source(bytes.begin(), bytes.end());
    std::istringstream in(source);
    int number = 0;
    for (std::string line; std::getline(in, line);) {
        ++number;
        std::vector<std::string> w = words_of(line);
        if (w.empty()) continue;
        if (w[0] == "newmtl") {
            if (!material.empty()) break; // only the first material counts
            material = w.size() > 1 ? w[1] : "(unnamed)";
            continue;
        }
        if (material.empty()) continue;
        for (int k = 0; k < 4; ++k) {
            if (w[0] != keys[k]) continue;
            float rgb[3];
            bool ok = w.size() == 2 || w.size() == 4;
            for (size_t i = 1; ok && i < w.size(); ++i)
                ok = number_of(w[i], &rgb[i - 1]);
            if (!ok)
                return refused("line " + std::to_string(number) + ": " + keys[k] +
                               " is not one or three numbers (spectral and xyz colours are not read)");
            for (int i = 0; i < 3; ++i)
                colour[k][i] = w.size() == 2 ? rgb[0] : rgb[i];
        }
    }
    if (material.empty()) return refused("no newmtl in the MTL file");
    auto triple = [](const float *c) { return fixed(c[0]) + " " + fixed(c[1]) + " " + fixed(c[2]); };
    // The game takes the first occurrence of each keyword anywhere, so the comment names nothing.
    std::string text = "# converted from Wavefront MTL\nemit " + triple(colour[3]) + "\nambient " +
                       triple(colour[0]) + "\ndiffuse " + triple(colour[1]) + "\nspecular " +
                       triple(colour[2]) + "\n";
    std::vector<uint8_t> data(text.begin(), text.end());
    data.push_back(0);
    converted_file out = changed(std::move(data), "MTL newmtl " + material + " -> material text");
    if (auto problems = check_material(name, out.data); !problems.empty())
        return refused("converted material fails the game's check: " + reason_of(name, problems[0]));
    return out;
}

converted_file convert_resource_file(const std::string &file_name, const std::vector<uint8_t> &bytes) {
    std::filesystem::path path(file_name);
    std::string name = path.stem().string();
    std::string ext = path.extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
    switch (kind_of(name)) {
    case resource_kind::texture:
        return convert_texture_file(name, bytes);
    case resource_kind::sound:
        return convert_sound_file(name, bytes);
    case resource_kind::mesh:
        return convert_mesh_file(name, bytes);
    case resource_kind::material: {
        if (ext == ".mtl") return convert_mtl_file(name, bytes);
        std::vector<uint8_t> text = bytes;
        text.push_back(0);
        if (auto problems = check_material(name, text); !problems.empty())
            return refused(reason_of(name, problems[0]));
        return kept(text);
    }
    default: {
        std::vector<uint8_t> data = bytes;
        if (ext == ".obj" || ext == ".txt") data.push_back(0);
        return kept(data);
    }
    }
}

std::vector<uint8_t> game_bitmap_header(int width, int height) {
    uint32_t pixel_bytes = static_cast<uint32_t>(width) * static_cast<uint32_t>(height) * 3;
    std::vector<uint8_t> v{'B', 'M'};
    for (uint32_t field :
         {54 + pixel_bytes, 0u, 54u, 40u, static_cast<uint32_t>(width), static_cast<uint32_t>(height)})
        put32(v, field);
    put16(v, 1);
    put16(v, 24);
    for (uint32_t field : {0u, pixel_bytes, 2835u, 2835u, 0u, 0u})
        put32(v, field);
    return v;
}
