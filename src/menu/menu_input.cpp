// The settings menu's keyboard handling and the actions that apply changed items.

#include "menu/menu.h"

#include "core/core.h"

#include <SDL/SDL_keysym.h>

int menu_input(game_record *g) {
    // Until the menu is built, escape still closes it so the game never gets stuck.
    if (last_key == SDLK_ESCAPE) {
        g->flags &= ~FLAG_MENU;
        key_state[SDLK_ESCAPE] = 0;
    }
    last_key = 0;
    return 1;
}
void menu_increase(game_record *, menu *) {}
void menu_decrease(game_record *, menu *) {}
void menu_activate(game_record *, menu *) {}
void apply_settings_menu(game_record *, menu *) {}
void apply_controls_menu(game_record *, menu *) {}
