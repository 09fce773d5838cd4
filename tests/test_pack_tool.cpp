// The pack tool: directory and pack round trips, listing, the verification of every resource
// format (and the line it prints for each kind of damage), damaged pack files, unsafe names
// and the command line's exit statuses.

#include "pack/pack.h"
#include "support/test_support.h"
#include "tools/pack_tool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::vector<pack_record> generated_records() {
    std::vector<pack_record> records;
    std::string error;
    EXPECT_TRUE(read_pack(HOLLOWMERE_PACK_FILE, &records, &error)) << error;
    return records;
}

pack_record *find(std::vector<pack_record> &records, const std::string &name) {
    for (pack_record &r : records)
        if (r.name == name) return &r;
    return nullptr;
}

bool has_line(const std::vector<std::string> &lines, const std::string &start, const std::string &part) {
    return std::any_of(lines.begin(), lines.end(), [&](const std::string &l) {
        return l.rfind(start, 0) == 0 && l.find(part) != std::string::npos;
    });
}

std::string joined(const std::vector<std::string> &lines) {
    std::string s;
    for (const std::string &l : lines)
        s += l + "\n";
    return s;
}

int run_tool(std::vector<std::string> args) {
    args.insert(args.begin(), "hollowmere-pack");
    std::vector<char *> argv;
    for (std::string &a : args)
        argv.push_back(a.data());
    fflush(stdout);
    return pack_tool_main(static_cast<int>(argv.size()), argv.data());
}

} // namespace

TEST(PackTool, ExtractThenBuildGivesTheSamePackByteForByte) {
    scratch_dir dir;
    std::vector<pack_record> records = generated_records();
    std::string error;
    ASSERT_TRUE(extract_records(records, dir.file("x"), &error)) << error;
    ASSERT_TRUE(build_pack(dir.file("again.data"), dir.file("x"), &error)) << error;
    EXPECT_EQ(read_file(HOLLOWMERE_PACK_FILE), read_file(dir.file("again.data")));

    // Extracted files are what ordinary tools expect: no NUL in texts, usual signatures.
    std::vector<uint8_t> obj = read_file(dir.file("x/object_tank_1.obj"));
    EXPECT_EQ(std::count(obj.begin(), obj.end(), 0), 0);
    std::vector<uint8_t> bmp = read_file(dir.file("x/texture_sky_1.bmp"));
    ASSERT_GE(bmp.size(), 2u);
    EXPECT_EQ(bmp[0], 'B');
    std::vector<uint8_t> wav = read_file(dir.file("x/audio_shot.wav"));
    ASSERT_GE(wav.size(), 4u);
    EXPECT_EQ(std::string(wav.begin(), wav.begin() + 4), "RIFF");
    EXPECT_TRUE(fs::exists(dir.file("x/material_ground.txt")));
}

TEST(PackTool, GeneratedPackVerifiesAndStaysUnderFourMegabytes) {
    std::vector<pack_record> records = generated_records();
    EXPECT_EQ(records.size(), 30u);
    EXPECT_EQ(joined(verify_records(records)), "");
    EXPECT_LT(fs::file_size(HOLLOWMERE_PACK_FILE), 4u * 1024 * 1024);
    EXPECT_EQ(run_tool({"verify", HOLLOWMERE_PACK_FILE}), 0);
}

