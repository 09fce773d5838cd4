// Settings menu without GL: item parsing and page layout, the refresh from the settings, the
// cursor, wrap and hold of choice and range items, confirmations, key redefinition, the page
// switches and the actions that write the record (video modes are in test_menu_gl).

#include "core/core.h"
#include "menu/menu.h"
#include "support/test_support.h"

#include <SDL/SDL_keysym.h>
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <unistd.h>

namespace {

menu_item *find_item(menu *m, const char *label) {
    for (menu_item *it = m->first; it; it = it->next)
        if (it->label && *it->label == label) return it;
    return nullptr;
}

class Menu : public ::testing::Test {
  protected:
    void SetUp() override {
        g = make_test_game();
        g->flags = FLAG_GAME_OVER | FLAG_MENU;
        std::memset(key_state, 0, sizeof key_state);
        discard_menus();
        build_menus();
        s = settings_menu;
        c = controls_menu;
    }
    void TearDown() override {
        discard_menus();
        free_test_game(g);
    }
    // One menu frame in which the key goes down.
    void press(int sym) {
        key_event(sym, true);
        menu_input(g);
        key_event(sym, false);
    }
    void select(menu *m, const char *label) {
        m->current = find_item(m, label);
        ASSERT_NE(m->current, nullptr) << label;
    }
    const char *current_label() const {
        menu *m = selected_menu();
        return m && m->current && m->current->label ? m->current->label->c_str() : "";
    }
    game_record *g = nullptr;
    menu *s = nullptr;
    menu *c = nullptr;
};

TEST(MenuLayout, ItemTextsParseAndPagesComeOutAtTheirSizes) {
    discard_menus();
    build_menus();
    EXPECT_FLOAT_EQ(settings_menu->width, 54);
    EXPECT_FLOAT_EQ(settings_menu->height, 56);
    EXPECT_FLOAT_EQ(settings_menu->label_width, 32);
    EXPECT_FLOAT_EQ(settings_menu->value_width, 18);
    EXPECT_FLOAT_EQ(controls_menu->width, 54);
    EXPECT_FLOAT_EQ(controls_menu->height, 32);
    EXPECT_FLOAT_EQ(controls_menu->label_width, 30);
    EXPECT_FLOAT_EQ(controls_menu->value_width, 20);

    menu_item *res = find_item(settings_menu, "  resolution");
    ASSERT_NE(res, nullptr);
    ASSERT_EQ(res->options.size(), 4u);
    EXPECT_EQ(res->options[3], "1280x1024");
    EXPECT_EQ(res->min, 0);
    EXPECT_EQ(res->max, 3);
    menu_item *audio = find_item(settings_menu, "audio level");
    EXPECT_EQ(audio->min, 0);
    EXPECT_EQ(audio->max, 10);
    EXPECT_EQ(*settings_menu->escape_item->label, "resume game");
    EXPECT_EQ(*controls_menu->escape_item->label, "okay");
    discard_menus();
}

TEST_F(Menu, RefreshShowsTheStoredSettings) {
    refresh_settings_menu(g, s);
    menu_item *depth = find_item(s, "  bit-depth");
    menu_item *detail = find_item(s, "smoke detail");
    menu_item *audio = find_item(s, "audio level");
    menu_item *res = find_item(s, "  resolution");
    EXPECT_TRUE(depth->flags & ITEM_DISABLED) << "no bit depth in a window";
    EXPECT_FALSE(detail->flags & ITEM_DISABLED);
    EXPECT_EQ(detail->value, 2) << "1.5";
    EXPECT_EQ(audio->value, 8);

    g->settings.fullscreen = 1;
    g->settings.bit_depth = 32;
    g->settings.display_flags &= ~SHOW_SMOKE;
    g->settings.smoke_detail = 1.2f;
    g->settings.audio_level = 0.84f;
    g->settings.width = 1600;
    refresh_settings_menu(g, s);
    EXPECT_FALSE(depth->flags & ITEM_DISABLED);
    EXPECT_EQ(depth->value, 1);
    EXPECT_TRUE(detail->flags & ITEM_DISABLED) << "no smoke detail without smoke";
    EXPECT_EQ(detail->value, 3) << "the first table value not above 1.2 is 1.0";
    EXPECT_EQ(find_item(s, "display smoke")->value, 0);
    EXPECT_EQ(find_item(s, "display radar")->value, 1);
    EXPECT_EQ(find_item(s, "fullscreen")->value, 1);
    EXPECT_EQ(audio->value, 8);
    EXPECT_EQ(res->value, 0) << "an unknown width shows as 640x480";

    g->settings.audio_level = 0.85f;
    g->settings.smoke_detail = 0.1f;
    g->settings.width = 1024;
    refresh_settings_menu(g, s);
    EXPECT_EQ(audio->value, 9);
    EXPECT_EQ(detail->value, 5) << "below every table value: the last one";
    EXPECT_EQ(res->value, 2);

    g->settings.key_fire = 'x';
    refresh_controls_menu(g, c);
    EXPECT_EQ(find_item(c, "fire")->value, 'x');
    EXPECT_EQ(find_item(c, "forward")->value, SDLK_UP);
}

TEST_F(Menu, CursorWrapsAndSkipsSpacersAndDisabledItems) {
    press(SDLK_UP);
    EXPECT_STREQ(current_label(), "quit");
    press(SDLK_DOWN);
    EXPECT_STREQ(current_label(), "resume game");
    press(SDLK_DOWN);
    EXPECT_STREQ(current_label(), "fullscreen") << "the spacer is skipped";
    press(SDLK_DOWN);
    press(SDLK_DOWN);
    EXPECT_STREQ(current_label(), "display radar") << "bit depth is skipped in a window";
    press(SDLK_UP);
    EXPECT_STREQ(current_label(), "  resolution");

    g->settings.fullscreen = 1;
    press(SDLK_DOWN);
    EXPECT_STREQ(current_label(), "  bit-depth") << "full screen makes it selectable";

    g->settings.display_flags &= ~SHOW_SMOKE;
    select(s, "display smoke");
    press(SDLK_DOWN);
    EXPECT_STREQ(current_label(), "view mode");
    EXPECT_EQ(last_key, 0);
}

TEST_F(Menu, ChoicesWrapAndRangesHoldUnderTheArrows) {
    select(s, "view mode");
    press(SDLK_RIGHT);
    EXPECT_EQ(g->settings.view_mode, 1);
    press(SDLK_RIGHT);
    EXPECT_EQ(g->settings.view_mode, 0) << "past the last option back to the first";
    press(SDLK_LEFT);
    EXPECT_EQ(g->settings.view_mode, 1) << "before the first option round to the last";

    select(s, "audio level");
    g->settings.audio_level = 1.0f;
    press(SDLK_RIGHT);
    EXPECT_FLOAT_EQ(g->settings.audio_level, 1.0f) << "held at the maximum";
    press(SDLK_RETURN);
    EXPECT_FLOAT_EQ(g->settings.audio_level, 0.0f) << "return wraps a range";
    press(SDLK_LEFT);
    EXPECT_FLOAT_EQ(g->settings.audio_level, 0.0f) << "held at the minimum";
    press(SDLK_RIGHT);
    press(SDLK_RIGHT);
    press(SDLK_RIGHT);
    EXPECT_EQ(g->settings.audio_level, 0.3f) << "stored as n / 10";

    select(s, "smoke detail");
    press(SDLK_RIGHT);
    EXPECT_EQ(g->settings.smoke_detail, 1.0f);
    press(SDLK_LEFT);
    press(SDLK_LEFT);
    press(SDLK_LEFT);
    EXPECT_EQ(g->settings.smoke_detail, 3.0f);
}

TEST_F(Menu, DisplayOptionsFlipTheirOwnBitsOnly) {
    select(s, "display radar");
    press(SDLK_RETURN);
    EXPECT_EQ(g->settings.display_flags, ~SHOW_RADAR);
    select(s, "display marks");
    press(SDLK_LEFT);
    select(s, "display shadows");
    press(SDLK_SPACE);
    select(s, "display smoke");
    press(SDLK_RIGHT);
    EXPECT_EQ(g->settings.display_flags, ~(SHOW_RADAR | SHOW_MARKS | SHOW_SHADOWS | SHOW_SMOKE));
    EXPECT_TRUE(g->settings.display_flags & SHOW_FPS) << "no item touches the frame rate";
    press(SDLK_RIGHT);
    EXPECT_TRUE(g->settings.display_flags & SHOW_SMOKE);
}

TEST_F(Menu, QuitNeedsTwoReturnsInARow) {
    select(s, "quit");
    menu_item *quit = s->current;
    press(SDLK_RETURN);
    EXPECT_EQ(quit->value, 1) << "shows CONFIRM";
    press(SDLK_DOWN);
    EXPECT_STREQ(current_label(), "resume game");
    press(SDLK_UP);
    EXPECT_EQ(quit->value, 0) << "moving away cancelled the confirmation";

    scratch_dir dir;
    g->settings.key_fire = 'k';
    EXPECT_EXIT(
        {
            if (chdir(dir.path.c_str()) != 0) _exit(3);
            press(SDLK_RETURN);
            press(SDLK_RETURN);
            _exit(2); // not reached when quit works
        },
        ::testing::ExitedWithCode(0), "");
    std::vector<uint8_t> written = read_file(dir.file("hollowmere.cfg"));
    ASSERT_EQ(written.size(), 808u) << "the settings are written on quit";
    int32_t fire = 0;
    std::memcpy(&fire, written.data() + 52, 4);
    EXPECT_EQ(fire, 'k');
}

TEST_F(Menu, EscapeLeavesControlsThenClosesTheMenu) {
    select(s, "define controls");
    press(SDLK_RETURN);
    EXPECT_EQ(menu_page, 2);
    EXPECT_STREQ(current_label(), "okay");
    press(SDLK_DOWN);
    key_event(SDLK_ESCAPE, true);
    menu_input(g);
    EXPECT_EQ(menu_page, 1);
    EXPECT_EQ(key_state[SDLK_ESCAPE], 0) << "the press is used up";
    EXPECT_TRUE(g->flags & FLAG_MENU);
    press(SDLK_ESCAPE);
    EXPECT_EQ(g->flags, FLAG_GAME_OVER) << "closed, over the state it was opened on";
    EXPECT_STREQ(current_label(), "resume game");

    // Through the frame update: escape opens the menu, the next escape closes it.
    key_event(SDLK_ESCAPE, true);
    advance_frame(g, 100);
    EXPECT_TRUE(g->flags & FLAG_MENU);
    advance_frame(g, 100);
    EXPECT_TRUE(g->flags & FLAG_MENU) << "the opening press is not seen by the menu";
    key_event(SDLK_ESCAPE, false);
    key_event(SDLK_ESCAPE, true);
    advance_frame(g, 100);
    key_event(SDLK_ESCAPE, false);
    EXPECT_FALSE(g->flags & FLAG_MENU);
}

TEST_F(Menu, KeyItemWaitsThenTakesAnyKey) {
    menu_page = 2;
    select(c, "forward");
    menu_item *forward = c->current;
    press(SDLK_RETURN);
    EXPECT_EQ(c->awaiting, forward);
    EXPECT_EQ(forward->changed, 0) << "waiting: the value column shows ---";
    menu_input(g);
    EXPECT_EQ(c->awaiting, forward) << "a frame without a key keeps waiting";
    press(SDLK_ESCAPE);
    EXPECT_EQ(g->settings.key_forward, SDLK_ESCAPE) << "escape can be bound";
    EXPECT_EQ(menu_page, 2);
    EXPECT_TRUE(g->flags & FLAG_MENU);
    EXPECT_EQ(c->awaiting, nullptr);

    press(SDLK_RETURN);
    press('w');
    EXPECT_EQ(g->settings.key_forward, 'w');
    select(c, "fire");
    press(SDLK_RETURN);
    press('w');
    EXPECT_EQ(g->settings.key_fire, 'w') << "one key may serve two actions";
    EXPECT_EQ(g->settings.key_forward, 'w');
    press(SDLK_DOWN);
    EXPECT_STREQ(current_label(), "reset defaults") << "after binding the arrows move again";
}

TEST_F(Menu, ResetDefaultsNeedsConfirmation) {
    menu_page = 2;
    g->settings.key_left = 'a';
    g->settings.key_fire = 'f';
    select(c, "reset defaults");
    menu_item *reset = c->current;
    press(SDLK_RETURN);
    EXPECT_EQ(reset->value, 1);
    press(SDLK_UP);
    press(SDLK_DOWN);
    EXPECT_EQ(reset->value, 0) << "moving away cancelled it";
    press(SDLK_RETURN);
    press(SDLK_RETURN);
    EXPECT_EQ(g->settings.key_left, SDLK_LEFT);
    EXPECT_EQ(g->settings.key_fire, SDLK_SPACE);
    EXPECT_EQ(reset->value, 0);
}

TEST_F(Menu, ResetGameStartsANewGameBehindTheOpenMenu) {
    g->score = 1234;
    g->barrels_left = 3;
    select(s, "reset game");
    press(SDLK_RETURN);
    EXPECT_EQ(g->score, 0);
    EXPECT_EQ(g->barrels_left, 18);
    EXPECT_EQ(g->flags, FLAG_GAME_OVER | FLAG_MENU) << "the menu stays open over the title";
    EXPECT_EQ(s->current->value, 0);
}

} // namespace
