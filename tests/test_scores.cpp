// High scores and name entry: the line editor's keys, cursor rules, shift mapping and which
// keys click, the insertion into the table, and the hand-over from the game-over frame.
// Clicks are observed as new instances at the head of the mixer's list (dummy audio driver).

#include "audio/audio.h"
#include "core/core.h"
#include "pack/pack.h"
#include "support/test_support.h"

#include <SDL/SDL.h>
#include <cstring>
#include <gtest/gtest.h>
#include <string>

namespace {

class NameEntry : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        scratch_dir dir;
        std::vector<int16_t> samples(4000, 1000);
        write_file(dir.file("p.data"), make_pack({{"audio_menu_sound", make_wav(16000, samples)}}));
        pack = load_pack(dir.file("p.data").c_str());
        start_audio();
        SDL_PauseAudio(1); // instances stay put while the tests look at them
    }
    // The mixing thread must be gone before the process tears its statics down.
    static void TearDownTestSuite() {
        SDL_CloseAudio();
        audio_open = false;
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
    }
    void SetUp() override {
        g = make_test_game();
        g->pack = pack;
        g->flags = FLAG_GAME_OVER | FLAG_QUALIFIES;
        zero_bytes(g->player_name, NAME_LENGTH);
        reset_name_cursor();
        std::memset(key_state, 0, sizeof key_state);
    }
    void TearDown() override { free_test_game(g); }

    // One frame with the given key going down; reports whether it completed the name.
    int press(int sym, bool shift = false) {
        key_state[SDLK_LSHIFT] = shift ? 1 : 0;
        key_event(sym, true);
        int done = name_entry(0);
        key_event(sym, false);
        key_state[SDLK_LSHIFT] = 0;
        return done;
    }
    // Like press, and tells whether the key clicked.
    bool clicks(int sym) {
        sound_instance *before = sound_instances;
        press(sym);
        return sound_instances != before;
    }
    void type(const char *text) {
        for (const char *p = text; *p; ++p)
            press(*p);
    }
    std::string name() const { return std::string(g->player_name); }

    static inline pack_entry *pack = nullptr;
    game_record *g = nullptr;
};

TEST_F(NameEntry, ReturnOrEscapeCompletesTheName) {
    EXPECT_EQ(name_entry(0), 0) << "no key, nothing happens";
    EXPECT_EQ(press(SDLK_RETURN), 1);
    EXPECT_EQ(name(), "");
    EXPECT_EQ(last_key, 0) << "the key is taken from other handlers";
    type("ab");
    EXPECT_EQ(press(SDLK_ESCAPE), 1);
    EXPECT_EQ(name(), "ab");
}

TEST_F(NameEntry, ShiftGivesUsLayoutCharacters) {
    press('a');
    press('a', true);
    press('1', true);
    press('\\');
    EXPECT_EQ(name(), "aA!\\");
    EXPECT_EQ(g->name_cursor, 4);
    press('5', true);
    press('s');
    EXPECT_EQ(name(), "aA!\\%s") << "a typed % is stored as itself";

    EXPECT_EQ(shift_char('`'), '~') << "the last of the 48";
    EXPECT_EQ(shift_char(0), 0) << "not in the unshifted row";
}

TEST_F(NameEntry, BackspaceDeletesBeforeTheCursorAndClicksEvenAtTheStart) {
    EXPECT_TRUE(clicks(SDLK_BACKSPACE)) << "backspace at 0 still clicks";
    EXPECT_EQ(name(), "");
    EXPECT_EQ(g->name_cursor, 0);
    type("abcd");
    press(SDLK_LEFT);
    press(SDLK_BACKSPACE);
    EXPECT_EQ(name(), "abd");
    EXPECT_EQ(g->name_cursor, 2);
    press('x');
    EXPECT_EQ(name(), "abxd") << "insertion happens at the cursor";
}

TEST_F(NameEntry, FullNameReplacesAtTheEndAndDropsTheLastWhenInserting) {
    type("abcdefghijklmnopqrs"); // 19 characters
    EXPECT_EQ(g->name_cursor, 18) << "the shown cursor stays on the last character";
    press('z');
    EXPECT_EQ(name(), "abcdefghijklmnopqrz");
    for (int i = 0; i < 14; ++i)
        press(SDLK_LEFT);
    EXPECT_EQ(g->name_cursor, 5);
    press('Q', false);
    EXPECT_EQ(name(), "abcdeqfghijklmnopqr") << "inserted at 5 in lower case, the 19th falls off";
    EXPECT_EQ(g->player_name[19], 0);
}

