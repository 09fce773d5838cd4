// The conversions of `hollowmere-pack build`: every BMP layout and PNG kind to the game's bitmap,
// width resampling, the luminance/alpha layout of one- and two-channel textures, sounds of every
// sample format and rate to 16-bit mono at the pack's rate, OBJ index forms, MTL, and the one
// line with which each kind of unusable file is refused.

#include "pack/pack.h"
#include "render/render.h"
#include "support/test_support.h"
#include "tools/pack_convert.h"
#include "tools/pack_tool.h"

#include <gtest/gtest.h>
#include <png.h>
#include <sndfile.h>

#include <cmath>
#include <cstring>
#include <filesystem>
#include <map>
#include <regex>

namespace {

struct rgba {
    uint8_t r, g, b, a;
};

void put(std::vector<uint8_t> &v, uint32_t x, int bytes) {
    for (int i = 0; i < bytes; ++i)
        v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}

// An 8x3 picture whose every pixel differs, with a few half-transparent ones.
std::vector<rgba> test_picture() {
    std::vector<rgba> p;
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 8; ++x)
            p.push_back({static_cast<uint8_t>(30 * x + 5), static_cast<uint8_t>(80 * y + 10),
                         static_cast<uint8_t>(200 - 20 * x - 7 * y),
                         static_cast<uint8_t>(x == 3 ? 128 : 255)});
    return p;
}

struct bmp_layout {
    const char *what;
    uint32_t header;
    int bits;
    bool top_down;
    uint32_t compression; // 0 plain, 3 bit fields
    uint32_t masks[4];    // r, g, b, a for bit fields
    int tolerance;        // 16-bit pixels keep five bits a channel
};

// Writes the picture in the given layout, rows padded to four bytes.
std::vector<uint8_t> write_bmp(const std::vector<rgba> &pic, int w, int h, const bmp_layout &l) {
    std::vector<uint8_t> palette;
    std::vector<uint8_t> info;
    bool fields = l.compression == 3;
    if (l.header == 12) {
        put(info, 12, 4), put(info, w, 2), put(info, h, 2), put(info, 1, 2), put(info, l.bits, 2);
    } else {
        put(info, l.header, 4), put(info, w, 4), put(info, l.top_down ? -h : h, 4), put(info, 1, 2);
        put(info, l.bits, 2), put(info, l.compression, 4), put(info, 0, 4), put(info, 2835, 4);
        put(info, 2835, 4), put(info, l.bits == 8 ? static_cast<uint32_t>(pic.size()) : 0, 4),
            put(info, 0, 4);
        for (int i = 0; i < 4 && l.header > 40 && 40 + 4 * i < static_cast<int>(l.header); ++i)
            put(info, fields ? l.masks[i] : 0, 4);
        info.resize(l.header, 0);
        if (fields && l.header == 40)
            for (int i = 0; i < 3; ++i)
                put(info, l.masks[i], 4);
    }
    if (l.bits == 8)
        for (const rgba &c : pic)
            put(palette, c.b | c.g << 8 | c.r << 16, l.header == 12 ? 3 : 4);
    std::vector<uint8_t> rows;
    for (int row = 0; row < h; ++row) {
        int y = l.top_down ? row : h - 1 - row;
        size_t start = rows.size();
        for (int x = 0; x < w; ++x) {
            const rgba &c = pic[static_cast<size_t>(y * w + x)];
            auto field = [&](uint32_t mask, uint8_t v) {
                return mask ? (v * (mask >> std::countr_zero(mask)) / 255) << std::countr_zero(mask) : 0u;
            };
            if (l.bits == 8) put(rows, y * w + x, 1);
            if (l.bits == 16) put(rows, (c.r >> 3) << 10 | (c.g >> 3) << 5 | c.b >> 3, 2);
            if (l.bits == 24) put(rows, c.b | c.g << 8 | c.r << 16, 3);
            if (l.bits == 32)
                put(rows,
                    fields ? field(l.masks[0], c.r) | field(l.masks[1], c.g) | field(l.masks[2], c.b) |
                                 field(l.masks[3], c.a)
                           : c.b | c.g << 8 | c.r << 16,
                    4);
        }
        while ((rows.size() - start) % 4)
            rows.push_back(0);
    }
    std::vector<uint8_t> out{'B', 'M'};
    uint32_t offset = 14 + static_cast<uint32_t>(info.size() + palette.size());
    put(out, offset + static_cast<uint32_t>(rows.size()), 4), put(out, 0, 4), put(out, offset, 4);
    out.insert(out.end(), info.begin(), info.end());
    out.insert(out.end(), palette.begin(), palette.end());
    out.insert(out.end(), rows.begin(), rows.end());
    return out;
}

