// The settings menu's pages: item parsing and layout, the refresh from the settings, drawing.

#include "menu/menu.h"

#include "core/core.h"

int menu_page = 1;
menu *settings_menu = nullptr;
menu *controls_menu = nullptr;

menu *new_menu(const char *) { return nullptr; }
menu_item *add_menu_item(menu *, int, int, const char *) { return nullptr; }
void build_menus() {}
void refresh_settings_menu(game_record *, menu *) {}
void refresh_controls_menu(game_record *, menu *) {}
void draw_menu(game_record *, menu *) {}
void draw_settings_screen(game_record *) {}
