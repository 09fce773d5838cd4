// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The pack tool: the build/extract round trip, listing, the line verify prints for each kind of
// damage, unsafe names and exit statuses; the generated sounds' format, headroom and loop seams;
// and build's conversions: BMP layouts and PNG kinds to the
// game's bitmap, width resampling, the luminance/alpha layout of one- and two-channel textures, sounds
// to 16-bit mono at the pack's rate, OBJ index forms, MTL, and the one line each unusable file gets.

#include "pack/pack.h"
#include "render/render.h"
#include "support/test_support.h"
#include "tools/pack_convert.h"
#include "tools/pack_tool.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>
#include <png.h>
#include <sndfile.h>

#include <algorithm>
#include <bit>
#include <cmath>
#include <filesystem>
#include <map>
#include <regex>

namespace fs = std::filesystem;

namespace {

std::vector<pack_record> generated_records() {
    std::vector<pack_record> records;
    std::string error;
    EXPECT_TRUE(read_pack(HOLLOWMERE_PACK_FILE, &records, &error)) << error;
    return records;
}

int run_tool(std::vector<std::string> args) {
    args.insert(args.begin(), "hollowmere-pack");
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    fflush(stdout);
    return pack_tool_main(static_cast<int>(argv.size()), argv.data());
}

auto bytes_of = [](const std::string &s) { return std::vector<uint8_t>(s.begin(), s.end()); };

void put(std::vector<uint8_t> &v, uint32_t x, int bytes) {
    for (int i = 0; i < bytes; ++i)
        v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}

// Test picture: red by row, a green ramp left to right, blue constant.
auto red = [](int y) { return static_cast<uint8_t>(50 * y + 20); };
auto green = [](int x, int w) { return static_cast<uint8_t>(w > 1 ? 255 * x / (w - 1) : 0); };

struct bmp_layout {
    uint32_t header;
    int bits;
    bool top_down;
    uint32_t masks[4]; // r, g, b, a bit fields of 32-bit pixels; none: plain
};

// The picture w x 3 in the given layout, rows padded to four bytes.
std::vector<uint8_t> write_bmp(int w, const bmp_layout &l) {
    const int h = 3;
    bool fields = l.masks[0] != 0;
    std::vector<uint8_t> info, palette, rows;
    if (l.header == 12) {
        put(info, 12, 4), put(info, w, 2), put(info, h, 2), put(info, 1, 2), put(info, l.bits, 2);
    } else {
        put(info, l.header, 4), put(info, w, 4), put(info, l.top_down ? -h : h, 4), put(info, 1, 2);
        put(info, l.bits, 2), put(info, fields ? 3 : 0, 4), info.resize(32),
            put(info, l.bits == 8 ? w * h : 0, 4), info.resize(40);
        for (int i = 0; i < 4 && 40 + 4 * i < static_cast<int>(l.header); ++i)
            put(info, l.masks[i], 4);
        info.resize(l.header);
        for (int i = 0; i < 3 && fields && l.header == 40; ++i)
            put(info, l.masks[i], 4);
    }
    for (int row = 0; row < h; ++row) {
        int y = l.top_down ? row : h - 1 - row;
        for (int x = 0; x < w; ++x) {
            uint32_t r = red(y), g = green(x, w), b = 99;
            if (l.bits == 8) put(palette, b | g << 8 | r << 16, 4);
            put(rows,
                l.bits == 8    ? row * w + x
                : l.bits == 16 ? (r >> 3) << 10 | (g >> 3) << 5 | b >> 3
                : fields       ? r << std::countr_zero(l.masks[0]) | g << std::countr_zero(l.masks[1]) |
                               b << std::countr_zero(l.masks[2]) | (l.masks[3] & 0x80808080u)
                         : b | g << 8 | r << 16,
                l.bits / 8);
        }
        rows.resize((rows.size() + 3) / 4 * 4);
    }
    std::vector<uint8_t> out{'B', 'M'};
    uint32_t offset = 14 + static_cast<uint32_t>(info.size() + palette.size());
    put(out, offset + static_cast<uint32_t>(rows.size()), 4), put(out, 0, 4), put(out, offset, 4);
    for (const auto *part : {&info, &palette, &rows})
        out.insert(out.end(), part->begin(), part->end());
    return out;
}

// A PNG written with libpng's own writer (no gamma chunk, as painting programs write them).
std::vector<uint8_t> write_png(int colour_type, int depth, const std::vector<uint16_t> &samples) {
    std::vector<uint8_t> out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    auto write = [](png_structp p, png_bytep data, png_size_t n) {
        auto *v = static_cast<std::vector<uint8_t> *>(png_get_io_ptr(p));
        v->insert(v->end(), data, data + n);
    };
    png_set_write_fn(png, &out, write, nullptr);
    png_set_IHDR(png, info, 4, 1, depth, colour_type, 0, 0, 0);
    png_color colours[] = {{255, 0, 0}, {0, 0, 255}, {255, 255, 255}, {10, 20, 30}};
    png_byte alpha[] = {255, 128, 0, 255};
    if (colour_type == PNG_COLOR_TYPE_PALETTE)
        png_set_PLTE(png, info, colours, 4), png_set_tRNS(png, info, alpha, 4, nullptr);
    png_write_info(png, info);
    std::vector<uint8_t> row;
    for (uint16_t s : samples)
        depth == 16 ? put(row, __builtin_bswap16(s), 2) : put(row, s, 1);
    png_write_row(png, row.data());
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    return out;
}

} // namespace

