// The settings file: defaults, version, snapping of full-screen sizes, damaged fields put
// back one by one, and the atomic write that never loses the old file.

#include "core/core.h"
#include "support/test_support.h"

#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

std::vector<uint8_t> block_bytes(const settings_block &s) {
    auto p = reinterpret_cast<const uint8_t *>(&s);
    return std::vector<uint8_t>(p, p + sizeof s);
}

class SettingsFile : public ::testing::Test {
  protected:
    void SetUp() override { g = make_test_game(); }
    void TearDown() override { free_test_game(g); }
    // Writes a block to the file and reads it back through the game's reader.
    settings_block round_trip(const settings_block &s) {
        write_file(path(), block_bytes(s));
        zero_bytes(&g->settings, sizeof g->settings);
        read_settings(g, path().c_str());
        return g->settings;
    }
    std::string path() const { return dir.file("hollowmere.cfg"); }
    scratch_dir dir;
    game_record *g = nullptr;
};

TEST_F(SettingsFile, NoFileGivesTheDefaults) {
    read_settings(g, path().c_str());
    const settings_block &s = g->settings;
    EXPECT_EQ(
        std::vector<int>({s.version, s.fullscreen, s.width, s.height, s.bit_depth, s.display_flags,
                          s.view_mode, s.key_left, s.key_right, s.key_forward, s.key_reverse, s.key_fire}),
        std::vector<int>({1, 0, 640, 480, 16, -1, 0, 276, 275, 273, 274, 32}));
    EXPECT_EQ(std::make_pair(s.smoke_detail, s.audio_level), std::make_pair(1.5f, 0.8f));
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(s.high_scores[i], 10000 - 1000 * i);
        EXPECT_STREQ(s.high_names[i], "quenby");
    }
}

TEST_F(SettingsFile, AValidFileComesThroughUnchanged) {
    settings_block s;
    default_settings(&s);
    s.width = 700;
    s.height = 500;
    s.bit_depth = 32;
    s.smoke_detail = 0.75f;
    s.audio_level = 0.3f;
    s.display_flags = SHOW_RADAR | SHOW_MARKS;
    s.view_mode = 1;
    s.key_fire = 'x';
    for (int i = 0; i < 512; ++i)
        s.reserved[i] = static_cast<uint8_t>(i * 7);
    memset(s.high_names[3], 'z', 19);
    s.high_names[3][19] = 0;
    settings_block back = round_trip(s);
    EXPECT_EQ(block_bytes(back), block_bytes(s));
}

TEST_F(SettingsFile, WrongVersionOrShortFileMeansAbsent) {
    settings_block s;
    default_settings(&s);
    s.version = 2;
    s.width = 800;
    s.height = 600;
    EXPECT_EQ(round_trip(s).width, 640);

    s.version = 1;
    auto bytes = block_bytes(s);
    bytes.resize(807);
    write_file(path(), bytes);
    read_settings(g, path().c_str());
    EXPECT_EQ(g->settings.width, 640);
}

TEST_F(SettingsFile, FullScreenSizesSnapToAModeAndStartWindowed) {
    settings_block s;
    default_settings(&s);
    s.fullscreen = 1;
    s.width = 1000;
    s.height = 700;
    settings_block back = round_trip(s);
    EXPECT_EQ(back.width, 1024);
    EXPECT_EQ(back.height, 768);
    EXPECT_EQ(back.fullscreen, 0);

    s.width = 800;
    s.height = 600;
    EXPECT_EQ(round_trip(s).width, 800);

    s.fullscreen = 0;
    s.width = 700;
    s.height = 500;
    EXPECT_EQ(round_trip(s).width, 700);

    EXPECT_EQ(snap_resolution(640, 480), 0);
    EXPECT_EQ(snap_resolution(641, 480), 1);
    EXPECT_EQ(snap_resolution(2000, 2000), 3);
}

