// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Replays: a game recorded through the frame loop (the scripted pilot at the keys, frame times
// that jitter, a long frame, the menu opened with its settings changed) plays back to the same
// score and fingerprint from its file; a changed control or another simulation version is
// told apart; and damaged files and states are refused with their fault, whatever the damage.
// The stored golden replays (tests/replays/) are games recorded here: HOLLOWMERE_UPDATE_GOLDEN=1
// writes them afresh, with the line each verifies to, which the test command has
// hollowmere-replay check natively, under Wine and under Node.js.

#include "combat/combat.h"
#include "core/core.h"
#include "platform/platform.h"
#include "render/render.h"
#include "replay/replay.h"
#include "world/world.h"

#include "support/test_support.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

enum { END_PLAYING, END_IN_MENU, END_AFTER_MENU };
struct game_plan {
    unsigned seed;
    int frames;                     // at most this many
    int ending = END_PLAYING;       // after `frames`, quit with the menu still open or just closed
    int pilot_frames = INT_MAX;     // the collector pilot plays this many, then leaves the keys
    bool to_every_power_up = false; // ends 100 frames after the player's tank has held every kind
    bool open_table = false;        // played against a table that every score enters
};

// One recorded game; the frame loop's own dispatch runs every frame. It ends when the game
// does, or as quitting would. *kinds gathers the power-up bits the player's tank held.
replay record_game(const game_plan &plan, int *kinds = nullptr) {
    const int frames = plan.frames, ending = plan.ending;
    driver_options o{.seed = plan.seed, .pilot = PILOT_COLLECTOR, .field = true};
    game_record *g = start_headless_game(o);
    set_replay_folder("");
    if (plan.open_table) g->settings.high_scores[HIGH_SCORE_COUNT - 1] = INT_MIN;
    record_start(g);
    const int jitter[] = {10, 11, 9, 10, 12, 8};
    int held = 0, last = -1;
    for (int i = 0; i < frames && i != last && !(g->flags & FLAG_GAME_OVER); ++i) {
        if (i == 700) g->flags |= FLAG_MENU; // as escape opens it
        if (i == 703) {
            g->settings.display_flags ^= SHOW_SMOKE;
            g->settings.smoke_detail = smoke_detail_table[4];
        }
        if (i == 706) g->flags &= ~FLAG_MENU; // as "resume" closes it
        if (i == 1200) g->settings.display_flags ^= SHOW_SMOKE;
        if (i == plan.pilot_frames) o.pilot = PILOT_IDLE;
        drive_pilot(g, o);
        if (ending != END_PLAYING && i == frames - 3) g->flags |= FLAG_MENU;
        if (ending == END_AFTER_MENU && i == frames - 1) g->flags &= ~FLAG_MENU;
        int dt = i == 400 ? 250 : (g->flags & FLAG_MENU) ? 100 : jitter[i % 6];
        advance_frame(g, dt);
        if (g->player) held |= g->player->power_ups;
        if (plan.to_every_power_up && held == 0x3f && last < 0) last = i + 100;
    }
    if (ending == END_AFTER_MENU)
        record_flush(g); // as the browser keeps the game when its page goes
    else
        record_stop(g);
    replay r = *current_recording();
    free_headless_game(g);
    if (kinds) *kinds = held;
    return r;
}

std::vector<uint8_t> resealed(std::vector<uint8_t> bytes) {
    uint64_t h = replay_checksum(bytes.data(), bytes.size() - 8);
    for (int i = 0; i < 8; ++i)
        bytes[bytes.size() - 8 + i] = static_cast<uint8_t>(h >> (8 * i));
    return bytes;
}