TEST(PackTool, VerifyBuildExtractAndListRefuseEachKindOfDamageWithOneLineAndRoundTripExactly) {
    scratch_dir dir;
    std::vector<pack_record> good = generated_records(), records;
    std::string error;
    EXPECT_EQ(good.size(), 30u);
    EXPECT_EQ(verify_records(good), std::vector<std::string>{});
    EXPECT_EQ(run_tool({"verify", HOLLOWMERE_PACK_FILE}), 0);
    std::vector<uint8_t> bmp = write_bmp(8, {40, 24, false, {}}), rle = bmp, os2_v2 = bmp, short_rows = bmp;
    rle[30] = 1, os2_v2[14] = 64, short_rows.resize(bmp.size() - 5);
    std::vector<uint8_t> png = write_png(PNG_COLOR_TYPE_GRAY, 8, {1, 2, 3, 4});
    // A name without an extension replaces that record of the generated pack for verify (no bytes:
    // drops it); a file name goes through build's conversion.
    const struct {
        std::string name;
        std::vector<uint8_t> bytes;
        const char *line;
    } cases[] = {
        // clang-format off
        {"texture_barrel", {}, "texture_barrel: missing"},
        {"texture_ground", {bmp.begin(), bmp.begin() + 60}, "texture_ground: bitmap too short"},
        {"texture_puff_1", make_bmp(6, 4, std::vector<uint8_t>(72, 100)), "texture_puff_1: width 6 is not a multiple of 4"},
        {"object_barrel", text_bytes("# drum\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 9/1/1\n"),
         "object_barrel: line 7: face vertex index 9 out of range (1..3)"},
        {"object_missile_1", text_bytes("f 1/1/1 1/1/1 1/1/1\nv 0 0 0\nvt 0 0\nvn 0 0 1\n"),
         "object_missile_1: line 1: the text begins with a face line"},
        {"audio_grab", bytes_of("RIFF....WAVEjunk"), "audio_grab: not a WAV that SDL decodes"},
        {"material_tank", text_bytes("emit 0 0 0\nambient 0.2 0.2 0.2\ndiffuse 0.8 0.8 0.8\nspecular 1 1 1\n"),
         "material_tank: keyword \"emit\" at the first byte is not read by the game"},
        {"material_ground", bytes_of("# paint\n"), "material_ground: text has no terminating NUL"},
        {"texture_ground.jpg", bytes_of("\xff\xd8\xff\xe0 not drawn here"), "not a PNG or BMP picture"},
        {"texture_ground.bmp", rle, "run-length compressed bitmap"},
        {"texture_ground.bmp", os2_v2, "information header of 64 bytes"},
        {"texture_ground.bmp", short_rows, "pixel rows need 72 bytes"},
        {"texture_ground.png", {png.begin(), png.begin() + 40}, "PNG"},
        {"audio_shot.wav", bytes_of("RIFF....WAVEjunk"), "not a sound that libsndfile or SDL reads"},
        {"audio_shot.wav", make_wav(44100, {}), "no samples"},
        {"object_x.obj", bytes_of("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 9\n"), "line 4: face vertex index 9 out of range (1..3)"},
        {"object_x.obj", bytes_of("v 0 0 0\nv 1 0 0\nf 1 2\n"), "line 3: face with 2 corners"},
        {"object_x.obj", bytes_of("v 0 0 0\nv 1 0 0\nf 1/1/1 2 3\n"), "line 3: face texture index 1 out of range (1..0)"},
        {"object_x.obj", bytes_of("v 0 0\n"), "line 1: vertex does not give three numbers"},
        {"object_x.obj", bytes_of("v 0 0 0\n"), "no faces"},
        {"material_x.mtl", bytes_of("Kd 1 1 1\n"), "no newmtl"},
        {"material_x.mtl", bytes_of("newmtl a\nKd spectral red.spd\n"), "line 2: Kd is not one or three numbers"},
        {"material_x.txt", bytes_of("# x\nemit 0 0 0\nambient 1 1 1\ndiffuse 1 1 1\n"), "keyword \"specular\" missing"},
        // clang-format on
    };
    for (const auto &[name, bytes, want] : cases) {
        std::string line;
        if (name.find('.') == std::string::npos) {
            auto damaged = good;
            std::erase_if(damaged, [&](const pack_record &r) { return r.name == name; });
            if (!bytes.empty()) damaged.push_back({name, bytes});
            std::vector<std::string> found = verify_records(damaged);
            ASSERT_EQ(found.size(), 1u) << name;
            line = found[0];
            EXPECT_EQ(line.rfind(name + ": ", 0), 0u) << line;
        } else {
            converted_file c = convert_resource_file(name, bytes);
            EXPECT_FALSE(c.ok) << name;
            line = c.note;
        }
        EXPECT_NE(line.find(want), std::string::npos) << name << ": " << line;
        EXPECT_EQ(line.find('\n'), std::string::npos) << line;
    }

    // The command: a line on stdout per converted file, a line on stderr per refused one, no pack.
    fs::create_directories(dir.file("bad"));
    write_file(dir.file("bad/texture_ground.png"), png);
    write_file(dir.file("bad/object_x.obj"), bytes_of("v 0 0 0\nf 1 2\n"));
    write_file(dir.file("bad/audio_shot.wav"), make_wav(44100, {}));
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    EXPECT_EQ(run_tool({"build", dir.file("bad.data"), dir.file("bad")}), 1);
    std::string out = testing::internal::GetCapturedStdout(), err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(out, "texture_ground.png: PNG 4x1 grey -> 24-bit BMP 4x1\n");
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 2) << err;
    EXPECT_NE(err.find("audio_shot.wav: "), std::string::npos) << err;
    EXPECT_NE(err.find("object_x.obj: line 2: face"), std::string::npos) << err;
    EXPECT_FALSE(fs::exists(dir.file("bad.data")));

    // Extract then build gives the same pack byte for byte.
    ASSERT_TRUE(extract_records(good, dir.file("x"), &error)) << error;
    ASSERT_TRUE(build_pack(dir.file("again.data"), dir.file("x"), &error)) << error;
    EXPECT_EQ(read_file(HOLLOWMERE_PACK_FILE), read_file(dir.file("again.data")));
    std::vector<uint8_t> obj = read_file(dir.file("x/object_tank_1.obj"));
    EXPECT_EQ(std::count(obj.begin(), obj.end(), 0), 0) << "extracted text has no NUL";

    // Damaged or missing pack files: one-line errors and an exit status.
    std::vector<uint8_t> bytes = read_file(HOLLOWMERE_PACK_FILE);
    write_file(dir.file("cut.data"), {bytes.begin(), bytes.end() - 1000});
    EXPECT_FALSE(read_pack(dir.file("cut.data"), &records, &error));
    EXPECT_NE(error.find("damaged: record"), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
    EXPECT_EQ(records.size(), 29u) << "every record before the damage still reads";
    EXPECT_EQ(run_tool({"verify", dir.file("cut.data")}), 1);
    std::vector<uint8_t> run = make_pack({{"a", text_bytes("x")}});
    run.push_back(0x85); // a run packet whose value byte is missing at the very end
    write_file(dir.file("run.data"), run);
    EXPECT_FALSE(read_pack(dir.file("run.data"), &records, &error));
    EXPECT_NE(error.find("no value byte"), std::string::npos) << error;
    EXPECT_FALSE(read_pack(dir.file("absent.data"), &records, &error));
    EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
    EXPECT_EQ(run_tool({"list", dir.file("absent.data")}), 1);
    EXPECT_EQ(run_tool({"list"}), 2);
    EXPECT_EQ(run_tool({"frobnicate", "x"}), 2);

    // Build names records by file stem; extract refuses names that are not safe file names.
    fs::create_directories(dir.file("src/subdir"));      // not a file: skipped
    write_file(dir.file("src/.texture_x.bmp.swp"), {7}); // hidden: skipped
    write_file(dir.file("src/material_x.txt"), {'e', 'm', 'i', 't'});
    write_file(dir.file("src/audio_y.wav"), {9});
    ASSERT_TRUE(collect_dir_records(dir.file("src"), &records, &error)) << error;
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(std::tuple(records[0].name, records[1].name, records[1].data), // in file name order
              std::tuple("audio_y", "material_x", std::vector<uint8_t>{'e', 'm', 'i', 't', 0}));
    write_file(dir.file("src/material_x.obj"), {'v'});
    EXPECT_FALSE(collect_dir_records(dir.file("src"), &records, &error));
    EXPECT_NE(error.find("also comes from"), std::string::npos) << error;

    for (const char *name : {"../escape", "a/b", "", ".hidden"}) {
        EXPECT_FALSE(extract_records({{name, {1, 2}}}, dir.file("out"), &error)) << name;
        EXPECT_NE(error.find("cannot be a file name"), std::string::npos) << error;
    }
    EXPECT_FALSE(fs::exists(dir.file("escape.bin")));
    // Without its terminator a text record cannot round-trip, so it is refused rather than altered.
    EXPECT_FALSE(extract_records({{"object_x", {'v'}}}, dir.file("out"), &error));

    // list: name, size, kind and a texture's size.
    write_file(dir.file("l.data"), make_pack({{"texture_t", make_bmp(8, 4, std::vector<uint8_t>(96, 0))},
                                              {"audio_a", {1, 2, 3}}}));
    testing::internal::CaptureStdout();
    EXPECT_EQ(run_tool({"list", dir.file("l.data")}), 0);
    EXPECT_EQ(
        testing::internal::GetCapturedStdout(),
        "texture_t                      150  texture  8x4\naudio_a                          3  sound\n");
}

