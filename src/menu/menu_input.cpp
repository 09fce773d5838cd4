// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The settings menu's keyboard handling and the actions that apply changed items: one key per
// frame moves the highlight, changes or activates the highlighted item, or (while a key item
// waits) becomes a key binding; every changed item then takes effect on the record at once,
// video modes included.

#include "menu/menu.h"

#include "audio/audio.h"
#include "core/core.h"
#include "render/render.h"
#include "replay/replay.h"

#include <GL/gl.h>
#include <SDL/SDL.h>

static sound *click_sound = nullptr;
static bool click_sound_tried = false; // a pack without the sound is asked only once

static void click(game_record *g) {
    if (!click_sound_tried) {
        click_sound = load_sound(g, "audio_menu_sound", 1.0f, SOUND_AMBIENT);
        click_sound_tried = true;
    }
    if (click_sound) play_sound(g, click_sound, 1.0f, 0, 0);
}

static bool skipped(const menu_item *it) {
    return it->kind == ITEM_SPACER || (it->flags & ITEM_DISABLED);
}

// Moves the highlight to the neighbouring selectable item, wrapping at the ends of the list.
static void move_highlight(menu *m, bool down) {
    menu_item *start = m->current;
    if (!start) return;
    menu_item *it = start;
    do {
        if (down)
            it = it->next ? it->next : m->first;
        else
            it = it->prev ? it->prev : m->last;
    } while (skipped(it) && it != start);
    m->current = it;
}

int menu_input(game_record *g) {
    // The pages need no GL, so input works even before the first drawing has built them.
    build_menus();
    menu *m = selected_menu();
    if (!m || !m->current) return 1;
    // Greyed items and dropped confirmations follow the settings even with no drawing between.
    if (menu_page == 1)
        refresh_settings_menu(g, m);
    else
        refresh_controls_menu(g, m);

    menu_item *cur = m->current;
    if (m->awaiting == cur && cur->kind == ITEM_KEY && !cur->changed) {
        // Waiting for a key: every key, escape and the arrows included, becomes the binding.
        if (last_key != 0) {
            menu_activate(g, m);
            m->awaiting = nullptr;
        }
    } else {
        switch (last_key) {
        case SDLK_RETURN:
        case SDLK_SPACE:
            menu_activate(g, m);
            break;
        case SDLK_ESCAPE:
            if (m->escape_item) {
                m->current = m->escape_item;
                menu_activate(g, m);
            }
            key_state[SDLK_ESCAPE] = 0;
            break;
        case SDLK_UP:
            move_highlight(m, false);
            click(g);
            break;
        case SDLK_DOWN:
            move_highlight(m, true);
            click(g);
            break;
        case SDLK_RIGHT:
            menu_increase(g, m);
            break;
        case SDLK_LEFT:
            menu_decrease(g, m);
            break;
        default:
            break;
        }
        last_key = 0;
    }

    if (m == settings_menu)
        apply_settings_menu(g, m);
    else
        apply_controls_menu(g, m);
    return 1;
}

void menu_increase(game_record *g, menu *m) {
    menu_item *it = m->current;
    if (!it) return;
    click(g);
    it->changed = 1;
    if (it->kind == ITEM_RANGE) {
        if (++it->value > it->max) it->value = it->max;
    } else if (it->kind == ITEM_CHOICE) {
        if (++it->value > it->max) it->value = it->min;
    }
}

void menu_decrease(game_record *g, menu *m) {
    menu_item *it = m->current;
    if (!it) return;
    click(g);
    it->changed = 1;
    if (it->kind == ITEM_RANGE) {
        if (--it->value < it->min) it->value = it->min;
    } else if (it->kind == ITEM_CHOICE) {
        if (--it->value < it->min) it->value = it->max;
    }
}

void menu_activate(game_record *g, menu *m) {
    menu_item *it = m->current;
    if (!it) return;
    click(g);
    it->changed = 1;
    switch (it->kind) {
    case ITEM_BUTTON:
        it->value = 1;
        break;
    case ITEM_CHOICE:
    case ITEM_RANGE:
        if (++it->value > it->max) it->value = it->min;
        break;
    case ITEM_KEY:
        if (m->awaiting == it) {
            if (last_key != 0) it->value = last_key;
        } else {
            it->changed = 0; // starts waiting for a key
        }
        break;
    case ITEM_CONFIRM:
        ++it->value;
        break;
    default:
        break;
    }
    m->awaiting = it;
}

// Table index for an item value; the items' own bounds keep it in range, this keeps the
// tables safe from anything else.
static int clamp_index(int value, int count) {
    return value < 0 ? 0 : value >= count ? count - 1 : value;
}