TEST(Replay, ARecordedGamePlaysBackFromItsFileToTheSameScoreAndFingerprint) {
    replay live = record_game({.seed = 29, .frames = 6000});
    ASSERT_GT(live.frames.size(), 5000u);
    EXPECT_EQ(live.settings.size(), 2u) << "the menu's change and the later one";
    EXPECT_FALSE(live.checkpoints.empty());

    std::vector<uint8_t> bytes = encode_replay(live);
    replay back;
    std::string error;
    ASSERT_TRUE(decode_replay(bytes.data(), bytes.size(), &back, &error)) << error;
    EXPECT_EQ(encode_replay(back), bytes) << "the file says all the recording holds";
    replay bare = live;
    bare.frames.clear();
    bare.checkpoints.clear();
    size_t per_game = encode_replay(bare).size(); // the header and the starting state
    EXPECT_LT(per_game, 2048u);
    EXPECT_LT(bytes.size() - per_game, 4096u * live.duration_ms / 60000) << "within 4 KB a minute of play";

    playback_result p = verify_replay(back);
    EXPECT_EQ(p.outcome, PLAYBACK_VERIFIED) << "drift at " << p.drift_second << " s " << p.fault;
    EXPECT_EQ(p.score, live.score);
    EXPECT_EQ(p.ticks, live.ticks);
    EXPECT_EQ(p.fingerprint, live.final_fingerprint);

    replay changed = back;
    size_t at = 3000;
    changed.frames[at].actions ^= ACT_FIRE;
    playback_result d = verify_replay(changed);
    EXPECT_EQ(d.outcome, PLAYBACK_DRIFTED);
    uint32_t ms_before = 0;
    for (size_t i = 0; i < at; ++i)
        ms_before += changed.frames[i].dt_ms;
    EXPECT_GE(d.drift_second * 1000, ms_before) << "found where it begins, not before";

    replay other = back;
    other.simulation += 1;
    EXPECT_EQ(verify_replay(other).outcome, PLAYBACK_OTHER_SIMULATION);

    // Left in the menu (quit), or kept just after it closed: the playback ends alike; and the
    // table the game was played against is not the game's (a playback has its own).
    for (int ending : {END_IN_MENU, END_AFTER_MENU}) {
        replay left =
            record_game({.seed = 31, .frames = 900, .ending = ending, .open_table = ending == END_IN_MENU});
        playback_result q = verify_replay(left);
        EXPECT_EQ(q.outcome, PLAYBACK_VERIFIED) << ending << ": drift at " << q.drift_second;
        EXPECT_FALSE(left.complete);
    }
}

TEST(Replay, DamagedFilesAreRefusedWithTheirFault) {
    replay live = record_game({.seed = 7, .frames = 800});
    const std::vector<uint8_t> good = encode_replay(live);
    replay r;
    std::string error;
    for (size_t n = 0; n < good.size(); n += (n < 64 ? 1 : 37)) {
        EXPECT_FALSE(decode_replay(good.data(), n, &r, &error)) << "cut at " << n;
        EXPECT_FALSE(error.empty());
    }
    for (size_t i = 0; i < good.size(); i += 13) {
        std::vector<uint8_t> flipped = good;
        flipped[i] ^= static_cast<uint8_t>(1 << (i % 8));
        EXPECT_FALSE(decode_replay(flipped.data(), flipped.size(), &r, &error)) << "bit flipped at " << i;
    }
    const struct {
        const char *what;
        size_t offset;
        std::vector<uint8_t> bytes;
        const char *says;
    } cases[] = {
        {"another file", 0, {'R', 'I', 'F', 'F'}, "not a replay"},
        {"a later format", 4, {2, 0}, "format 2"},
        {"a header longer than the file", 6, {0xff, 0xff}, "truncated in the header"},
        {"a name of 200 bytes", 15, {200}, "longer than"},
        {"a complete flag of 7", 0, {}, "complete flag"},
    };
    size_t header = 8;
    size_t name_at = header + 4 + 1 + good[header + 4] + 8; // simulation, version, date
    size_t complete_at = name_at + 1 + good[name_at] + 12;
    for (const auto &c : cases) {
        std::vector<uint8_t> bad = good;
        size_t at = c.offset;
        if (std::string(c.what) == "a name of 200 bytes") at = name_at;
        if (std::string(c.what) == "a complete flag of 7") {
            at = complete_at;
            bad[at] = 7;
        }
        for (size_t i = 0; i < c.bytes.size(); ++i)
            bad[at + i] = c.bytes[i];
        bad = resealed(bad);
        EXPECT_FALSE(decode_replay(bad.data(), bad.size(), &r, &error)) << c.what;
        EXPECT_NE(error.find(c.says), std::string::npos) << c.what << ": " << error;
    }

    // A frame count of four thousand million, sealed: refused without allocating it.
    std::vector<uint8_t> huge = good;
    size_t at = complete_at + 1;
    for (int s = 0; s < 2; ++s) {
        uint32_t n =
            huge[at] | huge[at + 1] << 8 | huge[at + 2] << 16 | static_cast<uint32_t>(huge[at + 3]) << 24;
        at += 4 + n;
    }
    for (int i = 0; i < 4; ++i)
        huge[at + 4 + i] = 0xff;
    huge = resealed(huge);
    EXPECT_FALSE(decode_replay(huge.data(), huge.size(), &r, &error));
    EXPECT_NE(error.find("more frames"), std::string::npos) << error;
}