TEST(GeneratedSounds, MonoSixteenBitAtTheOutputRateWithHeadroomAndSeamlessEngineLoops) {
    for (const pack_record &r : generated_records()) {
        if (kind_of(r.name) != resource_kind::sound) continue;
        SCOPED_TRACE(r.name);
        SDL_AudioSpec format{};
        Uint8 *buffer = nullptr;
        Uint32 length = 0;
        SDL_RWops *in = SDL_RWFromConstMem(r.data.data(), int(r.data.size()));
        ASSERT_TRUE(SDL_LoadWAV_RW(in, 1, &format, &buffer, &length));
        std::vector<int16_t> s(reinterpret_cast<int16_t *>(buffer),
                               reinterpret_cast<int16_t *>(buffer + length));
        SDL_FreeWAV(buffer);
        ASSERT_GT(s.size(), 100u);
        EXPECT_EQ(std::tuple(format.freq, int(format.channels), int(format.format)),
                  std::tuple(16000, 1, AUDIO_S16LSB));
        int peak = 0;
        double step = 0;
        for (size_t i = 0; i < s.size(); ++i) {
            peak = std::max(peak, std::abs(int(s[i])));
            if (i) step += std::fabs(double(s[i]) - s[i - 1]) / double(s.size() - 1);
        }
        EXPECT_TRUE(peak >= 0.1 * 32767 && peak <= 0.9 * 32767) << peak;
        // An engine loop joins no harder than an ordinary step of its waveform.
        EXPECT_TRUE(!r.name.starts_with("audio_engine") ||
                    std::fabs(double(s.front()) - s.back()) < step * 4);
    }
}