TEST(PackTool, VerifyNamesEveryKindOfDamage) {
    std::vector<pack_record> good = generated_records();

    auto missing = good;
    missing.erase(std::remove_if(missing.begin(), missing.end(),
                                 [](const pack_record &r) { return r.name == "texture_barrel"; }),
                  missing.end());
    EXPECT_EQ(verify_records(missing), std::vector<std::string>{"texture_barrel: missing"});

    auto short_bitmap = good;
    find(short_bitmap, "texture_ground")->data.resize(5000);
    auto lines = verify_records(short_bitmap);
    EXPECT_TRUE(has_line(lines, "texture_ground:", "bitmap too short")) << joined(lines);
    EXPECT_EQ(lines.size(), 1u) << joined(lines);

    auto odd_width = good;
    std::vector<uint8_t> bgr(6 * 4 * 3, 100);
    find(odd_width, "texture_puff_1")->data = make_bmp(6, 4, bgr);
    EXPECT_TRUE(has_line(verify_records(odd_width), "texture_puff_1:", "not a multiple of 4"));

    auto bad_face = good;
    find(bad_face, "object_barrel")->data = text_bytes("# drum\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\n"
                                                       "f 1/1/1 2/1/1 9/1/1\n");
    lines = verify_records(bad_face);
    EXPECT_TRUE(has_line(lines, "object_barrel: line 7:", "vertex index 9 out of range (1..3)"))
        << joined(lines);

    auto face_first = good;
    find(face_first, "object_missile_1")->data =
        text_bytes("f 1/1/1 1/1/1 1/1/1\nv 0 0 0\nvt 0 0\nvn 0 0 1\n");
    EXPECT_TRUE(has_line(verify_records(face_first), "object_missile_1: line 1:", "begins with a face line"));

    auto broken_wav = good;
    std::vector<uint8_t> &wav = find(broken_wav, "audio_grab")->data;
    wav.resize(30); // a header with no format or data chunk
    lines = verify_records(broken_wav);
    EXPECT_TRUE(has_line(lines, "audio_grab:", "not a WAV that SDL decodes")) << joined(lines);

    auto first_byte = good;
    find(first_byte, "material_tank")->data =
        text_bytes("emit 0 0 0\nambient 0.2 0.2 0.2\ndiffuse 0.8 0.8 0.8\nspecular 1 1 1\n");
    EXPECT_EQ(verify_records(first_byte),
              std::vector<std::string>{
                  "material_tank: keyword \"emit\" at the first byte is not read by the game"});

    auto unterminated = good;
    find(unterminated, "material_ground")->data.pop_back();
    EXPECT_TRUE(has_line(verify_records(unterminated), "material_ground:", "no terminating NUL"));
}

TEST(PackTool, DamagedOrMissingPackFilesGiveOneLineErrors) {
    scratch_dir dir;
    std::vector<uint8_t> bytes = read_file(HOLLOWMERE_PACK_FILE);
    std::vector<pack_record> records;
    std::string error;

    bytes.resize(bytes.size() - 1000);
    write_file(dir.file("cut.data"), bytes);
    EXPECT_FALSE(read_pack(dir.file("cut.data"), &records, &error));
    EXPECT_NE(error.find("damaged: record"), std::string::npos) << error;
    EXPECT_NE(error.find("only"), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos);
    EXPECT_EQ(records.size(), 29u); // every record before the damage still reads
    EXPECT_EQ(run_tool({"verify", dir.file("cut.data")}), 1);

    // A run packet whose value byte is missing at the very end.
    write_file(dir.file("run.data"), make_pack({{"a", text_bytes("x")}}));
    std::vector<uint8_t> run = read_file(dir.file("run.data"));
    run.push_back(0x85);
    write_file(dir.file("run.data"), run);
    EXPECT_FALSE(read_pack(dir.file("run.data"), &records, &error));
    EXPECT_NE(error.find("no value byte"), std::string::npos) << error;

    EXPECT_FALSE(read_pack(dir.file("absent.data"), &records, &error));
    EXPECT_NE(error.find("cannot open"), std::string::npos) << error;
    write_file(dir.file("empty.data"), {});
    EXPECT_FALSE(read_pack(dir.file("empty.data"), &records, &error));
    EXPECT_EQ(run_tool({"list", dir.file("absent.data")}), 1);
    EXPECT_EQ(run_tool({"list"}), 2);
    EXPECT_EQ(run_tool({"frobnicate", "x"}), 2);
}

