// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The platform layer, on every system the game is built for: a file reads back byte for byte
// whatever it holds (line ends and end-of-file marks too), a replace takes the place of a file
// that is there, every time, as the settings written at each exit must, and the game's two files
// are where the system's players expect them.

#include "core/core.h"
#include "pack/pack.h"
#include "platform/platform.h"
#include "support/test_support.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

// Bytes that a text-mode read would change: CR LF pairs, lone CRs and the 0x1A end-of-file mark.
std::vector<uint8_t> awkward_bytes() {
    std::vector<uint8_t> v;
    for (int i = 0; i < 768; ++i)
        v.push_back(static_cast<uint8_t>(i));
    for (uint8_t b : {0x0d, 0x0a, 0x1a, 0x0d, 0x0d, 0x0a, 0x0a, 0x1a, 0x00})
        v.insert(v.end(), 50, b);
    return v;
}

TEST(PlatformFiles, EveryByteReadsBackAndAPackOfLineEndsAndEndMarksLoadsWhole) {
    scratch_dir dir;
    const std::vector<uint8_t> bytes = awkward_bytes();
    write_file(dir.file("bytes"), bytes);
    size_t size = 0;
    int error = -1;
    uint8_t *read = read_file_bytes(dir.file("bytes").c_str(), &size, &error);
    ASSERT_NE(read, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(read, read + size), bytes);
    EXPECT_EQ(error, 0);
    free(read);
    EXPECT_EQ(read_file_bytes(dir.file("absent").c_str(), &size, &error), nullptr);
    EXPECT_EQ(error, ENOENT);

    // The pack's run-length coding keeps these bytes in literal packets and runs alike.
    write_file(dir.file("hollowmere.data"), make_pack({{"audio_barrel_drop", bytes}, {"texture_a", {0x1a}}}));
    testing::internal::CaptureStdout();
    pack_entry *head = load_pack(dir.file("hollowmere.data").c_str());
    testing::internal::GetCapturedStdout();
    ASSERT_EQ(count_pack_entries(head), 2);
    pack_entry *drop = find_resource(head, "audio_barrel_drop");
    ASSERT_NE(drop, nullptr);
    EXPECT_EQ(std::vector<uint8_t>(drop->data, drop->data + drop->size), bytes);
    free_pack(head);
}

// A replace over a file that is there, three times running; a missing source fails and leaves
// the target as it was.
TEST(PlatformFiles, AReplaceTakesThePlaceOfTheFileThereEveryTime) {
    scratch_dir dir;
    const std::string target = dir.file("target"), source = dir.file("target.new");
    for (uint8_t round : {1, 2, 3}) {
        write_file(source, std::vector<uint8_t>(round, round));
        EXPECT_TRUE(replace_file(source.c_str(), target.c_str())) << int(round) << ": " << strerror(errno);
        EXPECT_EQ(read_file(target), std::vector<uint8_t>(round, round));
        EXPECT_FALSE(std::filesystem::exists(source));
    }
    errno = 0;
    EXPECT_FALSE(replace_file(source.c_str(), target.c_str()));
    EXPECT_EQ(errno, ENOENT);
    EXPECT_EQ(read_file(target), std::vector<uint8_t>(3, 3));
    EXPECT_TRUE(remove_file(target.c_str()));
    EXPECT_FALSE(remove_file(target.c_str()));
}

// Every exit writes the settings over the last exit's file, and the next start reads them; a file
// made read-only keeps what it has and the refusal is reported.
TEST(PlatformFiles, SettingsAreWrittenOverTheLastOnesAtEveryExitButNotOverAReadOnlyFile) {
    scratch_dir dir;
    const std::string path = dir.file("hollowmere.cfg");
    game_record *g = make_test_game();
    for (int score : {111, 222, 333}) {
        g->settings.high_scores[0] = score;
        testing::internal::CaptureStderr();
        EXPECT_TRUE(write_settings(g, path.c_str()));
        EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
        g->settings.high_scores[0] = 0;
        read_settings(g, path.c_str());
        EXPECT_EQ(g->settings.high_scores[0], score);
        EXPECT_FALSE(std::filesystem::exists(path + ".new"));
    }
    namespace fs = std::filesystem;
    fs::permissions(path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                    fs::perm_options::remove);
    g->settings.high_scores[0] = 444;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(write_settings(g, path.c_str()));
    EXPECT_NE(testing::internal::GetCapturedStderr().find("hollowmere.cfg: cannot write settings: "),
              std::string::npos);
    read_settings(g, path.c_str());
    EXPECT_EQ(g->settings.high_scores[0], 333);
    free_test_game(g);
}

#ifdef _WIN32
// Windows: the settings in %APPDATA%\Hollowmere, made when missing; the pack beside the
// executable unless the player put one in that folder.
TEST(PlatformPlaces, SettingsInApplicationDataAndThePackBesideTheGameUnlessThePlayerHasOne) {
    namespace fs = std::filesystem;
    scratch_dir dir;
    const char *saved = getenv("APPDATA");
    const std::string kept = saved ? saved : "";
    set_environment("APPDATA", dir.path.c_str());
    game_files files = locate_game_files();
    const fs::path folder = fs::path(dir.path) / "Hollowmere";
    EXPECT_TRUE(fs::is_directory(folder));
    EXPECT_TRUE(fs::equivalent(fs::path(files.settings).parent_path(), folder));
    EXPECT_EQ(fs::path(files.settings).filename(), "hollowmere.cfg");
    EXPECT_TRUE(fs::path(files.pack).is_absolute());
    EXPECT_TRUE(fs::exists(fs::path(files.pack).parent_path() / "test_platform.exe")) << files.pack;
    write_file((folder / "hollowmere.data").string(), {1});
    EXPECT_TRUE(fs::equivalent(locate_game_files().pack, folder / "hollowmere.data"));
    set_environment("APPDATA", kept.c_str());
}
#else
// POSIX: both in the working directory, where the launcher puts the player.
TEST(PlatformPlaces, BothFilesInTheWorkingDirectory) {
    game_files files = locate_game_files();
    EXPECT_EQ(files.pack, "hollowmere.data");
    EXPECT_EQ(files.settings, "hollowmere.cfg");
}
#endif

} // namespace