TEST(PackConvert, BmpLayoutsAndOddWidthsBecomeTheGameBitmapWithTheSamePicture) {
    struct {
        bmp_layout layout;
        int from, to, tolerance; // widths; 16-bit pixels keep five bits a channel
    } cases[] = {
        {{12, 24, false, {}}, 8, 8, 0},
        {{40, 24, false, {}}, 8, 8, 0}, // the game's own form
        {{40, 24, true, {}}, 8, 8, 0},
        {{40, 8, false, {}}, 8, 8, 0},
        {{40, 16, false, {}}, 8, 8, 8},
        {{40, 32, false, {0xff0000, 0xff00, 0xff, 0}}, 8, 8, 0},
        {{52, 32, true, {0xff00, 0xff0000, 0xff000000, 0}}, 8, 8, 0},
        {{56, 32, false, {0xff0000, 0xff00, 0xff, 0xff000000}}, 8, 8, 0},
        {{124, 24, true, {}}, 8, 8, 0},
        {{40, 24, false, {}}, 250, 252, 0},
        {{40, 24, false, {}}, 5, 4, 0},
        {{40, 24, false, {}}, 6, 8, 0},
        {{40, 24, false, {}}, 1, 4, 0},
    };
    for (const auto &t : cases) {
        SCOPED_TRACE(testing::Message() << t.layout.header << "-byte header, " << t.layout.bits << " bits");
        std::vector<uint8_t> file = write_bmp(t.from, t.layout);
        converted_file c = convert_resource_file("texture_barrel.bmp", file);
        ASSERT_TRUE(c.ok) << c.note;
        bool game_form = t.layout.header == 40 && t.layout.bits == 24 && !t.layout.top_down && t.from == 8;
        EXPECT_TRUE(c.changed || c.data == file);
        EXPECT_EQ(c.changed, !game_form) << c.note;
        int32_t w, h;
        std::vector<uint8_t> px;
        ASSERT_TRUE(convert_texture("t", c.data.data(), c.data.size(), 3, &w, &h, &px));
        ASSERT_EQ(std::pair(w, h), std::pair(t.to, 3));
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < w; ++x) {
                const uint8_t *p = &px[3 * (static_cast<size_t>(2 - y) * w + x)]; // bottom row first
                ASSERT_NEAR(p[0], red(y), t.tolerance) << x << "," << y;
                ASSERT_NEAR(p[2], 99, t.tolerance) << x << "," << y;
                if (t.from == t.to) {
                    ASSERT_NEAR(p[1], green(x, w), t.tolerance) << x << "," << y;
                } else if (x > 0) {
                    ASSERT_GE(p[1], p[-2]) << "the ramp at " << x;
                }
            }
        EXPECT_LE(px[1], 255 / t.from) << "the ramp starts dark";
    }
}