TEST_F(NameEntry, RightArrowStopsAtTheEndOfTheText) {
    type("ab");
    press(SDLK_LEFT);
    press(SDLK_LEFT);
    press(SDLK_RIGHT);
    press(SDLK_RIGHT);
    press(SDLK_RIGHT);
    EXPECT_EQ(g->name_cursor, 2);
    press('c');
    EXPECT_EQ(name(), "abc");
}

TEST_F(NameEntry, KeypadAndFunctionKeysAreSilentAndTypeNothing) {
    type("a");
    EXPECT_FALSE(clicks(SDLK_KP1));
    EXPECT_FALSE(clicks(SDLK_F1));
    EXPECT_FALSE(clicks(SDLK_LSHIFT));
    EXPECT_FALSE(clicks(SDLK_TAB)) << "control characters are not typed";
    EXPECT_EQ(name(), "a");
    EXPECT_TRUE(clicks('b'));
    EXPECT_TRUE(clicks(SDLK_LEFT));
}

TEST_F(NameEntry, CompletedNameEntersTheTableAndEndsTheEntryState) {
    g->score = 5000;
    type("zed");
    key_event(SDLK_RETURN, true);
    advance_frame(g, 16);
    key_event(SDLK_RETURN, false);
    EXPECT_EQ(g->flags, FLAG_GAME_OVER) << "back to the title";
    EXPECT_EQ(g->settings.high_scores[6], 5000);
    EXPECT_STREQ(g->settings.high_names[6], "zed");

    // Escape during name entry completes the name and does not open the menu.
    g->flags = FLAG_GAME_OVER | FLAG_QUALIFIES;
    key_event(SDLK_ESCAPE, true);
    advance_frame(g, 16);
    EXPECT_EQ(g->flags, FLAG_GAME_OVER);
    key_event(SDLK_ESCAPE, false);
}

TEST_F(NameEntry, EnteredScoreSurvivesARestart) {
    g->score = 9500;
    type("Ann%d");
    key_event(SDLK_RETURN, true);
    advance_frame(g, 16);
    key_event(SDLK_RETURN, false);
    scratch_dir dir;
    ASSERT_TRUE(write_settings(g, dir.file("hollowmere.cfg").c_str()));

    game_record *next = make_test_game();
    zero_bytes(&next->settings, sizeof next->settings);
    read_settings(next, dir.file("hollowmere.cfg").c_str());
    EXPECT_EQ(next->settings.high_scores[1], 9500);
    EXPECT_STREQ(next->settings.high_names[1], "ann%d") << "typed text is kept as typed, never as a format";
    EXPECT_EQ(next->settings.high_scores[9], 2000);
    free_test_game(next);
    game = g;
}

TEST(HighScores, InsertingKeepsOrderAndDropsTheLowest) {
    game_record *g = make_test_game();
    insert_high_score(g, 5000, "newbie");
    const int expected[10] = {10000, 9000, 8000, 7000, 6000, 5000, 5000, 4000, 3000, 2000};
    for (int i = 0; i < 10; ++i)
        EXPECT_EQ(g->settings.high_scores[i], expected[i]) << i;
    EXPECT_STREQ(g->settings.high_names[5], "quenby");
    EXPECT_STREQ(g->settings.high_names[6], "newbie");

    insert_high_score(g, 2000, "tie");
    EXPECT_EQ(g->settings.high_scores[9], 2000);
    EXPECT_STREQ(g->settings.high_names[9], "quenby") << "equalling the lowest does not enter";

    insert_high_score(g, 20000, "");
    EXPECT_EQ(g->settings.high_scores[0], 20000);
    EXPECT_STREQ(g->settings.high_names[0], "");
    EXPECT_EQ(g->settings.high_scores[9], 3000);

    char long_name[40];
    std::memset(long_name, 'x', sizeof long_name - 1);
    long_name[39] = 0;
    insert_high_score(g, 30000, long_name);
    EXPECT_EQ(std::strlen(g->settings.high_names[0]), 19u) << "a name always ends inside its entry";
    free_test_game(g);
}

} // namespace
