// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Watching a recorded game in place of the title. The replay runs on a record of its own, lent
// the pack, the font and the tank types of the game on screen, through the same ticks and the
// same scene drawing as a live game; the game on screen (its settings, table and generator)
// waits unchanged behind it and takes over again when the replay ends. The recorded frames
// fall due by the time shown on screen times the speed chosen; nothing of the keyboard, the
// pad or the clock reaches the replayed game's ticks.

#include "replay/replay.h"

#include "audio/audio.h"
#include "core/core.h"
#include "core/pad.h"
#include "platform/platform.h"
#include "render/render.h"
#include "world/world.h"

#include <SDL/SDL_keysym.h>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The speeds a player steps through, slowest first.
constexpr float SPEEDS[] = {0.5f, 1, 2, 4, 8};
constexpr int NORMAL_SPEED = 1;
constexpr int SPEED_COUNT = sizeof SPEEDS / sizeof SPEEDS[0];
// How long the closing words stay before the title returns, unless a key comes first.
constexpr float CLOSING_SECONDS = 6;

enum : int { SHOWING, ENDED, REFUSED };

struct watch_state {
    bool active = false;
    int how = WATCH_CHOSEN;
    int stage = SHOWING;
    std::string path;
    replay r;
    playback_cursor cursor;
    game_record *live = nullptr;
    random_snapshot live_random{};
    int speed = NORMAL_SPEED;
    bool paused = false;
    double due_ms = 0; // recorded time owed to the replay by the time shown
    float closing = 0; // seconds left of the closing words
    std::string words[3];
    double shown_ms[SPEED_COUNT] = {}; // screen time and frames drawn at each speed
    long shown_frames[SPEED_COUNT] = {};
};

watch_state watch;
dlist *field_list = nullptr; // one list for every replay's field, compiled afresh for each

std::string minutes_seconds(uint64_t ms) {
    char text[32];
    uint64_t s = ms / 1000;
    snprintf(text, sizeof text, "%llu:%02llu", static_cast<unsigned long long>(s / 60),
             static_cast<unsigned long long>(s % 60));
    return text;
}

std::string speed_name(int speed) {
    return speed == 0 ? "1/2x" : std::to_string(static_cast<int>(SPEEDS[speed])) + "x";
}

// The replayed game's ticks see `game` as their record; the game on screen is restored after.
template <class F> void on_replay(F &&f) {
    game = watch.cursor.game;
    f();
    game = watch.live;
}

void free_view() {
    game_record *v = watch.cursor.game;
    if (!v) return;
    stop_all_sounds(v);
    v->tank_types = nullptr; // lent by the game on screen
    free_playback(v);
    watch.cursor.game = nullptr;
}

// The replayed game from its first frame; false (with *error) when its state does not load.
bool start_view(std::string *error) {
    free_view();
    bool ok = begin_playback(&watch.cursor, watch.r, error, watch.live);
    game = watch.live;
    if (!ok) return false;
    geo *field = watch.cursor.game->field;
    const geo *shown = watch.live->field;
    if (field) {
        if (!field_list) field_list = new_dlist();
        if (shown) {
            field->list = field_list;
            field_list->dirty = 1;
            field->material = shown->material;
            field->texture = shown->texture;
        } else {
            dress_field(watch.live, field, field_list);
        }
    }
    watch.due_ms = 0;
    watch.stage = SHOWING;
    return true;
}

// What the screen did while the replay showed, and its speed, on the standard output: a log of
// the session that the tests read too.
void say(const char *format, ...) __attribute__((format(printf, 1, 2)));
void say(const char *format, ...) {
    va_list args;
    va_start(args, format);
    vprintf(format, args);
    va_end(args);
    putchar('\n');
    fflush(stdout);
}

void leave() {
    std::string rates;
    for (int s = 0; s < SPEED_COUNT; ++s)
        if (watch.shown_ms[s] >= 1000) {
            char part[64];
            snprintf(part, sizeof part, "%s%s %.1f a second", rates.empty() ? "" : ", ",
                     speed_name(s).c_str(), watch.shown_frames[s] * 1000 / watch.shown_ms[s]);
            rates += part;
        }
    say("replay left%s%s", rates.empty() ? "" : "; frames drawn at ", rates.c_str());
    free_view();
    restore_random(watch.live_random);
    sounds_once_a_frame(false);
    // Keys held when the replay ends belong to it: the title starts with none pending.
    key_state[SDLK_ESCAPE] = 0;
    last_key = 0;
    start_pressed = false;
    start_needs_release = key_state[SDLK_SPACE] != 0;
    title_table.idle_seconds = 0;
    if (title_table.choice >= 0) title_table.chosen_for = 10; // the entry just watched stays chosen
    watch.active = false;
    watch.r = replay{};
}

void close_with(int stage, std::string a, std::string b, std::string c) {
    watch.stage = stage;
    watch.closing = CLOSING_SECONDS;
    watch.words[0] = std::move(a);
    watch.words[1] = std::move(b);
    watch.words[2] = std::move(c);
    sounds_once_a_frame(false);
    if (watch.cursor.game) stop_all_voices(watch.cursor.game);
}