TEST(Replay, AStateTakenUpPlaysOnAsTheOriginalAndADamagedOneIsRefused) {
    driver_options o{.seed = 3, .pilot = PILOT_COLLECTOR, .field = true};
    game_record *g = start_headless_game(o);
    for (int i = 0; i < 3000; ++i) {
        drive_pilot(g, o);
        headless_tick(g, o);
    }
    std::vector<uint8_t> state = save_game_state(g);
    const uint64_t fingerprint = state_fingerprint(g);
    random_snapshot random = save_random();

    replay r;
    r.start_state = state;
    r.field_state.clear();
    game_record *copy = start_playback(r, nullptr);
    ASSERT_NE(copy, nullptr);
    // The copy has no field of its own: give it the original's heights to compare all else.
    copy->field = build_field(180.0f, 180.0f, 25, 25);
    copy->field->vertices = g->field->vertices;
    restore_random(random);
    EXPECT_EQ(state_fingerprint(copy), fingerprint);
    free_playback(copy);

    game = g;
    restore_random(random);
    for (size_t n : {size_t{0}, size_t{3}, state.size() / 2, state.size() - 1}) {
        game_record *fresh = new_game_record();
        default_settings(&fresh->settings);
        register_game_tank_types(fresh);
        game = fresh;
        new_game(fresh);
        random_snapshot before = save_random();
        std::string error;
        EXPECT_FALSE(load_game_state(fresh, state.data(), n, &error)) << n;
        EXPECT_FALSE(error.empty());
        random_snapshot after = save_random();
        EXPECT_EQ(std::vector<uint32_t>(before.word, before.word + 31),
                  std::vector<uint32_t>(after.word, after.word + 31))
            << "the generator as it was";
        free_headless_game(fresh);
    }
    // Refused on the screen of a running game: what the game lent the playback stays the game's.
    r.start_state.resize(state.size() / 2);
    tank_type *lent = g->tank_types;
    std::string error;
    EXPECT_EQ(start_playback(r, &error, g), nullptr);
    EXPECT_EQ(error.rfind("damaged: the starting state has ", 0), 0u) << error;
    EXPECT_EQ(g->tank_types, lent);
    EXPECT_NE(find_tank_type(g, "player"), nullptr) << "still whole (a freed list trips ASan here)";
    game = g;
    free_headless_game(g);
}

