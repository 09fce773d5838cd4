// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// High scores and name entry: the line editor's keys, cursor rules, shift mapping and which
// keys click, the insertion into the table, and the hand-over from the game-over frame.
// Clicks are observed as new instances at the head of the mixer's list; no device mixes them.

#include "audio/audio.h"
#include "core/core.h"
#include "pack/pack.h"
#include "support/test_support.h"

#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

class NameEntry : public ::testing::Test {
  protected:
    // A device format but no device thread: clicks stay listed for the tests to count.
    static void SetUpTestSuite() {
        pack = decode_pack(make_pack({{"audio_menu_sound", make_wav(16000, std::vector<int16_t>(400, 1))}}));
        device_spec = SDL_AudioSpec{16000, AUDIO_S16LSB, 2, 0, 512, 0, 0, nullptr, nullptr};
        audio_open = true;
    }
    void SetUp() override {
        g = make_test_game();
        g->pack = pack;
        g->flags = FLAG_GAME_OVER | FLAG_QUALIFIES;
    }
    void TearDown() override { free_test_game(g); }

    // Presses the keys of text one frame each from an empty name: characters as themselves,
    // '<' and '>' the arrows, '#' keypad 1, '@' F1, and '^' holds shift for the next key.
    // Returns how many keys completed the name, and counts the clicks.
    int keys(const std::string &text) {
        zero_bytes(g->player_name, NAME_LENGTH);
        reset_name_cursor();
        int done = 0;
        clicks = 0;
        for (size_t k = 0; k < text.size(); ++k) {
            const bool shift = text[k] == '^';
            const char c = text[k += shift ? 1 : 0];
            const size_t special = std::string("<>#@").find(c);
            const int sym = special == std::string::npos
                                ? c
                                : std::vector<int>{SDLK_LEFT, SDLK_RIGHT, SDLK_KP1, SDLK_F1}[special];
            key_state[SDLK_LSHIFT] = shift;
            key_event(sym, true);
            sound_instance *before = sound_instances;
            done += name_entry(0);
            clicks += sound_instances != before;
            key_event(sym, false);
        }
        return done;
    }
    static inline pack_entry *pack = nullptr;
    game_record *g = nullptr;
    int clicks = 0;
};

TEST_F(NameEntry, KeysEditTheNameAndClickOnlyWhenTheyAct) {
    const std::string full = "abcdefghijklmnopqrs"; // 19 characters: the most a name holds
    const std::string full_then_back_to_5 = full + std::string(14, '<');
    const std::tuple<std::string, const char *, int, int, int> rows[] = {
        // keys, name, cursor, clicks, keys that completed the name
        {"\r", "", 0, 1, 1},                                          // return at once: an empty name
        {"ab\x1b", "ab", 2, 3, 1},                                    // escape completes as return does
        {"a^a^1\\", "aA!\\", 4, 4, 0},                                // shift maps the US layout
        {"\b", "", 0, 1, 0},                                          // backspace at 0: nothing, yet a click
        {"abcd<\bx", "abxd", 3, 7, 0},                                // deletes and inserts at the cursor
        {full + "z", "abcdefghijklmnopqrz", 18, 20, 0},               // full, at the end: replaces
        {full_then_back_to_5 + "Q", "abcdeqfghijklmnopqr", 6, 34, 0}, // at 5: the 19th falls off
        {"ab<<>>>c", "abc", 3, 8, 0},                                 // right stops at the end of the text
        {"a#@\t", "a", 1, 1, 0},                                      // keypad, function keys, controls
        {"^5s", "%s", 2, 2, 0},                                       // a typed % is kept as itself
    };
    for (const auto &[text, name, cursor, clicked, done] : rows) {
        EXPECT_EQ(keys(text), done) << text;
        EXPECT_STREQ(g->player_name, name) << text;
        EXPECT_EQ(g->name_cursor, cursor) << text;
        EXPECT_EQ(clicks, clicked) << text;
        EXPECT_EQ(last_key, 0) << "the key is taken from other handlers";
    }
    EXPECT_EQ(name_entry(0), 0) << "no key, nothing happens";
    EXPECT_EQ(shift_char('`'), '~') << "the last of the 48";
}

TEST_F(NameEntry, CompletedNameEntersTheTableAndEndsTheEntryState) {
    g->score = 5000;
    for (int sym : {SDLK_RETURN, SDLK_ESCAPE}) { // escape completes the name and opens no menu
        g->flags = FLAG_GAME_OVER | FLAG_QUALIFIES;
        keys("Ann%d");
        key_event(sym, true);
        advance_frame(g, 16);
        key_event(sym, false);
        EXPECT_EQ(g->flags, FLAG_GAME_OVER) << "back to the title";
    }
    EXPECT_EQ(g->settings.high_scores[6], 5000);
    EXPECT_STREQ(g->settings.high_names[6], "ann%d") << "typed text is kept as typed, never as a format";
}

TEST(HighScores, InsertingKeepsOrderAndDropsTheLowest) {
    game_record *g = make_test_game();
    insert_high_score(g, 5000, "newbie");
    insert_high_score(g, 2000, "tie"); // equals the lowest: does not enter
    EXPECT_EQ(std::vector<int>(g->settings.high_scores, g->settings.high_scores + 10),
              std::vector<int>({10000, 9000, 8000, 7000, 6000, 5000, 5000, 4000, 3000, 2000}));
    EXPECT_STREQ(g->settings.high_names[6], "newbie") << "below the equal score";
    EXPECT_STRNE(g->settings.high_names[9], "tie");

    const std::string long_name(39, 'x');
    insert_high_score(g, 30000, long_name.c_str());
    EXPECT_EQ(std::strlen(g->settings.high_names[0]), 19u) << "a name always ends inside its entry";
    free_test_game(g);
}

} // namespace