TEST(PackConvert, PngOfEveryKindMapsToColourOrLuminanceAndAlphaByTextureName) {
    struct {
        const char *file;
        int colour_type, depth;
        std::vector<uint16_t> samples;
        std::vector<uint8_t> bgr; // the game's bytes, premultiplied luminance in B and R, alpha in G
    } cases[] = {
        // clang-format off
        {"texture_ground.png", PNG_COLOR_TYPE_GRAY, 8, {0, 100, 200, 255}, {0, 0, 0, 100, 100, 100, 200, 200, 200, 255, 255, 255}},
        {"texture_sky_1.png", PNG_COLOR_TYPE_RGB, 8, {1, 2, 3, 4, 5, 6, 7, 8, 9, 250, 251, 252}, {3, 2, 1, 6, 5, 4, 9, 8, 7, 252, 251, 250}},
        {"texture_sky_1.png", PNG_COLOR_TYPE_RGB, 16, {257, 514, 771, 0, 65535, 32896, 1028, 1285, 1542, 65535, 0, 0},
         {3, 2, 1, 128, 255, 0, 6, 5, 4, 0, 0, 255}},
        {"texture_tank_1.png", PNG_COLOR_TYPE_RGBA, 8, {10, 20, 30, 0, 40, 50, 60, 255, 70, 80, 90, 128, 1, 2, 3, 4},
         {30, 20, 10, 60, 50, 40, 90, 80, 70, 3, 2, 1}},
        {"texture_puff_2.png", PNG_COLOR_TYPE_GRAY_ALPHA, 8, {200, 0, 200, 100, 50, 255, 255, 128}, {0, 0, 0, 78, 100, 78, 50, 255, 50, 128, 128, 128}},
        {"texture_puff_1.png", PNG_COLOR_TYPE_GRAY_ALPHA, 8, {200, 0, 200, 102, 50, 255, 255, 128}, {0, 0, 0, 80, 102, 80, 50, 255, 50, 128, 128, 128}},
        {"texture_flash_1.png", PNG_COLOR_TYPE_RGBA, 8, {255, 0, 0, 255, 0, 255, 0, 10, 0, 0, 255, 0, 255, 255, 255, 255},
         {76, 255, 76, 6, 10, 6, 0, 0, 0, 255, 255, 255}},
        {"texture_puff_3.png", PNG_COLOR_TYPE_RGBA, 8, {10, 20, 10, 255, 30, 40, 30, 255, 0, 0, 0, 255, 255, 0, 255, 255},
         {10, 20, 10, 30, 40, 30, 0, 0, 0, 255, 0, 255}}, // opaque: already the game's layout
        {"texture_streaks_1.png", PNG_COLOR_TYPE_PALETTE, 8, {0, 1, 2, 3}, {76, 255, 76, 15, 128, 15, 0, 0, 0, 18, 255, 18}},
        // clang-format on
    };
    for (const auto &t : cases) {
        converted_file c = convert_resource_file(t.file, write_png(t.colour_type, t.depth, t.samples));
        EXPECT_NE(c.note.find("-> 24-bit BMP 4x1"), std::string::npos) << t.file << ": " << c.note;
        ASSERT_EQ(c.data.size(), 54u + 12u) << t.file;
        for (size_t i = 0; i < 12; ++i)
            EXPECT_NEAR(c.data[54 + i], t.bgr[i], 1) << t.file << " " << t.colour_type << " byte " << i;
    }
}