// The pixels as the game reads them: RGB (or the luminance channels), top row first.
std::vector<uint8_t> game_pixels(const std::vector<uint8_t> &bmp, int channels, int32_t *w, int32_t *h) {
    std::vector<uint8_t> px, flipped;
    EXPECT_TRUE(convert_texture("t", bmp.data(), bmp.size(), channels, w, h, &px));
    size_t row = static_cast<size_t>(*w) * channels;
    for (int32_t y = *h - 1; y >= 0; --y)
        flipped.insert(flipped.end(), px.begin() + static_cast<long>(y * row),
                       px.begin() + static_cast<long>((y + 1) * row));
    return flipped;
}

// A PNG written with libpng's own writer (no gamma chunk, as painting programs write them).
std::vector<uint8_t> write_png(int w, int h, int colour_type, int depth, const std::vector<uint16_t> &samples,
                               const std::vector<rgba> &palette = {}) {
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    png_set_write_fn(
        png, &out,
        [](png_structp p, png_bytep data, png_size_t n) {
            auto *v = static_cast<std::vector<uint8_t> *>(png_get_io_ptr(p));
            v->insert(v->end(), data, data + n);
        },
        nullptr);
    png_set_IHDR(png, info, w, h, depth, colour_type, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    if (!palette.empty()) {
        std::vector<png_color> colours;
        std::vector<png_byte> alpha;
        for (const rgba &c : palette)
            colours.push_back({c.r, c.g, c.b}), alpha.push_back(c.a);
        png_set_PLTE(png, info, colours.data(), static_cast<int>(colours.size()));
        png_set_tRNS(png, info, alpha.data(), static_cast<int>(alpha.size()), nullptr);
    }
    png_write_info(png, info);
    size_t per_row = samples.size() / h;
    for (int y = 0; y < h; ++y) {
        std::vector<uint8_t> row;
        for (size_t i = 0; i < per_row; ++i)
            depth == 16 ? put(row, __builtin_bswap16(samples[y * per_row + i]), 2)
                        : put(row, samples[y * per_row + i], 1);
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

converted_file convert_file(const std::string &file_name, const std::vector<uint8_t> &bytes) {
    converted_file c = convert_resource_file(file_name, bytes);
    EXPECT_TRUE(c.ok) << file_name << ": " << c.note;
    return c;
}

std::vector<uint8_t> bytes_of(const std::string &s) {
    return {s.begin(), s.end()};
}

} // namespace

TEST(PackConvert, EveryBmpLayoutBecomesTheGameBitmapWithTheSamePixels) {
    const bmp_layout layouts[] = {
        {"OS/2 core header", 12, 24, false, 0, {}, 0},
        {"40-byte header, game form", 40, 24, false, 0, {}, 0},
        {"40-byte header, top-down", 40, 24, true, 0, {}, 0},
        {"8-bit palette", 40, 8, false, 0, {}, 0},
        {"16-bit 5-5-5", 40, 16, false, 0, {}, 8},
        {"32-bit fields after a 40-byte header", 40, 32, false, 3, {0xff0000, 0xff00, 0xff, 0}, 0},
        {"32-bit fields in a 52-byte header", 52, 32, true, 3, {0xff00, 0xff0000, 0xff000000, 0}, 0},
        {"32-bit with alpha, 56-byte header", 56, 32, false, 3, {0xff0000, 0xff00, 0xff, 0xff000000}, 0},
        {"32-bit plain, 108-byte header", 108, 32, true, 0, {}, 0},
        {"24-bit, 124-byte header, top-down", 124, 24, true, 0, {}, 0},
        {"32-bit with alpha, 124-byte header", 124, 32, false, 3, {0xff0000, 0xff00, 0xff, 0xff000000}, 0},
    };
    const std::vector<rgba> pic = test_picture();
    for (const bmp_layout &l : layouts) {
        SCOPED_TRACE(l.what);
        std::vector<uint8_t> file = write_bmp(pic, 8, 3, l);
        converted_file c = convert_file("texture_ground.bmp", file);
        EXPECT_EQ(c.changed, std::string(l.what).find("game form") == std::string::npos) << c.note;
        if (!c.changed) {
            EXPECT_EQ(c.data, file) << "the game's own form is kept byte for byte";
        }
        int32_t w, h;
        std::vector<uint8_t> px = game_pixels(c.data, 3, &w, &h);
        ASSERT_EQ(w, 8);
        ASSERT_EQ(h, 3);
        for (size_t i = 0; i < pic.size(); ++i) {
            const uint8_t want[3] = {pic[i].r, pic[i].g, pic[i].b};
            for (int k = 0; k < 3; ++k)
                ASSERT_NEAR(px[3 * i + k], want[k], l.tolerance) << "pixel " << i << " channel " << k;
        }
    }
}

TEST(PackConvert, PngOfEveryKindMapsToColourOrLuminanceAndAlphaByTextureName) {
    // Four pixels; the expected bytes are the game's B, G, R for each.
    struct png_case {
        const char *what;
        const char *file;
        int colour_type, depth;
        std::vector<uint16_t> samples;
        std::vector<uint8_t> bgr;
    };
    const std::vector<rgba> palette = {
        {255, 0, 0, 255}, {0, 0, 255, 128}, {255, 255, 255, 0}, {10, 20, 30, 255}};
    const png_case cases[] = {
        {"grey into a colour texture",
         "texture_ground.png",
         PNG_COLOR_TYPE_GRAY,
         8,
         {0, 100, 200, 255},
         {0, 0, 0, 100, 100, 100, 200, 200, 200, 255, 255, 255}},
        {"RGB, colour",
         "texture_sky_1.png",
         PNG_COLOR_TYPE_RGB,
         8,
         {1, 2, 3, 4, 5, 6, 7, 8, 9, 250, 251, 252},
         {3, 2, 1, 6, 5, 4, 9, 8, 7, 252, 251, 250}},
        {"RGB 16-bit, colour",
         "texture_sky_1.png",
         PNG_COLOR_TYPE_RGB,
         16,
         {257, 514, 771, 0, 65535, 32896, 1028, 1285, 1542, 65535, 0, 0},
         {3, 2, 1, 128, 255, 0, 6, 5, 4, 0, 0, 255}},
        {"RGBA, colour: alpha dropped",
         "texture_tank_1.png",
         PNG_COLOR_TYPE_RGBA,
         8,
         {10, 20, 30, 0, 40, 50, 60, 255, 70, 80, 90, 128, 1, 2, 3, 4},
         {30, 20, 10, 60, 50, 40, 90, 80, 70, 3, 2, 1}},
        {"grey+alpha, two channels: lum over black in blue, alpha in green",
         "texture_puff_2.png",
         PNG_COLOR_TYPE_GRAY_ALPHA,
         8,
         {200, 0, 200, 100, 50, 255, 255, 128},
         {0, 0, 0, 78, 100, 78, 50, 255, 50, 128, 128, 128}},
        {"grey+alpha 16-bit, two channels",
         "texture_font.png",
         PNG_COLOR_TYPE_GRAY_ALPHA,
         16,
         {51400, 0, 51400, 25700, 12850, 65535, 65535, 32896},
         {0, 0, 0, 78, 100, 78, 50, 255, 50, 128, 128, 128}},
        {"grey+alpha, one channel: lum over black",
         "texture_puff_1.png",
         PNG_COLOR_TYPE_GRAY_ALPHA,
         8,
         {200, 0, 200, 102, 50, 255, 255, 128},
         {0, 0, 0, 80, 102, 80, 50, 255, 50, 128, 128, 128}},
        {"RGBA, two channels: Rec. 601 luminance over black",
         "texture_flash_1.png",
         PNG_COLOR_TYPE_RGBA,
         8,
         {255, 0, 0, 255, 0, 255, 0, 10, 0, 0, 255, 0, 255, 255, 255, 255},
         {76, 255, 76, 6, 10, 6, 0, 0, 0, 255, 255, 255}},
        {"RGBA all opaque, two channels: already the game's layout",
         "texture_puff_3.png",
         PNG_COLOR_TYPE_RGBA,
         8,
         {10, 20, 10, 255, 30, 40, 30, 255, 0, 0, 0, 255, 255, 0, 255, 255},
         {10, 20, 10, 30, 40, 30, 0, 0, 0, 255, 0, 255}},
        {"palette with transparency, two channels",
         "texture_streaks_1.png",
         PNG_COLOR_TYPE_PALETTE,
         8,
         {0, 1, 2, 3},
         {76, 255, 76, 15, 128, 15, 0, 0, 0, 18, 255, 18}},
    };
    for (const png_case &t : cases) {
        SCOPED_TRACE(t.what);
        std::vector<uint8_t> file =
            write_png(4, 1, t.colour_type, t.depth, t.samples,
                      t.colour_type == PNG_COLOR_TYPE_PALETTE ? palette : std::vector<rgba>{});
        converted_file c = convert_file(t.file, file);
        EXPECT_TRUE(c.changed);
        EXPECT_NE(c.note.find("-> 24-bit BMP 4x1"), std::string::npos) << c.note;
        ASSERT_EQ(c.data.size(), 54u + 12u);
        std::vector<uint8_t> bgr(c.data.begin() + 54, c.data.end());
        for (size_t i = 0; i < 12; ++i)
            EXPECT_NEAR(bgr[i], t.bgr[i], 1) << "byte " << i;
    }
}

TEST(PackConvert, TheChannelTableMatchesEveryLoadTextureCallOfTheGame) {
    // A call site that changes its channel count would leave build writing the wrong layout.
    std::map<std::string, int> read_as;
    const std::regex call(R"re(load_texture\([^,]+,\s*"(texture_\w+)",\s*(\d))re");
    for (const auto &entry : std::filesystem::recursive_directory_iterator(HOLLOWMERE_SOURCE_DIR "/src")) {
        if (!entry.is_regular_file()) continue;
        std::vector<uint8_t> bytes = read_file(entry.path().string());
        std::string text(bytes.begin(), bytes.end());
        for (std::sregex_iterator it(text.begin(), text.end(), call), end; it != end; ++it) {
            int channels = std::stoi((*it)[2]);
            int &known = read_as[(*it)[1]];
            known = known == 0 ? channels : std::max(known, channels); // 1 and 2: the layout of 2 serves both
        }
    }
    ASSERT_GE(read_as.size(), 10u);
    for (const char *name : game_resource_names) {
        if (kind_of(name) == resource_kind::texture) {
            EXPECT_EQ(texture_channels(name), read_as.count(name) ? read_as[name] : 3) << name;
        }
    }
}

TEST(PackConvert, WidthsThatNeedRowPaddingAreResampledToTheNearestMultipleOfFour) {
    struct width_case {
        int from, to;
    } cases[] = {{250, 252}, {6, 8}, {5, 4}, {7, 8}, {2, 4}, {1, 4}};
    for (const width_case &t : cases) {
        SCOPED_TRACE(std::to_string(t.from) + " wide");
        // Rows of one colour each must come through unchanged; a left-to-right ramp stays a ramp.
        std::vector<rgba> pic;
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < t.from; ++x)
                pic.push_back({static_cast<uint8_t>(50 * y + 20),
                               static_cast<uint8_t>(t.from > 1 ? 255 * x / (t.from - 1) : 0), 99, 255});
        converted_file c =
            convert_file("texture_barrel.bmp", write_bmp(pic, t.from, 3, {"", 40, 24, false, 0, {}, 0}));
        EXPECT_NE(c.note.find("-> 24-bit BMP " + std::to_string(t.to) + "x3"), std::string::npos) << c.note;
        int32_t w, h;
        std::vector<uint8_t> px = game_pixels(c.data, 3, &w, &h);
        ASSERT_EQ(w, t.to);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < w; ++x) {
                const uint8_t *p = &px[3 * (static_cast<size_t>(y) * w + x)];
                EXPECT_EQ(p[0], 50 * y + 20);
                EXPECT_EQ(p[2], 99);
                if (x > 0) {
                    EXPECT_GE(p[1], p[-2]) << "ramp at " << x;
                }
            }
        if (t.from > 1) {
            EXPECT_LE(px[1], 255 / t.from) << "the ramp starts dark";
        }
    }
}