// The replay's end, or a drift: what the screen says, and the line on the standard output.
void conclude() {
    playback_cursor &c = watch.cursor;
    if (c.outcome == PLAYBACK_VERIFIED) finish_playback_check(&c);
    char score[32];
    snprintf(score, sizeof score, "score %06d", c.game->score);
    if (c.outcome == PLAYBACK_VERIFIED) {
        say("replay ended: score %d, every fingerprint agreed", c.game->score);
        close_with(ENDED, "replay ended", score, "every fingerprint agreed");
    } else {
        std::string at = minutes_seconds(uint64_t{c.drift_second} * 1000);
        say("replay drifted at %s", at.c_str());
        close_with(ENDED, "replay drifted at " + at, score, "this game does not play as it was recorded");
    }
}

void run_due_frames(int dt) {
    if (watch.paused) return;
    watch.due_ms += dt * SPEEDS[watch.speed];
    // A long stall of the screen does not make the replay race to catch up.
    double most = 250 * SPEEDS[watch.speed];
    if (watch.due_ms > most) watch.due_ms = most;
    on_replay([&] {
        playback_cursor &c = watch.cursor;
        while (!playback_over(c) && watch.due_ms >= c.r->frames[c.frame].dt_ms) {
            watch.due_ms -= c.r->frames[c.frame].dt_ms;
            step_playback(&c);
        }
    });
}

void change_speed(int step) {
    int s = watch.speed + step;
    if (s < 0 || s >= SPEED_COUNT) return;
    watch.speed = s;
    sounds_once_a_frame(SPEEDS[s] > 1);
    say("replay at %s", speed_name(s).c_str());
}

// The keys of a replay chosen to watch.
void chosen_keys(int key) {
    switch (key) {
    case SDLK_p:
    case SDLK_SPACE:
        watch.paused = !watch.paused;
        if (watch.paused) stop_all_sounds(watch.cursor.game);
        say("replay %s at %s", watch.paused ? "paused" : "resumed",
            minutes_seconds(watch.cursor.played_ms).c_str());
        break;
    case SDLK_LEFT:
    case SDLK_MINUS:
    case SDLK_KP_MINUS:
        change_speed(-1);
        break;
    case SDLK_RIGHT:
    case SDLK_PLUS:
    case SDLK_EQUALS:
    case SDLK_KP_PLUS:
        change_speed(1);
        break;
    case SDLK_s:
    case SDLK_PERIOD:
        if (watch.paused) {
            on_replay([] { step_playback(&watch.cursor); });
            say("replay stepped to frame %zu", watch.cursor.frame);
        }
        break;
    case SDLK_r:
    case SDLK_HOME: {
        std::string error;
        if (!start_view(&error)) {
            fprintf(stderr, "%s: %s\n", watch.path.c_str(), error.c_str());
            leave();
        } else {
            say("replay restarted");
        }
        break;
    }
    default:
        break;
    }
}

} // namespace

title_table_view title_table;

bool replay_watching() {
    return watch.active;
}

std::string watch_replay_path(const std::string &path, int how) {
    // A replay the player asks for takes the place of one the title put on by itself.
    if (watch.active && watch.how == WATCH_ATTRACT && how == WATCH_CHOSEN) {
        replay r;
        std::string reason;
        if (!read_replay_file(path.c_str(), &r, &reason)) return reason;
        leave();
    }
    if (watch.active || !game || (game->flags & (FLAG_PLAYING | FLAG_MENU | FLAG_QUALIFIES)))
        return "the title is not on screen: a game, the menu, the name entry or a replay is";
    replay r;
    std::string reason;
    if (!read_replay_file(path.c_str(), &r, &reason)) return reason;
    // The title does not show by itself what it cannot play.
    if (r.simulation != SIMULATION_VERSION && how == WATCH_ATTRACT) return "another simulation version";
    watch = watch_state{};
    watch.active = true;
    watch.how = how;
    watch.path = path;
    watch.live = game;
    watch.live_random = save_random();
    watch.r = std::move(r);
    stop_all_sounds(game);
    say("watching replay %s", path.c_str());
    if (watch.r.simulation != SIMULATION_VERSION) {
        say("replay of another simulation version (%u; this game plays %u)", watch.r.simulation,
            SIMULATION_VERSION);
        close_with(REFUSED, "replay of another simulation version",
                   "recorded by version " + std::to_string(watch.r.simulation) +
                       ", this game plays version " + std::to_string(SIMULATION_VERSION),
                   "");
        return "";
    }
    std::string error;
    if (!start_view(&error)) {
        watch.active = false;
        watch.r = replay{};
        restore_random(watch.live_random);
        return error;
    }
    return "";
}

bool watch_replay_file(const std::string &path, int how) {
    std::string reason = watch_replay_path(path, how);
    if (reason.empty()) return true;
    fprintf(stderr, "%s: %s\n", path.c_str(), reason.c_str());
    return false;
}

