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
        {"tiny smoke", [](settings_block &s) { s.smoke_detail = 1e-4f; },
         [](const settings_block &s) { return s.smoke_detail == 0.5f; }},
        {"smoke between steps", [](settings_block &s) { s.smoke_detail = 1.2f; },
         [](const settings_block &s) { return s.smoke_detail == 1.0f; }},
        {"huge smoke", [](settings_block &s) { s.smoke_detail = 100; },
         [](const settings_block &s) { return s.smoke_detail == 3.0f; }},
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

// Where the settings go: a plain file is replaced whole with no temporary left; a link keeps
// pointing at its target, which gets the settings; with no room for a temporary file the file
// is written in place; a file made read-only, or a directory that takes nothing, keeps what it
// had and the failure is reported.
TEST_F(SettingsFile, WritesReachTheFileThroughLinksAndLockedDirectoriesButNotReadOnlyFiles) {
    std::string elsewhere = dir.file("dotfiles");
    mkdir(elsewhere.c_str(), 0700);
    std::string linked = elsewhere + "/hollowmere.cfg";
    struct case_t {
        const char *name;
        void (*stage)(const std::string &path, const std::string &linked);
        std::string written; // the file that must hold the new settings, or "" for none
        bool ok;
    } cases[] = {
        {"plain file", [](const std::string &, const std::string &) {}, path(), true},
        {"relative link",
         [](const std::string &p, const std::string &) { symlink("dotfiles/hollowmere.cfg", p.c_str()); },
         linked, true},
        {"no room beside it",
         [](const std::string &p, const std::string &) { mkdir((p + ".new").c_str(), 0700); }, path(), true},
        {"read-only file", [](const std::string &p, const std::string &) { chmod(p.c_str(), 0444); }, "",
         false},
        {"read-only link target",
         [](const std::string &p, const std::string &l) {
             symlink(l.c_str(), p.c_str());
             chmod(l.c_str(), 0444);
         },
         "", false},
    };
    for (const case_t &c : cases) {
        SCOPED_TRACE(c.name);
        unlink(path().c_str());
        rmdir((path() + ".new").c_str());
        default_settings(&g->settings);
        write_file(path(), block_bytes(g->settings));
        chmod(linked.c_str(), 0600);
        write_file(linked, block_bytes(g->settings));
        bool via_link = std::string(c.name).find("link") != std::string::npos;
        if (via_link) unlink(path().c_str());
        c.stage(path(), linked);

        g->settings.high_scores[0] = 123456;
        testing::internal::CaptureStderr();
        EXPECT_EQ(write_settings(g, path().c_str()), c.ok);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(err.find("hollowmere.cfg: cannot write settings: ") != std::string::npos, !c.ok) << err;
        for (const std::string &file :
             via_link ? std::vector<std::string>{linked} : std::vector{path(), linked}) {
            settings_block back;
            auto bytes = read_file(file);
            ASSERT_EQ(bytes.size(), 808u) << file;
            memcpy(&back, bytes.data(), sizeof back);
            EXPECT_EQ(back.high_scores[0] == 123456, file == c.written) << file;
        }
        struct stat st;
        EXPECT_EQ(lstat(path().c_str(), &st), 0);
        EXPECT_EQ(S_ISLNK(st.st_mode), std::string(c.name).find("link") != std::string::npos);
        EXPECT_NE(access((path() + ".new").c_str(), F_OK) == 0 && std::string(c.name) != "no room beside it",
                  true);
        EXPECT_NE(access((linked + ".new").c_str(), F_OK), 0);
    }
}

} // namespace