TEST(PackConvert, SoundsOfEverySampleFormatAndRateBecomeSixteenBitMonoAtThePackRate) {
    struct sound_case {
        const char *what;
        int format, rate, channels;
        double tolerance; // of the RMS level
    } cases[] = {
        {"16-bit mono at the pack's rate: kept", SF_FORMAT_WAV | SF_FORMAT_PCM_16, pack_sound_rate, 1, 0.01},
        {"8-bit unsigned 22050 Hz", SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 22050, 1, 0.02},
        {"24-bit stereo 44100 Hz", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 44100, 2, 0.01},
        {"32-bit int 8000 Hz", SF_FORMAT_WAV | SF_FORMAT_PCM_32, 8000, 1, 0.01},
        {"float stereo 48000 Hz", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 48000, 2, 0.01},
        {"double mono at the pack's rate", SF_FORMAT_WAV | SF_FORMAT_DOUBLE, pack_sound_rate, 1, 0.01},
        {"FLAC stereo 44100 Hz", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2, 0.01},
        {"Ogg Vorbis stereo 48000 Hz", SF_FORMAT_OGG | SF_FORMAT_VORBIS, 48000, 2, 0.05},
    };
    scratch_dir dir;
    for (const sound_case &t : cases) {
        SCOPED_TRACE(t.what);
        // Half a second of 440 Hz; stereo files carry 0.6 left and 0.2 right, which average to 0.4.
        SF_INFO info{0, t.rate, t.channels, t.format, 0, 0};
        std::string path = dir.file("s");
        SNDFILE *f = sf_open(path.c_str(), SFM_WRITE, &info);
        ASSERT_TRUE(f) << sf_strerror(nullptr);
        const int frames = t.rate / 2;
        std::vector<float> samples;
        for (int i = 0; i < frames; ++i) {
            float s = std::sin(2 * 3.14159265f * 440 * i / t.rate);
            samples.push_back(t.channels == 1 ? 0.4f * s : 0.6f * s);
            if (t.channels == 2) samples.push_back(0.2f * s);
        }
        sf_writef_float(f, samples.data(), frames);
        sf_close(f);
        std::vector<uint8_t> file = read_file(path);
        converted_file c = convert_file("audio_shot.wav", file);
        EXPECT_EQ(c.changed, t.format != (SF_FORMAT_WAV | SF_FORMAT_PCM_16)) << c.note;
        if (!c.changed) {
            EXPECT_EQ(c.data, file);
        }
        ASSERT_GE(c.data.size(), 44u);
        const uint8_t *h = c.data.data();
        uint32_t rate, data_bytes;
        memcpy(&rate, h + 24, 4);
        memcpy(&data_bytes, h + 40, 4);
        EXPECT_EQ(memcmp(h + 36, "data", 4), 0) << "a plain 44-byte header";
        EXPECT_EQ(h[20] | h[21] << 8, 1) << "PCM";
        EXPECT_EQ(h[22] | h[23] << 8, 1) << "mono";
        EXPECT_EQ(h[34] | h[35] << 8, 16);
        EXPECT_EQ(rate, static_cast<uint32_t>(pack_sound_rate));
        ASSERT_EQ(data_bytes, c.data.size() - 44);
        size_t out_frames = data_bytes / 2;
        EXPECT_NEAR(static_cast<double>(out_frames), frames * static_cast<double>(pack_sound_rate) / t.rate,
                    3);
        double sum = 0;
        for (size_t i = 0; i < out_frames; ++i) {
            int16_t s;
            memcpy(&s, h + 44 + 2 * i, 2);
            sum += (s / 32767.0) * (s / 32767.0);
        }
        EXPECT_NEAR(std::sqrt(sum / static_cast<double>(out_frames)), 0.4 / std::sqrt(2.0), t.tolerance);
    }
}

