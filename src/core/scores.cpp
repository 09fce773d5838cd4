// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// High scores and name entry: the line editor that runs on the game-over screen when a score
// has earned a place, the insertion into the ten-entry table, and the US shift mapping.
// The name lives in the record's 20-byte player_name; byte 19 is always the terminator.

#include "core/core.h"

#include "audio/audio.h"

#include <SDL/SDL_keysym.h>
#include <cstring>

static int cursor = 0; // the editor's working insertion point, 0 to 19

static sound *menu_sound = nullptr;
static bool menu_sound_tried = false; // a pack without the sound is asked only once

void reset_name_cursor() {
    cursor = 0;
}

static const char unshifted_row[] = " abcdefghijklmnopqrstuvwxyz1234567890-=[]\\;',./`";
static const char shifted_row[] = " ABCDEFGHIJKLMNOPQRSTUVWXYZ!@#$%^&*()_+{}|:\"<>?~";
static_assert(sizeof unshifted_row == 49 && sizeof shifted_row == 49, "two rows of 48 characters");

int shift_char(int c) {
    for (int i = 0; i < 48; ++i)
        if (unshifted_row[i] == c) return shifted_row[i];
    return c;
}

// What a pad steps through, from the space.
static const char name_alphabet[] = " abcdefghijklmnopqrstuvwxyz0123456789-=[]\\;',./`!@#$%^&*()_+{}|:\"<>?~";

void name_cycle(int step) {
    game_record *g = game;
    char *name = g->player_name;
    int len = static_cast<int>(strnlen(name, NAME_LENGTH - 1));
    if (cursor > len) cursor = len;
    int at = cursor < NAME_LENGTH - 1 ? cursor : NAME_LENGTH - 2;
    const int n = sizeof name_alphabet - 1;
    const char *found = at < len ? strchr(name_alphabet, name[at]) : nullptr;
    int i = found && *found ? static_cast<int>(found - name_alphabet) : 0;
    name[at] = name_alphabet[((i + step) % n + n) % n];
    if (at == len) name[at + 1] = 0;
    name[NAME_LENGTH - 1] = 0;
    g->name_cursor = at;
    if (menu_sound) play_sound(g, menu_sound, 1.0f, 0, 0);
}

// Inserts at the cursor; a full name with the cursor at its end has its last character replaced.
static void insert_char(char *name, int c) {
    if (cursor < NAME_LENGTH - 1) {
        ++cursor;
        for (int i = NAME_LENGTH - 2; i >= cursor; --i)
            name[i] = name[i - 1];
    }
    if (c >= 'A' && c <= 'Z') c += 'a' - 'A';
    if (key_state[SDLK_LSHIFT] || key_state[SDLK_RSHIFT]) c = shift_char(c);
    name[cursor - 1] = static_cast<char>(c);
}

int name_entry(int) {
    game_record *g = game;
    if (!menu_sound_tried) {
        menu_sound = load_sound(g, "audio_menu_sound", 1.0f, SOUND_AMBIENT);
        menu_sound_tried = true;
    }
    int k = last_key;
    if (k == 0) return 0;

    char *name = g->player_name;
    int len = static_cast<int>(strnlen(name, NAME_LENGTH - 1));
    // A cursor past the text (the name was emptied behind the editor's back) would leave a gap.
    if (cursor > len) cursor = len;
    bool done = false;
    bool acted = true;
    switch (k) {
    case SDLK_RETURN:
    case SDLK_ESCAPE:
        done = true;
        break;
    case SDLK_BACKSPACE:
        if (cursor > 0) {
            --cursor;
            name[NAME_LENGTH - 1] = 0;
            for (int i = cursor + 1; i < NAME_LENGTH; ++i)
                name[i - 1] = name[i];
        }
        break;
    case SDLK_LEFT:
        if (cursor > 0) --cursor;
        break;
    case SDLK_RIGHT:
        if (cursor < NAME_LENGTH - 1 && cursor < len) ++cursor;
        break;
    default:
        if (k >= 32 && k <= 126)
            insert_char(name, k);
        else
            acted = false;
        break;
    }
    if (acted && menu_sound) play_sound(g, menu_sound, 1.0f, 0, 0);

    g->name_cursor = cursor < NAME_LENGTH - 1 ? cursor : NAME_LENGTH - 2;
    last_key = 0;
    name[NAME_LENGTH - 1] = 0;
    return done ? 1 : 0;
}

void insert_high_score(game_record *g, int score, const char *name) {
    settings_block *s = &g->settings;
    int i = 0;
    while (i < HIGH_SCORE_COUNT && score <= s->high_scores[i])
        ++i;
    if (i == HIGH_SCORE_COUNT) return;
    for (int j = HIGH_SCORE_COUNT - 1; j > i; --j) {
        s->high_scores[j] = s->high_scores[j - 1];
        memcpy(s->high_names[j], s->high_names[j - 1], NAME_LENGTH);
    }
    s->high_scores[i] = score;
    // The copy always ends inside the entry, whatever the caller passed.
    size_t n = name ? strnlen(name, NAME_LENGTH - 1) : 0;
    zero_bytes(s->high_names[i], NAME_LENGTH);
    if (n) memcpy(s->high_names[i], name, n);
}
