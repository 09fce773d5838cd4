// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Settings menu: two pages ("GAME SETTINGS" and "DEFINE CONTROLS") built from short item
// texts, refreshed from the settings before each drawing, driven by the keyboard, and
// applied to the game record at once.
#pragma once

#include <optional>
#include <string>
#include <vector>

struct game_record;

enum : int {
    ITEM_BUTTON = 1,
    ITEM_SPACER = 2,
    ITEM_CHOICE = 3,
    ITEM_RANGE = 4,
    ITEM_KEY = 5,
    ITEM_CONFIRM = 6,
};

enum : int {
    ITEM_DISABLED = 0x1,
};

// What an item does when it changes.
enum : int {
    MENU_RESOLUTION = 1,
    MENU_BIT_DEPTH = 2,
    MENU_FULLSCREEN = 3,
    MENU_SMOKE_DETAIL = 4,
    MENU_VIEW_MODE = 5,
    MENU_DEFINE_CONTROLS = 6,
    MENU_RESET_GAME = 7,
    MENU_QUIT = 8,
    MENU_RESUME = 9,
    MENU_SHOW_RADAR = 10,
    MENU_SHOW_MARKS = 11,
    MENU_SHOW_SHADOWS = 12,
    MENU_SHOW_SMOKE = 13,
    MENU_AUDIO_LEVEL = 14,
    MENU_OKAY = 101,
    MENU_RESET_DEFAULTS = 102,
    MENU_KEY_FORWARD = 103,
    MENU_KEY_REVERSE = 104,
    MENU_KEY_LEFT = 105,
    MENU_KEY_RIGHT = 106,
    MENU_KEY_FIRE = 107,
};

struct menu_item {
    int kind = 0;
    int action = 0; // 0 for spacers
    int flags = 0;
    int changed = 0; // set by the user's change or activation, consumed by the apply routines
    std::optional<std::string> label; // none for spacers
    int value = 0; // choice index, range value, key symbol, confirmation step; a spacer's height
    int min = 0, max = 0;
    std::vector<std::string> options; // choice texts
    menu_item *next = nullptr;
    menu_item *prev = nullptr;
};

struct menu {
    std::string title;
    float width = 0;
    float height = 0;
    float label_width = 0;
    float value_width = 0;
    menu_item *first = nullptr, *last = nullptr;
    menu_item *current = nullptr;
    menu_item *awaiting = nullptr;    // last activated item; a key item here waits for a key
    menu_item *escape_item = nullptr; // what the escape key activates
};

extern int menu_page;       // 1 "GAME SETTINGS", 2 "DEFINE CONTROLS"
extern menu *settings_menu; // "GAME SETTINGS", null until first needed
extern menu *controls_menu; // "DEFINE CONTROLS"

menu *new_menu(const char *title);
// Parses the item text ("label|option|option", "label|min|max", a spacer's height as digits),
// lays the item out and appends it.
menu_item *add_menu_item(menu *m, int kind, int action, const char *text);
void free_menu(menu *m);
// Builds both pages once; later calls do nothing.
void build_menus();
// Frees both pages and puts the page selection back to the start (tests).
void discard_menus();
// The page that menu_page selects, or null.
menu *selected_menu();
void refresh_settings_menu(game_record *game, menu *m);
void refresh_controls_menu(game_record *game, menu *m);
void draw_menu(game_record *game, menu *m);
void draw_settings_screen(game_record *game);

int menu_input(game_record *game);
void menu_increase(game_record *game, menu *m);
void menu_decrease(game_record *game, menu *m);
void menu_activate(game_record *game, menu *m);
void apply_settings_menu(game_record *game, menu *m);
void apply_controls_menu(game_record *game, menu *m);