// Switches to the mode now stored in the settings. A mode that does not come up leaves the
// window as it was, so the settings go back to describing that window: otherwise the picture
// would be laid out for a size that is not on screen and the next start would ask for the
// refused mode again.
static void switch_video_mode(game_record *g, const settings_block &before) {
    settings_block &s = g->settings;
    bool up = set_video_mode(s.fullscreen, s.width, s.height, s.bit_depth);
    // Between a window and full screen the window is made anew, and a key let go meanwhile may
    // never be heard of: every key counts as released.
    if (s.fullscreen != before.fullscreen)
        for (int i = 0; i < KEY_COUNT; ++i)
            key_state[i] = 0;
    SDL_Surface *screen = SDL_GetVideoSurface();
    bool full = screen && (screen->flags & SDL_FULLSCREEN) != 0;
    if (up && screen && screen->w == s.width && screen->h == s.height && full == (s.fullscreen != 0)) return;

    // A refused bit depth alone leaves the same window: it is put back like a refused size.
    s.fullscreen = before.fullscreen;
    s.width = before.width;
    s.height = before.height;
    s.bit_depth = before.bit_depth;
    if (screen) {
        glViewport(0, 0, s.width, s.height);
    } else if (!set_video_mode(s.fullscreen, s.width, s.height, s.bit_depth)) {
        // The old window was lost too and cannot be made again: nothing could be shown.
        fprintf(stderr, "cannot restore the %d x %d x %d window: %s\n", s.width, s.height, s.bit_depth,
                SDL_GetError());
        save_and_exit(1);
    }
}

void apply_settings_menu(game_record *g, menu *m) {
    settings_block &s = g->settings;
    for (menu_item *it = m->first; it; it = it->next) {
        if (!it->changed) continue;
        const settings_block before = s;
        switch (it->action) {
        case MENU_RESOLUTION: {
            int i = clamp_index(it->value, 4);
            s.width = resolution_table[i][0];
            s.height = resolution_table[i][1];
            switch_video_mode(g, before);
            break;
        }
        case MENU_BIT_DEPTH:
            s.bit_depth = bit_depth_table[clamp_index(it->value, 2)];
            switch_video_mode(g, before);
            break;
        case MENU_FULLSCREEN:
            s.fullscreen = it->value;
            switch_video_mode(g, before);
            break;
        case MENU_SMOKE_DETAIL:
            s.smoke_detail = smoke_detail_table[clamp_index(it->value, 6)];
            break;
        case MENU_VIEW_MODE:
            s.view_mode = it->value;
            break;
        case MENU_DEFINE_CONTROLS:
            if (it->value == 1) menu_page = 2;
            it->value = 0;
            break;
        case MENU_RESET_GAME:
            if (it->value != 0) {
                new_game(g);
                // A game reset in play goes on as a new one, recorded afresh; the last one's
                // recording ends unfinished.
                if (g->flags & FLAG_PLAYING)
                    record_start(g);
                else
                    record_stop(g);
            }
            it->value = 0;
            break;
        case MENU_QUIT:
            if (it->value == 2) save_and_exit(0);
            break;
        case MENU_RESUME:
            if (it->value != 0) g->flags &= ~FLAG_MENU;
            it->value = 0;
            break;
        case MENU_SHOW_RADAR:
        case MENU_SHOW_MARKS:
        case MENU_SHOW_SHADOWS:
        case MENU_SHOW_SMOKE: {
            static const int bits[4] = {SHOW_RADAR, SHOW_MARKS, SHOW_SHADOWS, SHOW_SMOKE};
            int bit = bits[it->action - MENU_SHOW_RADAR];
            if (it->value != 0)
                s.display_flags |= bit;
            else
                s.display_flags &= ~bit;
            break;
        }
        case MENU_AUDIO_LEVEL:
            if (it->max > it->min) // the audio thread reads the level: change it under its lock
                set_audio_level(
                    g, static_cast<float>((it->value - it->min) / static_cast<double>(it->max - it->min)));
            break;
        default:
            break;
        }
        it->changed = 0;
    }
}

void apply_controls_menu(game_record *g, menu *m) {
    settings_block &s = g->settings;
    for (menu_item *it = m->first; it; it = it->next) {
        if (!it->changed) continue;
        switch (it->action) {
        case MENU_OKAY:
            if (it->value == 1) menu_page = 1;
            it->value = 0;
            break;
        case MENU_RESET_DEFAULTS:
            if (it->value == 2) {
                s.key_left = SDLK_LEFT;
                s.key_right = SDLK_RIGHT;
                s.key_forward = SDLK_UP;
                s.key_reverse = SDLK_DOWN;
                s.key_fire = SDLK_SPACE;
                it->value = 0;
            }
            break;
        case MENU_KEY_FORWARD:
            s.key_forward = it->value;
            break;
        case MENU_KEY_REVERSE:
            s.key_reverse = it->value;
            break;
        case MENU_KEY_LEFT:
            s.key_left = it->value;
            break;
        case MENU_KEY_RIGHT:
            s.key_right = it->value;
            break;
        case MENU_KEY_FIRE:
            s.key_fire = it->value;
            break;
        default:
            break;
        }
    }
}