TEST(PackTool, BuildNamesFilesByStemAndTerminatesTexts) {
    scratch_dir dir;
    fs::create_directory(dir.file("src"));
    write_file(dir.file("src/material_x.txt"), {'e', 'm', 'i', 't'});
    write_file(dir.file("src/note"), {1, 2, 3});
    write_file(dir.file("src/audio_y.wav"), {9});
    fs::create_directory(dir.file("src/subdir"));        // not a file: skipped
    write_file(dir.file("src/.texture_x.bmp.swp"), {7}); // hidden: skipped
    std::vector<pack_record> records;
    std::string error;
    ASSERT_TRUE(collect_dir_records(dir.file("src"), &records, &error)) << error;
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0].name, "audio_y"); // file name order
    EXPECT_EQ(records[1].name, "material_x");
    EXPECT_EQ(records[1].data, (std::vector<uint8_t>{'e', 'm', 'i', 't', 0}));
    EXPECT_EQ(records[2].data, (std::vector<uint8_t>{1, 2, 3}));

    write_file(dir.file("src/material_x.obj"), {'v'});
    EXPECT_FALSE(collect_dir_records(dir.file("src"), &records, &error));
    EXPECT_NE(error.find("also comes from"), std::string::npos) << error;
    EXPECT_FALSE(build_pack(dir.file("out.data"), dir.file("nowhere"), &error));
    EXPECT_NE(error.find("not a directory"), std::string::npos);
}

TEST(PackTool, ExtractRefusesNamesThatLeaveTheDirectory) {
    scratch_dir dir;
    std::string error;
    for (const char *name : {"../escape", "a/b", "", ".hidden"}) {
        std::vector<pack_record> records{{name, {1, 2}}};
        EXPECT_FALSE(extract_records(records, dir.file("out"), &error)) << name;
        EXPECT_NE(error.find("cannot be a file name"), std::string::npos) << error;
    }
    EXPECT_FALSE(fs::exists(dir.file("escape.bin")));
    // A text record without its terminator cannot round-trip, so it is refused rather than altered.
    std::vector<pack_record> text{{"object_x", {'v'}}};
    EXPECT_FALSE(extract_records(text, dir.file("out"), &error));
}

TEST(PackTool, ListShowsSizeKindAndTextureDimensions) {
    std::vector<pack_record> records{
        {"texture_t", make_bmp(8, 4, std::vector<uint8_t>(96, 0))}, {"audio_a", {1, 2, 3}}, {"misc", {}}};
    char *text = nullptr;
    size_t length = 0;
    FILE *out = open_memstream(&text, &length);
    list_records(records, out);
    fclose(out);
    std::string listing(text, length);
    free(text);
    EXPECT_NE(listing.find("texture_t"), std::string::npos);
    EXPECT_NE(listing.find("texture  8x4\n"), std::string::npos) << listing;
    EXPECT_NE(listing.find("3  sound\n"), std::string::npos) << listing;
    EXPECT_NE(listing.find("0  other\n"), std::string::npos) << listing;
}

TEST(PackTool, VerifyWithstandsRandomDamageToEveryResource) {
    std::vector<pack_record> good = generated_records();
    uint32_t state = 12345;
    auto next = [&] {
        state = state * 1664525u + 1013904223u;
        return state >> 8;
    };
    for (const pack_record &r : good) {
        for (int trial = 0; trial < 12; ++trial) {
            pack_record damaged = r;
            if (trial % 3 == 0 && !damaged.data.empty()) damaged.data.resize(next() % damaged.data.size());
            for (int k = 0; k < 8 && !damaged.data.empty(); ++k)
                damaged.data[next() % damaged.data.size()] = static_cast<uint8_t>(next());
            // Damage may or may not be detectable; verification must simply come back.
            std::vector<std::string> lines = verify_records({damaged});
            EXPECT_FALSE(lines.empty()); // the 29 other names are missing at least
        }
    }
}
