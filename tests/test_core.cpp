// The frame update: how a frame's milliseconds become game ticks, the title frame's padding
// and its random draw, the tick that ends the game, when a score qualifies for the table, and
// where the escape key goes in each state.

#include "audio/audio.h"
#include "core/core.h"
#include "render/render.h"
#include "support/test_support.h"

#include "world/world.h"

#include <SDL/SDL.h>
#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <vector>

namespace {

class FrameUpdate : public ::testing::Test {
  protected:
    void SetUp() override {
        g = make_test_game();
        register_game_tank_types(g);
        new_game(g);
        for (int &k : key_state)
            k = 0;
    }
    void TearDown() override {
        for (int &k : key_state)
            k = 0;
        free_test_game(g);
    }
    // Runs one playing frame and returns the number of ticks it ran.
    long play_frame(int dt) {
        g->flags = FLAG_PLAYING;
        long before = game_ticks_run;
        advance_frame(g, dt);
        return game_ticks_run - before;
    }
    game_record *g = nullptr;
};

TEST_F(FrameUpdate, LongFramesAreCutIntoTicksOfAtMostATenth) {
    EXPECT_EQ(play_frame(0), 1);
    EXPECT_FLOAT_EQ(g->tick_seconds, 0.0f);
    EXPECT_EQ(play_frame(100), 1);
    EXPECT_FLOAT_EQ(g->tick_seconds, 0.1f);
    EXPECT_EQ(play_frame(250), 3);
    EXPECT_FLOAT_EQ(g->tick_seconds, 0.05f);
    EXPECT_EQ(play_frame(300), 3);
    EXPECT_FLOAT_EQ(g->tick_seconds, 0.1f);
    EXPECT_EQ(play_frame(301), 4);
    EXPECT_FLOAT_EQ(g->tick_seconds, 0.001f);
}

TEST_F(FrameUpdate, TitleFramesLastATenthAndDrawOneRandomNumber) {
    for (int dt : {0, 40, 100, 250}) {
        SCOPED_TRACE(dt);
        g->flags = FLAG_GAME_OVER;
        srand(5);
        auto start = std::chrono::steady_clock::now();
        advance_frame(g, dt);
        double ms =
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
        int next = rand();
        srand(5);
        rand();
        EXPECT_EQ(next, rand()) << "exactly one draw";
        EXPECT_GE(ms, std::max(0, 100 - dt) - 1);
        EXPECT_TRUE(dt < 100 || ms < 50) << "no padding for a frame that took its tenth: " << ms;
    }
}

TEST_F(FrameUpdate, TheGameEndsInTheTickAfterTheLastBarrelLeaves) {
    for (barrel *b = g->barrels; b; b = b->next)
        b->state = BARREL_GONE;
    g->barrels->state = BARREL_LIFTING;
    g->barrels->lift = 29.9f;
    g->barrels_left = 1;
    play_frame(100);
    EXPECT_EQ(g->barrels_left, 0);
    EXPECT_FALSE(g->flags & FLAG_GAME_OVER);
    g->flags = FLAG_PLAYING;
    advance_frame(g, 100);
    EXPECT_TRUE(g->flags & FLAG_GAME_OVER);
}

TEST_F(FrameUpdate, OnlyAScoreAboveTheLowestEntryQualifies) {
    g->score = g->settings.high_scores[9];
    play_frame(10);
    EXPECT_FALSE(g->flags & FLAG_QUALIFIES);
    g->score = g->settings.high_scores[9] + 1;
    play_frame(10);
    EXPECT_TRUE(g->flags & FLAG_QUALIFIES);
    g->score = 0;
    advance_frame(g, 10); // still playing: the bit follows the score
    EXPECT_FALSE(g->flags & FLAG_QUALIFIES);
}

TEST_F(FrameUpdate, EscapeOpensTheMenuOnceAndFreezesTheGame) {
    g->flags = FLAG_PLAYING;
    key_state[SDLK_ESCAPE] = 1;
    last_key = SDLK_ESCAPE;
    long before = game_ticks_run;
    advance_frame(g, 100);
    EXPECT_TRUE(g->flags & FLAG_MENU);
    EXPECT_EQ(key_state[SDLK_ESCAPE], 0) << "the menu must not see the same press";
    EXPECT_EQ(game_ticks_run, before) << "the game does not advance under the menu";
    EXPECT_FLOAT_EQ(g->tick_seconds, 0.1f);
}

TEST_F(FrameUpdate, EscapeDuringNameEntryBelongsToTheEditor) {
    g->flags = FLAG_GAME_OVER | FLAG_QUALIFIES;
    key_state[SDLK_ESCAPE] = 1;
    advance_frame(g, 10);
    EXPECT_FALSE(g->flags & FLAG_MENU);
    // Once the entry is over the held key opens the menu from the title state.
    g->flags = FLAG_GAME_OVER;
    key_state[SDLK_ESCAPE] = 1;
    advance_frame(g, 100);
    EXPECT_TRUE(g->flags & FLAG_MENU);
}

// What the title does with space: each step is a key event or a title frame, and the game
// before it either ended with space held or did not.
TEST_F(FrameUpdate, TheTitleStartsOnlyOnASpacePressThatBeganAfterTheGameEnded) {
    enum step { DOWN, UP, FRAME };
    struct case_t {
        const char *name;
        bool held_at_end;
        std::vector<step> steps;
        bool starts;
    } cases[] = {
        {"held at start-up", false, {DOWN, FRAME}, true},
        {"a tap between two frames", false, {DOWN, UP, FRAME}, true},
        {"nothing pressed", false, {FRAME, FRAME}, false},
        {"still held from the game", true, {FRAME, FRAME, FRAME}, false},
        {"released only", true, {UP, FRAME}, false},
        {"released and pressed again", true, {FRAME, UP, FRAME, DOWN, FRAME}, true},
        {"released and tapped within one frame", true, {UP, DOWN, UP, FRAME}, true},
    };
    for (const case_t &c : cases) {
        SCOPED_TRACE(c.name);
        new_game(g);
        key_state[SDLK_SPACE] = c.held_at_end;
        g->barrels_left = 0;
        play_frame(10); // the tick that ends the game
        ASSERT_TRUE(g->flags & FLAG_GAME_OVER);
        g->flags = FLAG_GAME_OVER;
        if (!c.held_at_end) start_needs_release = false; // start-up and after a name entry
        for (step s : c.steps) {
            if (s == FRAME)
                advance_frame(g, 100);
            else
                key_event(SDLK_SPACE, s == DOWN);
        }
        EXPECT_EQ(g->flags == FLAG_PLAYING, c.starts);
        if (c.starts) {
            EXPECT_EQ(g->barrels_left, 18);
        }
        key_state[SDLK_SPACE] = 0;
        start_pressed = false;
    }
}

// The last frame's ticks still count: a shot fired in the tick that ends the game drops a
// score that qualified at the frame's start, and the engines fall silent with the game.
TEST_F(FrameUpdate, TheEndingFrameDecidesOnTheFinalScoreAndSilencesTheEngines) {
    g->score = g->settings.high_scores[HIGH_SCORE_COUNT - 1] + 1;
    g->barrels_left = 0;
    key_state[g->settings.key_fire] = 1;
    key_state[g->settings.key_forward] = 1;
    play_frame(250); // the tank comes alive in the first tick and fires in the second
    ASSERT_TRUE(g->flags & FLAG_GAME_OVER);
    EXPECT_EQ(g->score, g->settings.high_scores[HIGH_SCORE_COUNT - 1]) << "one shot fired";
    EXPECT_FALSE(g->flags & FLAG_QUALIFIES);
    for (sound_instance *i = sound_instances; i; i = i->next)
        if (i->mode & SOUND_ATTACHED) {
            EXPECT_EQ(i->active, 0);
        }
}

TEST(KeyEvents, SymbolsBeyondTheTableAreIgnored) {
    for (int &k : key_state)
        k = 0;
    key_event(KEY_COUNT, true); // the slot past the table holds last_key
    key_event(-3, true);
    EXPECT_EQ(last_key, 0);
    key_event(SDLK_a, true);
    EXPECT_EQ(key_state[SDLK_a], 1);
    EXPECT_EQ(last_key, SDLK_a);
    key_event(SDLK_a, false);
    EXPECT_EQ(key_state[SDLK_a], 0);
    last_key = 0;
}

TEST(Helpers, TheFrameTimerStartsAtZeroThenCountsMilliseconds) {
    ASSERT_EQ(SDL_Init(SDL_INIT_TIMER), 0);
    SDL_Delay(5); // a tick count of 0 means "not started", as at the very start of SDL's clock
    EXPECT_EQ(elapsed_ms(), 0.0) << "the first call";
    SDL_Delay(30);
    double ms = elapsed_ms();
    EXPECT_GE(ms, 29);
    EXPECT_LT(elapsed_ms(), ms) << "measured from the previous call";
    SDL_Quit();
}

} // namespace