TEST(PackConvert, TheChannelTableMatchesEveryLoadTextureCallOfTheGame) {
    // A call site that changes its channel count would leave build writing the wrong layout.
    std::map<std::string, int> read_as;
    const std::regex call(R"re(load_texture\([^,]+,\s*"(texture_\w+)",\s*(\d))re");
    for (const auto &entry : fs::recursive_directory_iterator(HOLLOWMERE_SOURCE_DIR "/src")) {
        if (!entry.is_regular_file()) continue;
        std::vector<uint8_t> bytes = read_file(entry.path().string());
        std::string text(bytes.begin(), bytes.end());
        // Read with 1 and with 2 channels counts as 2: the layout of 2 serves both.
        for (std::sregex_iterator it(text.begin(), text.end(), call), end; it != end; ++it)
            read_as[(*it)[1]] = std::max(read_as[(*it)[1]], std::stoi((*it)[2]));
    }
    ASSERT_GE(read_as.size(), 10u);
    for (const char *name : game_resource_names)
        EXPECT_TRUE(kind_of(name) != resource_kind::texture ||
                    texture_channels(name) == (read_as.count(name) ? read_as[name] : 3))
            << name;
}

TEST(PackConvert, SoundsOfEverySampleFormatAndRateBecomeSixteenBitMonoAtThePackRate) {
    struct {
        int format, rate, channels;
        double tolerance; // of the RMS level
    } cases[] = {
        {SF_FORMAT_WAV | SF_FORMAT_PCM_16, pack_sound_rate, 1, 0.01}, // the game's own form
        {SF_FORMAT_WAV | SF_FORMAT_PCM_U8, 22050, 1, 0.02},
        {SF_FORMAT_WAV | SF_FORMAT_PCM_24, 44100, 2, 0.01},
        {SF_FORMAT_WAV | SF_FORMAT_FLOAT, 48000, 2, 0.01},
        {SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 2, 0.01},
        {SF_FORMAT_OGG | SF_FORMAT_VORBIS, 48000, 2, 0.05},
    };
    scratch_dir dir;
    for (const auto &t : cases) {
        SCOPED_TRACE(std::to_string(t.format) + " at " + std::to_string(t.rate));
        // Half a second of 440 Hz; stereo files carry 0.6 left and 0.2 right, which average to 0.4.
        SF_INFO info{0, t.rate, t.channels, t.format, 0, 0};
        SNDFILE *f = sf_open(dir.file("s").c_str(), SFM_WRITE, &info);
        ASSERT_TRUE(f) << sf_strerror(nullptr);
        const int frames = t.rate / 2;
        std::vector<float> samples;
        for (int i = 0; i < frames; ++i)
            for (int k = 0; k < t.channels; ++k)
                samples.push_back((t.channels == 1 ? 0.4f : 0.6f - 0.4f * k) *
                                  std::sin(2 * 3.14159265f * 440 * i / t.rate));
        sf_writef_float(f, samples.data(), frames);
        sf_close(f);
        std::vector<uint8_t> file = read_file(dir.file("s"));
        converted_file c = convert_resource_file("audio_shot.wav", file);
        ASSERT_TRUE(c.ok && c.data.size() >= 44) << c.note;
        EXPECT_EQ(c.changed, t.format != (SF_FORMAT_WAV | SF_FORMAT_PCM_16)) << c.note;
        EXPECT_TRUE(c.changed || c.data == file);
        size_t out_frames = (c.data.size() - 44) / 2;
        std::vector<uint8_t> header = make_wav(pack_sound_rate, std::vector<int16_t>(out_frames));
        EXPECT_TRUE(std::equal(header.begin(), header.begin() + 44, c.data.begin()))
            << "a plain 44-byte header";
        EXPECT_NEAR(static_cast<double>(out_frames), frames * double(pack_sound_rate) / t.rate, 3);
        double sum = 0;
        for (size_t i = 44; i + 1 < c.data.size(); i += 2)
            sum += std::pow(int16_t(c.data[i] | c.data[i + 1] << 8) / 32767.0, 2);
        EXPECT_NEAR(std::sqrt(sum / static_cast<double>(out_frames)), 0.4 / std::sqrt(2.0), t.tolerance);
    }
}

