// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The settings file: defaults, version, snapping of full-screen sizes, damaged fields put
// back one by one, and the atomic write that never loses the old file.

#include "core/core.h"
#include "support/test_support.h"

#include <cmath>
#include <cstddef>
#include <cstring>
#include <gtest/gtest.h>
#include <tuple>
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

// No file gives the defaults. A valid file comes through byte for byte; another version, or a
// file one byte short, is taken as absent; a full-screen size snaps to a mode and the game
// starts windowed.
TEST_F(SettingsFile, NoFileGivesTheDefaultsAValidFileComesThroughAndOnlyFullScreenSizesSnap) {
    read_settings(g, path().c_str());
    settings_block s = g->settings;
    EXPECT_EQ(
        std::vector<int>({s.version, s.fullscreen, s.width, s.height, s.bit_depth, s.display_flags,
                          s.view_mode, s.key_left, s.key_right, s.key_forward, s.key_reverse, s.key_fire}),
        std::vector<int>({1, 0, 640, 480, 16, -1, 0, 276, 275, 273, 274, 32}));
    EXPECT_EQ(std::make_pair(s.smoke_detail, s.audio_level), std::make_pair(1.5f, 0.8f));
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(s.high_scores[i], 10000 - 1000 * i);
        EXPECT_STREQ(s.high_names[i], "quenby");
    }
    s.width = 700, s.height = 500, s.bit_depth = 32, s.smoke_detail = 0.75f, s.audio_level = 0.3f;
    s.display_flags = SHOW_RADAR | SHOW_MARKS, s.view_mode = 1, s.key_fire = 'x';
    for (int i = 0; i < 512; ++i)
        s.reserved[i] = static_cast<uint8_t>(i * 7);
    memset(s.high_names[3], 'z', 19);
    EXPECT_EQ(block_bytes(round_trip(s)), block_bytes(s));
    const struct {
        int version, fullscreen, width, height, bytes, read_width, read_height;
    } cases[] = {
        {2, 0, 800, 600, 808, 640, 480}, {1, 0, 800, 600, 807, 640, 480}, {1, 1, 1000, 700, 808, 1024, 768},
        {1, 1, 800, 600, 808, 800, 600}, {1, 1, 641, 480, 808, 800, 600}, {1, 1, 2000, 2000, 808, 1280, 1024},
        {1, 0, 641, 481, 808, 641, 481},
    };
    for (const auto &c : cases) {
        s.version = c.version, s.fullscreen = c.fullscreen, s.width = c.width, s.height = c.height;
        std::vector<uint8_t> bytes = block_bytes(s);
        bytes.resize(c.bytes);
        write_file(path(), bytes);
        read_settings(g, path().c_str());
        EXPECT_EQ(std::tuple(g->settings.width, g->settings.height, g->settings.fullscreen),
                  std::tuple(c.read_width, c.read_height, 0))
            << c.version << " " << c.fullscreen << " " << c.width << "x" << c.height << " " << c.bytes;
    }
}

// A damaged field gets its own default (the smoke spacing the nearest menu step) and every
// other field keeps the file's value.
TEST_F(SettingsFile, EachDamagedFieldGetsItsOwnDefaultBack) {
    settings_block good;
    default_settings(&good);
    good.audio_level = 0.5f;
    good.key_fire = 'f';
    auto mends = [&](auto field, auto value, auto mended) {
        settings_block damaged = good, expected = good;
        damaged.*field = value;
        expected.*field = mended;
        EXPECT_EQ(block_bytes(round_trip(damaged)), block_bytes(expected)) << value << " -> " << mended;
    };
    mends(&settings_block::width, 0, 640);
    mends(&settings_block::height, 100000, 480);
    mends(&settings_block::bit_depth, 24, 16);
    for (auto [bad, step] :
         {std::pair{0.0f, 1.5f}, {-2.0f, 1.5f}, {NAN, 1.5f}, {1e-4f, 0.5f}, {1.2f, 1.0f}, {100.0f, 3.0f}})
        mends(&settings_block::smoke_detail, bad, step);
    mends(&settings_block::audio_level, 7.0f, 0.8f);
    mends(&settings_block::audio_level, NAN, 0.8f);
    mends(&settings_block::key_fire, 4000, 32);
    mends(&settings_block::key_left, 0, 276);
    mends(&settings_block::view_mode, 9, 0);
    settings_block unterminated = good;
    memset(unterminated.high_names[4], 'a', NAME_LENGTH);
    EXPECT_EQ(strlen(round_trip(unterminated).high_names[4]), 19u);
}

// Where the settings go: a plain file is replaced whole with no temporary left; a link keeps
// pointing at its target, which gets the settings; with no room for a temporary file the file
// is written in place; a file made read-only, or a directory that takes nothing, keeps what it
// had and the failure is reported.
TEST_F(SettingsFile, WritesReachTheFileThroughLinksAndLockedDirectoriesButNotReadOnlyFiles) {
    mkdir(dir.file("dotfiles").c_str(), 0700);
    const std::string linked = dir.file("dotfiles/hollowmere.cfg");
    struct case_t {
        const char *name;
        void (*stage)(const std::string &path, const std::string &linked);
        std::string written; // the file that must hold the new settings, or "" for none
        bool ok;
    } cases[] = {
        {"plain file", [](auto &, auto &) {}, path(), true},
        {"relative link", [](auto &p, auto &) { symlink("dotfiles/hollowmere.cfg", p.c_str()); }, linked,
         true},
        {"no room beside it", [](auto &p, auto &) { mkdir((p + ".new").c_str(), 0700); }, path(), true},
        {"read-only file", [](auto &p, auto &) { chmod(p.c_str(), 0444); }, "", false},
        {"read-only link target",
         [](auto &p, auto &l) {
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
        const std::vector<uint8_t> old = block_bytes(g->settings);
        write_file(path(), old);
        chmod(linked.c_str(), 0600);
        write_file(linked, old);
        bool via_link = std::string(c.name).find("link") != std::string::npos;
        if (via_link) unlink(path().c_str());
        c.stage(path(), linked);

        g->settings.high_scores[0] = 123456;
        testing::internal::CaptureStderr();
        EXPECT_EQ(write_settings(g, path().c_str()), c.ok);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(err.find("hollowmere.cfg: cannot write settings: ") != std::string::npos, !c.ok) << err;
        for (const std::string &file :
             via_link ? std::vector<std::string>{linked} : std::vector{path(), linked})
            EXPECT_EQ(read_file(file), file == c.written ? block_bytes(g->settings) : old) << file;
        struct stat st;
        EXPECT_EQ(lstat(path().c_str(), &st), 0);
        EXPECT_EQ(S_ISLNK(st.st_mode), via_link);
        EXPECT_NE(access((path() + ".new").c_str(), F_OK) == 0 && std::string(c.name) != "no room beside it",
                  true);
        EXPECT_NE(access((linked + ".new").c_str(), F_OK), 0);
    }
}

} // namespace