void watch_pad_presses(int p) {
    auto press = [](int sym) {
        if (last_key == 0) last_key = sym;
    };
    if (watch.how == WATCH_ATTRACT && watch.stage == SHOWING) {
        if (p & (PAD_A | PAD_START))
            start_pressed = true;
        else if (p)
            press(SDLK_ESCAPE);
        return;
    }
    if (p & PAD_A) press(SDLK_p);
    if (p & PAD_LEFT) press(SDLK_LEFT);
    if (p & PAD_RIGHT) press(SDLK_RIGHT);
    if (p & PAD_X) press(SDLK_s);
    if (p & PAD_Y) press(SDLK_r);
    if (p & (PAD_B | PAD_BACK | PAD_START)) press(SDLK_ESCAPE);
}

void watch_frame(int dt) {
    if (!watch.active) return;
    next_sound_frame();
    if (watch.stage == SHOWING && !watch.paused) {
        watch.shown_ms[watch.speed] += dt;
        ++watch.shown_frames[watch.speed];
    }
    int key = last_key;
    if (watch.stage != SHOWING) {
        watch.closing -= dt / 1000.0f;
        if (watch.closing <= 0 || key != 0 || start_pressed) leave();
        return;
    }
    if (watch.how == WATCH_ATTRACT) {
        // As on an arcade machine: any key ends the show, and space starts a game at once.
        if (start_pressed) {
            leave();
            begin_game(game);
            return;
        }
        if (key != 0) {
            leave();
            return;
        }
    } else if (key == SDLK_ESCAPE) {
        leave();
        return;
    } else if (key != 0) {
        chosen_keys(key);
        if (!watch.active) return;
    }
    run_due_frames(dt);
    if (playback_over(watch.cursor)) on_replay(conclude);
}

void draw_watch_screen(game_record *live) {
    game_record *v = watch.cursor.game;
    if (!v) {
        draw_scene(live);
    } else {
        game = v;
        draw_scene(v);
        game = live;
    }
    std::string line;
    if (watch.stage == SHOWING && v) {
        const replay &r = watch.r;
        line = "REPLAY" + (r.player.empty() ? std::string() : "  " + r.player);
        char score[24];
        snprintf(score, sizeof score, "  score %06d", r.score);
        line += score;
        line += "  " + minutes_seconds(watch.cursor.played_ms) + " / " + minutes_seconds(r.duration_ms);
        if (watch.how == WATCH_ATTRACT) {
            line += "  press <space> to start";
        } else {
            line += "  " + speed_name(watch.speed);
            if (watch.paused) line += "  PAUSED";
        }
    }
    draw_replay_overlay(live, line.c_str(), watch.stage == SHOWING ? nullptr : watch.words);
}

void title_replays_frame(game_record *g, int dt) {
    float seconds = dt / 1000.0f;
    static float since_look = 1e9f;
    since_look += seconds;
    int key = last_key;
    bool input = key != 0 || start_pressed || pad_held() != 0;
    for (int i = 0; i < KEY_COUNT && !input; ++i)
        input = key_state[i] != 0;
    title_table.idle_seconds = input ? 0 : title_table.idle_seconds + seconds;
    if (title_table.chosen_for > 0) title_table.chosen_for -= seconds;
    if (title_table.chosen_for <= 0) title_table.choice = -1;

    // Another copy of the game may change the table: look at the folder now and then.
    std::vector<std::string> paths;
    if (since_look >= 2 || key == SDLK_UP || key == SDLK_DOWN || key == SDLK_RETURN ||
        title_table.idle_seconds >= 30) {
        paths = table_replay_paths(g);
        title_table.marks = 0;
        for (int i = 0; i < HIGH_SCORE_COUNT; ++i)
            if (!paths[i].empty()) title_table.marks |= 1u << i;
        since_look = 0;
    }
    if (key == SDLK_UP || key == SDLK_DOWN) {
        int step = key == SDLK_UP ? -1 : 1;
        int c = title_table.choice < 0 ? (step > 0 ? -1 : HIGH_SCORE_COUNT) : title_table.choice;
        c += step;
        if (c < 0) c = 0;
        if (c >= HIGH_SCORE_COUNT) c = HIGH_SCORE_COUNT - 1;
        title_table.choice = c;
        title_table.chosen_for = 10;
    } else if (key == SDLK_RETURN && title_table.choice >= 0) {
        int c = title_table.choice;
        title_table.chosen_for = 10;
        if (!paths[c].empty()) watch_replay_file(paths[c], WATCH_CHOSEN);
    } else if (title_table.idle_seconds >= 30) {
        title_table.idle_seconds = 0;
        // The table's games best first, then the last game's, the next one each time.
        std::vector<std::string> shows;
        for (const std::string &p : paths)
            if (!p.empty()) shows.push_back(p);
        if (!replay_folder_path().empty()) shows.push_back(replay_folder_path() + "/last.hmr");
        static size_t next_show = 0;
        for (size_t tries = 0; tries < shows.size(); ++tries) {
            const std::string &p = shows[next_show++ % shows.size()];
            if (watch_replay_path(p, WATCH_ATTRACT).empty()) break;
        }
    }
}