TEST_F(SettingsFile, EachDamagedFieldGetsItsOwnDefaultBack) {
    settings_block good;
    default_settings(&good);
    good.audio_level = 0.5f;
    good.key_fire = 'f';

    struct damage {
        const char *what;
        void (*apply)(settings_block &);
        bool (*mended)(const settings_block &);
    };
    const damage cases[] = {
        {"zero width", [](settings_block &s) { s.width = 0; },
         [](const settings_block &s) { return s.width == 640; }},
        {"huge size", [](settings_block &s) { s.height = 100000; },
         [](const settings_block &s) { return s.width == 640 && s.height == 480; }},
        {"odd depth", [](settings_block &s) { s.bit_depth = 24; },
         [](const settings_block &s) { return s.bit_depth == 16; }},
        {"zero smoke", [](settings_block &s) { s.smoke_detail = 0; },
         [](const settings_block &s) { return s.smoke_detail == 1.5f; }},
        {"negative smoke", [](settings_block &s) { s.smoke_detail = -2; },
         [](const settings_block &s) { return s.smoke_detail == 1.5f; }},
        {"NaN smoke", [](settings_block &s) { s.smoke_detail = NAN; },
         [](const settings_block &s) { return s.smoke_detail == 1.5f; }},
        {"loud audio", [](settings_block &s) { s.audio_level = 7; },
         [](const settings_block &s) { return s.audio_level == 0.8f; }},
        {"NaN audio", [](settings_block &s) { s.audio_level = NAN; },
         [](const settings_block &s) { return s.audio_level == 0.8f; }},
        {"key past the table", [](settings_block &s) { s.key_fire = 4000; },
         [](const settings_block &s) { return s.key_fire == 32; }},
        {"key zero", [](settings_block &s) { s.key_left = 0; },
         [](const settings_block &s) { return s.key_left == 276; }},
        {"view mode", [](settings_block &s) { s.view_mode = 9; },
         [](const settings_block &s) { return s.view_mode == 0; }},
        {"unterminated name", [](settings_block &s) { memset(s.high_names[4], 'a', 20); },
         [](const settings_block &s) { return strlen(s.high_names[4]) == 19; }},
    };
    for (const damage &d : cases) {
        settings_block s = good;
        d.apply(s);
        settings_block back = round_trip(s);
        EXPECT_TRUE(d.mended(back)) << d.what;
        // Everything else survives: the untouched fields keep the file's values.
        if (std::string(d.what) != "loud audio" && std::string(d.what) != "NaN audio") {
            EXPECT_FLOAT_EQ(back.audio_level, 0.5f) << d.what;
        }
        if (std::string(d.what) != "key past the table") {
            EXPECT_EQ(back.key_fire, 'f') << d.what;
        }
        EXPECT_EQ(back.high_scores[0], 10000) << d.what;
    }
}

TEST_F(SettingsFile, WriteReplacesTheFileWholeAndLeavesNoTemporary) {
    default_settings(&g->settings);
    g->settings.high_scores[0] = 123456;
    ASSERT_TRUE(write_settings(g, path().c_str()));
    auto bytes = read_file(path());
    ASSERT_EQ(bytes.size(), 808u);
    int32_t version, top;
    memcpy(&version, bytes.data(), 4);
    memcpy(&top, bytes.data() + 568, 4);
    EXPECT_EQ(version, 1);
    EXPECT_EQ(top, 123456);
    EXPECT_NE(access((path() + ".new").c_str(), F_OK), 0);
}

TEST_F(SettingsFile, AFailedWriteLeavesTheOldFileAlone) {
    default_settings(&g->settings);
    ASSERT_TRUE(write_settings(g, path().c_str()));
    auto before = read_file(path());
    // A directory where the temporary file goes makes the write fail, even for root.
    mkdir((path() + ".new").c_str(), 0700);
    g->settings.width = 1024;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(write_settings(g, path().c_str()));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("cannot write settings"), std::string::npos);
    EXPECT_EQ(read_file(path()), before);
}

} // namespace
