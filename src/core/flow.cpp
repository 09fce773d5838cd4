// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Game flow: the new-game reset, the title and menu frame handlers, and the game tick, which
// advances the whole world by tick_seconds by calling every subsystem's update in a fixed
// order. The order matters: the game ends in the tick after the last barrel leaves.

#include "core/core.h"

#include "audio/audio.h"
#include "combat/combat.h"
#include "menu/menu.h"
#include "replay/replay.h"
#include "world/world.h"

#include <SDL/SDL_keysym.h>
#include <cstdlib>

long game_ticks_run = 0;

void new_game(game_record *g) {
    // Frees the old tanks with their voices and makes the three enemies and the player's tank.
    g->game_time = 0;
    g->thump_timer = 0;
    g->score = 0;
    g->barrels_left = BARREL_COUNT;
    g->barrels = make_barrels(g->barrels);
    set_up_tanks(g);
    if (g->power_up) {
        free(g->power_up);
        g->power_up = nullptr;
    }
    g->player_name[0] = 0;
    g->name_cursor = 0;
    reset_name_cursor();
    g->frame_ms_avg = 0;
}

// The title and menu screens run at no more than ten frames a second.
static void pad_frame(int dt) {
    if (dt < 100) sleep_ms(100 - dt);
    game_rand();
}

bool start_pressed = false;
bool start_needs_release = false;

void start_event(bool down) {
    if (!down)
        start_needs_release = false;
    else if (!start_needs_release)
        start_pressed = true;
}

void decide_qualifies(game_record *g) {
    if (g->score > g->settings.high_scores[HIGH_SCORE_COUNT - 1])
        g->flags |= FLAG_QUALIFIES;
    else
        g->flags &= ~FLAG_QUALIFIES;
}

void end_game(game_record *g) {
    // The final frame's ticks may still have scored: the table decides on what they left.
    decide_qualifies(g);
    // The tanks stay on the field behind the title, but their engines fall silent.
    stop_all_voices(g);
    // Fire may be space and still be held: that press belongs to the game just ended.
    start_pressed = false;
    start_needs_release = g->key_state[SDLK_SPACE] != 0;
}

void title_frame(int dt) {
    pad_frame(dt);
    title_replays_frame(game, dt);
    if (replay_watching()) return;
    if (game->key_state[SDLK_SPACE] == 0) start_needs_release = false;
    bool start = start_pressed || (game->key_state[SDLK_SPACE] == 1 && !start_needs_release);
    start_pressed = false;
    if (start) begin_game(game);
}

void begin_game(game_record *g) {
    new_game(g);
    g->flags = FLAG_PLAYING;
    record_start(g);
}

int menu_frame(int dt) {
    pad_frame(dt);
    return menu_input(game);
}

// The heartbeat quickens as barrels are lost.
static void heartbeat(game_record *g) {
    static sound *thump = nullptr;
    double interval = g->barrels_left * 0.2 + 0.4;
    if (!thump) thump = load_sound(g, "audio_thump", 1.0f, SOUND_AMBIENT);
    g->thump_timer += g->tick_seconds;
    if (g->thump_timer > interval) {
        g->thump_timer = static_cast<float>(g->thump_timer - interval);
        play_sound(g, thump, 1.0f, 0, 0);
    }
}

void game_tick() {
    game_record *g = game;
    ++game_ticks_run;
    heartbeat(g);

    if (g->player) read_controls(g, g->player);
    update_player_tanks(g, g->player);
    run_enemy_behaviours(g, g->enemies);
    update_enemy_tanks(g, g->enemies);

    for (player_tank *t = g->player; t; t = t->next) {
        if (t->alive > 0) {
            move_tank(g, t);
            push_barrels(g, t);
        }
    }
    for (enemy_tank *t = g->enemies; t; t = t->next) {
        if (t->active > 0) {
            move_tank(g, t);
            push_barrels(g, t);
        }
    }
    for (player_tank *t = g->player; t; t = t->next)
        t->missiles = update_projectiles(g, t->missiles);
    for (enemy_tank *t = g->enemies; t; t = t->next)
        t->missiles = update_projectiles(g, t->missiles);

    update_explosions(g);

    if (g->barrels_left <= 0) g->flags |= FLAG_GAME_OVER;

    if (!g->power_up && random_unit() < g->tick_seconds * 0.2) g->power_up = make_power_up(g);
    g->power_up = age_power_up(g, g->power_up);

    update_smoke(g);
    update_barrels(g);
}