TEST(PackConvert, ObjFacesOfEveryIndexFormBecomeVtnWithFilledCoordinatesAndFlatNormals) {
    const std::string head = "# object_x: written by hollowmere-pack with every face as v/t/n\n";
    struct obj_case {
        const char *what;
        std::string in, out; // out empty: kept as it is
    } cases[] = {
        {"already v/t/n: kept", "# tri\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 3/1/1\n",
         ""},
        {"plain v, face first, counter-clockwise in xy: normal +z", "f 1 2 3\n", ""},
        {"v: a texture coordinate and a normal are added", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n",
         head + "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0.0000 0.0000 1.0000\nf 1/1/1 2/1/1 3/1/1\n"},
        {"v/t, clockwise: normal -z", "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0.5 0.5\nf 1/1 3/1 2/1\n",
         head + "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0.5 0.5\nvn 0.0000 0.0000 -1.0000\nf 1/1/1 3/1/1 2/1/1\n"},
        {"v//n and negative indices, o/g/s/usemtl/mtllib kept",
         "mtllib x.mtl\no box\nv 0 0 0\nv 0 0 1\nv 0 1 0\nvn 1 0 0\ng side\nusemtl red\ns 1\nf -3//-1 -2//-1 "
         "-1//1\n",
         head + "v 0 0 0\nv 0 0 1\nv 0 1 0\nvt 0 0\nvn 1 0 0\nmtllib x.mtl\no box\ng side\nusemtl red\ns "
                "1\nf 1/1/1 "
                "2/1/1 3/1/1\n"},
        {"a face lying before a later vertex, CRLF, indented lines, a quad with a missing normal",
         "v 0 0 0\r\n  v 2 0 0\r\nv 2 0 2\r\nvt 1 1\r\nf 1/1 2/1 3/1\r\nv 0 0 2\r\nf -4/1 -1/1 -2/1 -3/1\r\n",
         head + "v 0 0 0\nv 2 0 0\nv 2 0 2\nv 0 0 2\nvt 1 1\nvn 0.0000 -1.0000 0.0000\nvn 0.0000 1.0000 "
                "0.0000\nf "
                "1/1/1 2/1/1 3/1/1\nf 1/1/2 4/1/2 3/1/2 2/1/2\n"},
    };
    // The face-first case: the reference is the same triangle after a vertex block.
    cases[1].in = "f 1/1/1 2/1/1 3/1/1\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\n";
    cases[1].out = head + "v 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 3/1/1\n";
    for (const obj_case &t : cases) {
        SCOPED_TRACE(t.what);
        converted_file c = convert_file("object_x.obj", bytes_of(t.in));
        std::string got(c.data.begin(), c.data.end() - 1);
        EXPECT_EQ(c.data.back(), 0);
        EXPECT_EQ(got, t.out.empty() ? t.in : t.out) << c.note;
        EXPECT_EQ(c.changed, !t.out.empty());
        EXPECT_TRUE(check_mesh("object_x", c.data).empty());
    }
}