TEST(PackConvert, ObjOfEveryIndexFormBecomesVtnWithFlatNormalsAndMtlGivesTheFirstMaterial) {
    const std::string head = "# object_x: written by hollowmere-pack with every face as v/t/n\n",
                      tri = "v 0 0 0\nv 1 0 0\nv 0 1 0\n", mtl = "# converted from Wavefront MTL\n";
    const struct {
        const char *file;
        std::string in, out; // out empty: kept as it is
    } cases[] = {
        // clang-format off
        {"object_x.obj", tri + "vt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 3/1/1\n", ""},
        {"object_x.obj", "f 1/1/1 2/1/1 3/1/1\n" + tri + "vt 0 0\nvn 0 0 1\n", head + tri + "vt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 3/1/1\n"},
        {"object_x.obj", tri + "f 1 2 3\n", head + tri + "vt 0 0\nvn 0.0000 0.0000 1.0000\nf 1/1/1 2/1/1 3/1/1\n"},
        {"object_x.obj", tri + "vt 0.5 0.5\nf 1/1 3/1 2/1\n", head + tri + "vt 0.5 0.5\nvn 0.0000 0.0000 -1.0000\nf 1/1/1 3/1/1 2/1/1\n"},
        {"object_x.obj", "mtllib x.mtl\no box\nv 0 0 0\nv 0 0 1\nv 0 1 0\nvn 1 0 0\ng side\nusemtl red\ns 1\nf -3//-1 -2//-1 -1//1\n",
         head + "v 0 0 0\nv 0 0 1\nv 0 1 0\nvt 0 0\nvn 1 0 0\nmtllib x.mtl\no box\ng side\nusemtl red\ns 1\nf 1/1/1 2/1/1 3/1/1\n"},
        // A face before a later vertex, CRLF, an indented line, a quad with negative indices.
        {"object_x.obj", "v 0 0 0\r\n  v 2 0 0\r\nv 2 0 2\r\nvt 1 1\r\nf 1/1 2/1 3/1\r\nv 0 0 2\r\nf -4/1 -1/1 -2/1 -3/1\r\n",
         head + "v 0 0 0\nv 2 0 0\nv 2 0 2\nv 0 0 2\nvt 1 1\nvn 0.0000 -1.0000 0.0000\nvn 0.0000 1.0000 0.0000\n"
                "f 1/1/1 2/1/1 3/1/1\nf 1/1/2 4/1/2 3/1/2 2/1/2\n"},
        {"material_x.mtl", "# made elsewhere\nnewmtl steel\nKa 0.1 0.2 0.3\nKd 0.5\nKs 1 1 1\nKe 0.01 0 0\nnewmtl other\nKe 1 1 1\n",
         mtl + "emit 0.0100 0.0000 0.0000\nambient 0.1000 0.2000 0.3000\ndiffuse 0.5000 0.5000 0.5000\nspecular 1.0000 1.0000 1.0000\n"},
        {"material_x.mtl", "Kd 1 0 0\nnewmtl emit_diffuse\n\tKd 0.25 0.5 0.75\n",
         mtl + "emit 0.0000 0.0000 0.0000\nambient 0.2000 0.2000 0.2000\ndiffuse 0.2500 0.5000 0.7500\nspecular 0.0000 0.0000 0.0000\n"},
        // clang-format on
    };
    for (const auto &[file, in, out] : cases) {
        converted_file c = convert_resource_file(file, bytes_of(in));
        ASSERT_TRUE(c.ok && c.data.back() == 0) << in << c.note;
        EXPECT_EQ(std::string(c.data.begin(), c.data.end() - 1), out.empty() ? in : out);
        EXPECT_EQ(c.changed, !out.empty()) << in;
        EXPECT_TRUE(
            (file[0] == 'o' ? check_mesh("object_x", c.data) : check_material("material_x", c.data)).empty())
            << in;
    }
}
