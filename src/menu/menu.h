// Settings menu: two pages ("GAME SETTINGS" and "DEFINE CONTROLS") built from short item
// texts, refreshed from the settings before each drawing, driven by the keyboard, and
// applied to the game record at once.
#pragma once

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

struct menu_item {
    int kind;
    int action;
    int flags;
    int changed;
    const char *label; // own copy or null
    int value;
    int min, max;
    std::vector<std::string> options;
    menu_item *next;
    menu_item *prev;
    std::string label_text; // storage behind label
};

struct menu {
    std::string title;
    float width;
    float height;
    float label_width;
    float value_width;
    menu_item *first, *last;
    menu_item *current;
    menu_item *awaiting;
    menu_item *escape_item;
};

extern int menu_page;
extern menu *settings_menu; // "GAME SETTINGS", null until the first drawing
extern menu *controls_menu; // "DEFINE CONTROLS"

menu *new_menu(const char *title);
menu_item *add_menu_item(menu *m, int kind, int action, const char *text);
void build_menus();
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