TEST(PackConvert, MtlGivesTheFirstMaterialsColoursAsTheGamesMaterialText) {
    struct mtl_case {
        const char *in, *out;
    } cases[] = {
        {"# made elsewhere\nnewmtl steel\nKa 0.1 0.2 0.3\nKd 0.5\nKs 1 1 1\nKe 0.01 0 0\nnewmtl other\nKe 1 "
         "1 1\n",
         "emit 0.0100 0.0000 0.0000\nambient 0.1000 0.2000 0.3000\ndiffuse 0.5000 0.5000 0.5000\nspecular "
         "1.0000 1.0000 "
         "1.0000\n"},
        {"Kd 1 0 0\nnewmtl emit_diffuse\n\tKd 0.25 0.5 0.75\n",
         "emit 0.0000 0.0000 0.0000\nambient 0.2000 0.2000 0.2000\ndiffuse 0.2500 0.5000 0.7500\nspecular "
         "0.0000 0.0000 "
         "0.0000\n"},
    };
    for (const mtl_case &t : cases) {
        converted_file c = convert_file("material_tank.mtl", bytes_of(t.in));
        EXPECT_EQ(std::string(c.data.begin(), c.data.end() - 1),
                  std::string("# converted from Wavefront MTL\n") + t.out);
        EXPECT_TRUE(check_material("material_tank", c.data).empty());
    }
}

