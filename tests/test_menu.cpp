// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Settings menu without GL: page layout, the refresh from the settings, wrap and hold of choice
// and range items, confirmations and key redefinition. Navigation, escape, quitting and the
// resolution switch are driven with real keys end to end; video modes are in test_menu_gl.

#include "combat/combat.h"
#include "core/core.h"
#include "menu/menu.h"
#include "support/test_support.h"

#include <SDL/SDL_keysym.h>
#include <gtest/gtest.h>
#include <string>
#include <tuple>
#include <unistd.h>

namespace {

class Menu : public ::testing::Test {
  protected:
    void SetUp() override {
        g = make_test_game();
        g->flags = FLAG_GAME_OVER | FLAG_MENU;
        discard_menus();
        build_menus();
    }
    // Releases the record with all it holds, such as the tanks and barrels of a reset game.
    void TearDown() override { free_headless_game(g); }
    // One menu frame for each key, in which it goes down.
    void press(std::initializer_list<int> syms) {
        for (int sym : syms) {
            key_event(sym, true);
            menu_input(g);
            key_event(sym, false);
        }
    }
    // The item of the shown page with this label.
    static menu_item *item(const char *label) {
        for (menu_item *it = selected_menu()->first; it; it = it->next)
            if (it->label && *it->label == label) return it;
        ADD_FAILURE() << "no item " << label;
        return nullptr;
    }
    static menu_item *select(const char *label) { return selected_menu()->current = item(label); }
    game_record *g = nullptr;
};

TEST_F(Menu, PagesComeOutAtTheirSizes) {
    auto size = [](menu *m) { return std::tuple(m->width, m->height, m->label_width, m->value_width); };
    EXPECT_EQ(size(settings_menu), std::tuple(54.f, 56.f, 32.f, 18.f));
    EXPECT_EQ(size(controls_menu), std::tuple(54.f, 32.f, 30.f, 20.f));
}

TEST_F(Menu, RefreshShowsTheStoredSettings) {
    menu_item *depth = item("  bit-depth"), *detail = item("smoke detail");
    menu_item *audio = item("audio level"), *resolution = item("  resolution");
    const std::tuple<int, int, float, float, int, std::tuple<int, int, int, int, int>> rows[] = {
        // fullscreen, display flags, smoke detail, audio level, width:
        // bit depth greyed, smoke detail greyed, detail shown, audio shown, resolution shown
        {0, ~0, 1.5f, 0.8f, 640, {1, 0, 2, 8, 0}},
        {1, ~SHOW_SMOKE, 1.2f, 0.84f, 1600, {0, 1, 3, 8, 0}}, // 1.0 is the first step not above 1.2
        {1, ~0, 0.1f, 0.85f, 1024, {0, 0, 5, 9, 2}},          // below every step: the last one
        {0, ~0, 3.0f, 0.0f, 800, {1, 0, 0, 0, 1}},            // the first step and the lowest level
    };
    for (const auto &[fullscreen, flags, smoke, level, width, shown] : rows) {
        settings_block &s = g->settings;
        std::tie(s.fullscreen, s.display_flags, s.smoke_detail, s.audio_level, s.width) =
            std::tuple(fullscreen, flags, smoke, level, width);
        refresh_settings_menu(g, settings_menu);
        EXPECT_EQ(std::tuple(depth->flags & ITEM_DISABLED, detail->flags & ITEM_DISABLED, detail->value,
                             audio->value, resolution->value),
                  shown)
            << "smoke " << smoke << ", audio " << level << ", width " << width;
    }
}

TEST_F(Menu, ChoicesWrapAndRangesHoldUnderTheArrows) {
    select("view mode");
    for (auto [key, view] : {std::pair{SDLK_RIGHT, 1}, {SDLK_RIGHT, 0}, {SDLK_LEFT, 1}}) {
        press({key});
        EXPECT_EQ(g->settings.view_mode, view) << "choices wrap both ways";
    }
    select("audio level");
    g->settings.audio_level = 1.0f;
    for (auto [key, level, why] : {std::tuple{SDLK_RIGHT, 1.0f, "held at the maximum"},
                                   {SDLK_RETURN, 0.0f, "return wraps a range"},
                                   {SDLK_LEFT, 0.0f, "held at the minimum"},
                                   {SDLK_RIGHT, 0.1f, "stored as n / 10"}}) {
        press({key});
        EXPECT_EQ(g->settings.audio_level, level) << why;
    }
    select("smoke detail");
    g->settings.smoke_detail = 1.5f;
    for (auto [key, detail] : {std::pair{SDLK_RIGHT, 1.0f}, {SDLK_LEFT, 1.5f}, {SDLK_LEFT, 2.25f}}) {
        press({key});
        EXPECT_EQ(g->settings.smoke_detail, detail) << "each step is the next of the detail table";
    }
}

TEST_F(Menu, ConfirmationsNeedTwoReturnsInARowAndMovingAwayCancelsThem) {
    for (int page : {1, 2}) { // "quit", then "reset defaults": each the last item of its page
        menu_page = page;
        menu_item *confirm = select(page == 1 ? "quit" : "reset defaults");
        press({SDLK_RETURN});
        EXPECT_EQ(confirm->value, 1) << "shows CONFIRM";
        press({SDLK_DOWN});
        EXPECT_EQ(selected_menu()->current, selected_menu()->first) << "down from the last item wraps";
        press({SDLK_UP});
        EXPECT_EQ(confirm->value, 0) << *confirm->label << ": moving away cancelled it";
    }
    g->settings.key_left = 'a';
    press({SDLK_RETURN, SDLK_RETURN});
    EXPECT_EQ(g->settings.key_left, SDLK_LEFT) << "reset defaults carried out";
}

TEST_F(Menu, KeyItemWaitsThenTakesAnyKeyEvenOneAlreadyBound) {
    menu_page = 2;
    menu_item *forward = select("forward");
    press({SDLK_RETURN});
    menu_input(g);
    EXPECT_EQ(controls_menu->awaiting, forward) << "waiting, also through a frame without a key";
    press({SDLK_ESCAPE});
    EXPECT_EQ(g->settings.key_forward, SDLK_ESCAPE) << "escape can be bound";
    EXPECT_EQ(menu_page, 2) << "and the menu stays open";
    press({SDLK_RETURN, 'w'});
    select("fire");
    press({SDLK_RETURN, 'w'});
    EXPECT_EQ(g->settings.key_forward, 'w');
    EXPECT_EQ(g->settings.key_fire, 'w') << "one key may serve two actions";
    press({SDLK_DOWN});
    EXPECT_EQ(selected_menu()->current, item("reset defaults")) << "after binding the arrows move again";
}

TEST_F(Menu, ResetStartsANewGameBehindTheOpenMenuResumeClosesItAndQuitExits) {
    g->score = 1234;
    select("reset game");
    press({SDLK_RETURN});
    EXPECT_EQ(g->score, 0);
    EXPECT_EQ(g->flags, FLAG_GAME_OVER | FLAG_MENU) << "the menu stays open over the title";
    select("resume game");
    press({SDLK_RETURN});
    EXPECT_EQ(g->flags, FLAG_GAME_OVER);
    g->flags |= FLAG_MENU;
    select("quit");
    scratch_dir dir; // where the exit writes the settings
    auto confirm_quit = [&] {
        if (chdir(dir.path.c_str()) == 0) press({SDLK_RETURN, SDLK_RETURN});
    };
    EXPECT_EXIT(confirm_quit(), testing::ExitedWithCode(0), "");
}

} // namespace