TEST(Replay, TheGoldenReplaysAreTheGamesTheirPlansPlay) {
    const struct {
        const char *file;
        game_plan plan;
    } goldens[] = {
        // In the order of their names, as the tests list the files.
        {"every_power_up.hmr", {.seed = 17, .frames = 100000, .to_every_power_up = true}},
        // A whole game to its end: the pilot plays the first minute, then the enemies win.
        {"whole_game.hmr", {.seed = 6, .frames = 100000, .pilot_frames = 6000}},
    };
    const char *renew = getenv("HOLLOWMERE_UPDATE_GOLDEN");
    const bool update = renew && strcmp(renew, "1") == 0;
    const std::string folder = HOLLOWMERE_SOURCE_DIR "/tests/replays/";
    std::string lines;
    for (const auto &gold : goldens) {
        SCOPED_TRACE(gold.file);
        int kinds = 0;
        replay live = record_game(gold.plan, &kinds);
        if (gold.plan.to_every_power_up)
            EXPECT_EQ(kinds, 0x3f) << "the player's tank held every kind";
        else
            EXPECT_TRUE(live.complete) << "the game ran to its end";
        char line[160];
        snprintf(line, sizeof line, "%s: verified: score %d, %u ticks, fingerprint %016" PRIx64 "\n",
                 gold.file, live.score, live.ticks, live.final_fingerprint);
        lines += line;
        std::string path = folder + gold.file;
        if (update) {
            live.date = 1796774400; // 2026-12-09, so that a renewal of the same games changes no byte
            std::vector<uint8_t> bytes = encode_replay(live);
            FILE *f = open_file(path.c_str(), "wb");
            ASSERT_NE(f, nullptr) << path;
            EXPECT_EQ(fwrite(bytes.data(), 1, bytes.size(), f), bytes.size());
            EXPECT_EQ(fclose(f), 0);
            continue;
        }
        size_t size = 0;
        int error = 0;
        uint8_t *stored = read_file_bytes(path.c_str(), &size, &error);
        ASSERT_NE(stored, nullptr) << path << ": " << strerror(error);
        replay kept;
        std::string why;
        bool read = decode_replay(stored, size, &kept, &why);
        free(stored);
        ASSERT_TRUE(read) << why;
        // All but the day and the build it was made with is the game played now.
        live.date = kept.date;
        live.game_version = kept.game_version;
        EXPECT_EQ(encode_replay(live), encode_replay(kept))
            << "the game now ends with score " << live.score << " after " << live.ticks
            << " ticks; a changed simulation renews the goldens (HOLLOWMERE_UPDATE_GOLDEN=1)";
    }
    if (update) {
        FILE *f = open_file((folder + "expected.txt").c_str(), "wb");
        ASSERT_NE(f, nullptr);
        EXPECT_GE(fputs(lines.c_str(), f), 0);
        EXPECT_EQ(fclose(f), 0);
    }
}

} // namespace

namespace {

// A game of the idle pilot recorded to its end (every barrel gone), in `folder`.
game_record *finished_game(const std::string &folder) {
    driver_options o{.seed = 17, .pilot = PILOT_IDLE};
    game_record *g = start_headless_game(o);
    set_replay_folder(folder);
    record_start(g);
    for (int i = 0; i < 200000 && !(g->flags & FLAG_GAME_OVER); ++i)
        advance_frame(g, 20);
    return g;
}

} // namespace

TEST(Replay, AHighScoreEntryKeepsItsGameUntilItLeavesTheTable) {
    scratch_dir dir;
    const std::string folder = dir.file("replays");
    game_record *g = finished_game(folder);
    ASSERT_TRUE(g->flags & FLAG_GAME_OVER);
    ASSERT_NE(finished_recording(), nullptr);
    for (int i = 0; i < HIGH_SCORE_COUNT; ++i)
        g->settings.high_scores[i] = -10000 - i; // a table the idle game's score enters at the top
    insert_high_score(g, g->score, "ada");
    keep_replay_for_entry(g, g->score, "ada");

    std::string kept = entry_replay_path(g, 0);
    ASSERT_FALSE(kept.empty());
    std::vector<uint8_t> bytes = read_file(kept);
    replay r;
    std::string error;
    ASSERT_TRUE(decode_replay(bytes.data(), bytes.size(), &r, &error)) << error;
    EXPECT_EQ(r.player, "ada");
    EXPECT_EQ(r.score, g->score);
    EXPECT_TRUE(r.complete);
    EXPECT_EQ(verify_replay(r).outcome, PLAYBACK_VERIFIED);
    std::vector<uint8_t> last = read_file(folder + "/last.hmr");
    ASSERT_TRUE(decode_replay(last.data(), last.size(), &r, &error)) << error;
    EXPECT_EQ(r.player, "ada") << "last.hmr has the name too";
    for (int i = 1; i < HIGH_SCORE_COUNT; ++i)
        EXPECT_EQ(entry_replay_path(g, i), "") << i;

    // Another copy of the game puts a better score above it: the entry moves, its game with it.
    game = g;
    int score = g->score;
    insert_high_score(g, score + 1, "bo");
    EXPECT_EQ(entry_replay_path(g, 0), "");
    EXPECT_EQ(entry_replay_path(g, 1), kept);

    // Pushed off the table by ten better games, it loses its replay at the next change.
    for (int i = 0; i < HIGH_SCORE_COUNT; ++i)
        insert_high_score(g, score + 100 + i, "cy");
    prune_table_replays(g);
    EXPECT_TRUE(read_file(kept).empty()) << "the file is gone";
    EXPECT_FALSE(read_file(folder + "/last.hmr").empty()) << "the latest game stays";
    set_replay_folder("");
    free_headless_game(g);
}