TEST(PackConvert, FilesThatCannotBecomeResourcesAreRefusedWithOneLineAndNoPack) {
    bmp_layout plain{"", 40, 24, false, 0, {}, 0};
    std::vector<uint8_t> rle = write_bmp(test_picture(), 8, 3, plain);
    rle[30] = 1;
    std::vector<uint8_t> os2_v2 = write_bmp(test_picture(), 8, 3, plain);
    os2_v2[14] = 64;
    std::vector<uint8_t> short_rows = write_bmp(test_picture(), 8, 3, plain);
    short_rows.resize(short_rows.size() - 5);
    std::vector<uint8_t> png = write_png(4, 1, PNG_COLOR_TYPE_GRAY, 8, {1, 2, 3, 4});
    std::vector<uint8_t> cut_png(png.begin(), png.begin() + 40);
    std::vector<uint8_t> no_samples = make_wav(44100, {});
    struct refusal {
        const char *file;
        std::vector<uint8_t> bytes;
        const char *reason;
    } cases[] = {
        {"texture_ground.jpg", bytes_of("\xff\xd8\xff\xe0 not drawn here"), "not a PNG or BMP picture"},
        {"texture_ground.bmp", rle, "run-length compressed bitmap"},
        {"texture_ground.bmp", os2_v2, "information header of 64 bytes"},
        {"texture_ground.bmp", short_rows, "pixel rows need 72 bytes"},
        {"texture_ground.png", cut_png, "PNG"},
        {"audio_shot.wav", bytes_of("RIFF....WAVEjunk"), "not a sound that libsndfile or SDL reads"},
        {"audio_shot.wav", no_samples, "no samples"},
        {"object_x.obj", bytes_of("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 9\n"),
         "line 4: face vertex index 9 out of range (1..3)"},
        {"object_x.obj", bytes_of("v 0 0 0\nv 1 0 0\nf 1 2\n"), "line 3: face with 2 corners"},
        {"object_x.obj", bytes_of("v 0 0 0\nv 1 0 0\nf 1/1/1 2 3\n"),
         "line 3: face texture index 1 out of range (1..0)"},
        {"object_x.obj", bytes_of("v 0 0\n"), "line 1: vertex does not give three numbers"},
        {"object_x.obj", bytes_of("v 0 0 0\n"), "no faces"},
        {"material_x.mtl", bytes_of("Kd 1 1 1\n"), "no newmtl"},
        {"material_x.mtl", bytes_of("newmtl a\nKd spectral red.spd\n"),
         "line 2: Kd is not one or three numbers"},
        {"material_x.txt", bytes_of("# x\nemit 0 0 0\nambient 1 1 1\ndiffuse 1 1 1\n"),
         "keyword \"specular\" missing"},
    };
    for (const refusal &t : cases) {
        converted_file c = convert_resource_file(t.file, t.bytes);
        EXPECT_FALSE(c.ok) << t.file;
        EXPECT_NE(c.note.find(t.reason), std::string::npos) << t.file << ": " << c.note;
        EXPECT_EQ(c.note.find('\n'), std::string::npos);
    }

    // The command: a line on stdout per converted file, a line on stderr per refused one, no pack.
    scratch_dir dir;
    std::filesystem::create_directories(dir.file("src"));
    write_file(dir.file("src/texture_ground.png"), png);
    write_file(dir.file("src/object_x.obj"), bytes_of("v 0 0 0\nf 1 2\n"));
    write_file(dir.file("src/audio_shot.wav"), no_samples);
    std::string out_path = dir.file("x.data");
    std::vector<std::string> args = {"hollowmere-pack", "build", out_path, dir.file("src")};
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    int status = pack_tool_main(4, argv.data());
    std::string out = testing::internal::GetCapturedStdout(), err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(status, 1);
    EXPECT_EQ(out, "texture_ground.png: PNG 4x1 grey -> 24-bit BMP 4x1\n");
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 2) << err;
    EXPECT_NE(err.find("audio_shot.wav: "), std::string::npos) << err;
    EXPECT_NE(err.find("object_x.obj: line 2: face"), std::string::npos) << err;
    EXPECT_FALSE(std::filesystem::exists(out_path));
}
