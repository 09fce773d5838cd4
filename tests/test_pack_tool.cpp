// The pack tool: the build/extract round trip, listing, the line verify prints for each kind of
// damage, damaged pack files, unsafe names and the command line's exit statuses.

#include "pack/pack.h"
#include "support/test_support.h"
#include "tools/pack_tool.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

std::vector<pack_record> generated_records() {
    std::vector<pack_record> records;
    std::string error;
    EXPECT_TRUE(read_pack(HOLLOWMERE_PACK_FILE, &records, &error)) << error;
    return records;
}

std::vector<uint8_t> &data_of(std::vector<pack_record> &records, const std::string &name) {
    return std::find_if(records.begin(), records.end(), [&](const pack_record &r) { return r.name == name; })
        ->data;
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
    std::string error;
    ASSERT_TRUE(extract_records(generated_records(), dir.file("x"), &error)) << error;
    ASSERT_TRUE(build_pack(dir.file("again.data"), dir.file("x"), &error)) << error;
    EXPECT_EQ(read_file(HOLLOWMERE_PACK_FILE), read_file(dir.file("again.data")));
    std::vector<uint8_t> obj = read_file(dir.file("x/object_tank_1.obj"));
    EXPECT_EQ(std::count(obj.begin(), obj.end(), 0), 0) << "extracted text has no NUL";
}

TEST(PackTool, VerifyPassesTheGeneratedPackAndNamesEveryKindOfDamage) {
    std::vector<pack_record> good = generated_records();
    EXPECT_EQ(good.size(), 30u);
    EXPECT_EQ(verify_records(good), std::vector<std::string>{});
    EXPECT_EQ(run_tool({"verify", HOLLOWMERE_PACK_FILE}), 0);
    auto missing = good;
    std::erase_if(missing, [](const pack_record &p) { return p.name == "texture_barrel"; });
    EXPECT_EQ(verify_records(missing), std::vector<std::string>{"texture_barrel: missing"});

    auto cut = [&](const char *name, long keep) {
        std::vector<uint8_t> d = data_of(good, name);
        d.resize(keep < 0 ? d.size() + keep : keep);
        return d;
    };
    // The resource, what replaces it, and the problem line: "name: " + start ... part.
    const std::tuple<std::string, std::vector<uint8_t>, std::string, std::string> cases[] = {
        {"texture_ground", cut("texture_ground", 5000), "", "bitmap too short"},
        {"texture_puff_1", make_bmp(6, 4, std::vector<uint8_t>(72, 100)), "", "not a multiple of 4"},
        {"object_barrel",
         text_bytes("# drum\nv 0 0 0\nv 1 0 0\nv 0 1 0\nvt 0 0\nvn 0 0 1\nf 1/1/1 2/1/1 9/1/1\n"),
         "line 7:", "vertex index 9 out of range (1..3)"},
        {"object_missile_1", text_bytes("f 1/1/1 1/1/1 1/1/1\nv 0 0 0\nvt 0 0\nvn 0 0 1\n"),
         "line 1:", "begins with a face line"},
        {"audio_grab", cut("audio_grab", 30), "", "not a WAV that SDL decodes"},
        {"material_tank",
         text_bytes("emit 0 0 0\nambient 0.2 0.2 0.2\ndiffuse 0.8 0.8 0.8\nspecular 1 1 1\n"),
         "keyword \"emit\" at the first byte is not read by the game", ""},
        {"material_ground", cut("material_ground", -1), "", "no terminating NUL"},
    };
    for (const auto &[name, data, start, part] : cases) {
        auto records = good;
        data_of(records, name) = data;
        std::vector<std::string> lines = verify_records(records);
        ASSERT_EQ(lines.size(), 1u) << name;
        EXPECT_EQ(lines[0].rfind(name + ": " + start, 0), 0u) << lines[0];
        EXPECT_NE(lines[0].find(part), std::string::npos) << lines[0];
    }
}

TEST(PackTool, VerifyWithstandsRandomDamageToEveryResource) {
    uint32_t state = 12345;
    auto next = [&] { return (state = state * 1664525u + 1013904223u) >> 8; };
    for (const pack_record &r : generated_records())
        for (int trial = 0; trial < 12; ++trial) {
            pack_record damaged = r;
            if (trial % 3 == 0 && !damaged.data.empty()) damaged.data.resize(next() % damaged.data.size());
            for (int k = 0; k < 8 && !damaged.data.empty(); ++k)
                damaged.data[next() % damaged.data.size()] = static_cast<uint8_t>(next());
            EXPECT_FALSE(verify_records({damaged}).empty()); // the 29 other names are missing at least
        }
}

TEST(PackTool, DamagedOrMissingPackFilesGiveOneLineErrorsAndAnExitStatus) {
    scratch_dir dir;
    std::vector<pack_record> records;
    std::string error;
    std::vector<uint8_t> bytes = read_file(HOLLOWMERE_PACK_FILE);
    bytes.resize(bytes.size() - 1000);
    write_file(dir.file("cut.data"), bytes);
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
}

TEST(PackTool, BuildNamesFilesByStemAndTerminatesTexts) {
    scratch_dir dir;
    fs::create_directories(dir.file("src/subdir"));      // not a file: skipped
    write_file(dir.file("src/.texture_x.bmp.swp"), {7}); // hidden: skipped
    write_file(dir.file("src/material_x.txt"), {'e', 'm', 'i', 't'});
    write_file(dir.file("src/audio_y.wav"), {9});
    std::vector<pack_record> records;
    std::string error;
    ASSERT_TRUE(collect_dir_records(dir.file("src"), &records, &error)) << error;
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].name, "audio_y"); // file name order
    EXPECT_EQ(records[1].name, "material_x");
    EXPECT_EQ(records[1].data, (std::vector<uint8_t>{'e', 'm', 'i', 't', 0}));

    write_file(dir.file("src/material_x.obj"), {'v'});
    EXPECT_FALSE(collect_dir_records(dir.file("src"), &records, &error));
    EXPECT_NE(error.find("also comes from"), std::string::npos) << error;
}

TEST(PackTool, ExtractRefusesNamesThatLeaveTheDirectoryAndUnterminatedText) {
    scratch_dir dir;
    std::string error;
    for (const char *name : {"../escape", "a/b", "", ".hidden"}) {
        EXPECT_FALSE(extract_records({{name, {1, 2}}}, dir.file("out"), &error)) << name;
        EXPECT_NE(error.find("cannot be a file name"), std::string::npos) << error;
    }
    EXPECT_FALSE(fs::exists(dir.file("escape.bin")));
    // Without its terminator a text record cannot round-trip, so it is refused rather than altered.
    EXPECT_FALSE(extract_records({{"object_x", {'v'}}}, dir.file("out"), &error));
}

TEST(PackTool, ListShowsSizeKindAndTextureDimensions) {
    char *text = nullptr;
    size_t length = 0;
    FILE *out = open_memstream(&text, &length);
    list_records({{"texture_t", make_bmp(8, 4, std::vector<uint8_t>(96, 0))}, {"audio_a", {1, 2, 3}}}, out);
    fclose(out);
    std::string listing(text, length);
    free(text);
    EXPECT_NE(listing.find("texture_t"), std::string::npos) << listing;
    EXPECT_NE(listing.find("texture  8x4\n"), std::string::npos) << listing;
    EXPECT_NE(listing.find("3  sound\n"), std::string::npos) << listing;
}
