// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Game core: the central record `game`, its state bits and settings block, the frame loop,
// the game flow and tick, the settings file and the high-score table.
// Every other subsystem reaches the running game through the record declared here; the
// settings block is byte for byte the settings file, so its layout is fixed and checked.
#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstdio>

struct pack_entry;
struct tank_type;
struct geo;
struct power_up;
struct player_tank;
struct enemy_tank;
struct barrel;
struct explosion;
struct smoke_puff;

// State bits of game_record::flags.
enum : int {
    FLAG_PLAYING = 0x1,
    FLAG_GAME_OVER = 0x2,
    FLAG_FROZEN = 0x4,
    FLAG_MENU = 0x100,
    FLAG_QUALIFIES = 0x200,
};

// Display option bits of settings_block::display_flags.
enum : int {
    SHOW_MARKS = 0x1,
    SHOW_SMOKE = 0x2,
    SHOW_SHADOWS = 0x4,
    SHOW_RADAR = 0x10000,
    SHOW_FPS = 0x10000000,
};

constexpr int KEY_COUNT = 1024;         // SDL 1.2 key symbols are all below this
constexpr float ARENA_RADIUS = 60.0f;   // the ring wall
constexpr float RIM_RADIUS = 135.0f;    // where enemy tanks enter
constexpr double GAME_PI = 3.141592645; // the game's own pi for degree conversions
constexpr int HIGH_SCORE_COUNT = 10;
constexpr int NAME_LENGTH = 20;

// The settings file, exactly as stored: 808 bytes, little-endian.
struct settings_block {
    int32_t version;
    int32_t fullscreen;
    int32_t width;
    int32_t height;
    int32_t bit_depth;
    float smoke_detail;
    float audio_level;
    int32_t display_flags;
    int32_t view_mode;
    int32_t key_left;
    int32_t key_right;
    int32_t key_forward;
    int32_t key_reverse;
    int32_t key_fire;
    uint8_t reserved[512];
    int32_t high_scores[HIGH_SCORE_COUNT];
    char high_names[HIGH_SCORE_COUNT][NAME_LENGTH];
};
static_assert(sizeof(settings_block) == 808, "the settings file is 808 bytes");
static_assert(offsetof(settings_block, smoke_detail) == 20);
static_assert(offsetof(settings_block, key_fire) == 52);
static_assert(offsetof(settings_block, reserved) == 56);
static_assert(offsetof(settings_block, high_scores) == 568);
static_assert(offsetof(settings_block, high_names) == 608);
static_assert(std::endian::native == std::endian::little, "the settings block is stored as in memory");

// The one central record.
struct game_record {
    int *key_state; // 1024 entries, then last_key
    int font_lists; // first of the 128 glyph display lists
    int score;
    float game_time;
    float thump_timer;
    char player_name[NAME_LENGTH];
    int name_cursor;
    float frame_ms_avg;
    int frame_ms;
    float tick_seconds;
    int flags;
    settings_block settings;
    pack_entry *pack;
    tank_type *tank_types;
    geo *field;
    struct power_up *power_up;
    player_tank *player;
    enemy_tank *enemies;
    int barrels_left;
    barrel *barrels;
    explosion *explosions;
    smoke_puff *smoke;
};

extern game_record *game;

// Held keys by SDL key symbol; entry KEY_COUNT is last_key, the key that went down this frame.
extern int key_state[KEY_COUNT + 1];
inline int &last_key = key_state[KEY_COUNT];

// --- start-up and frame loop ---
void ui_init();
void poll_events();
void run_frame();
// Draws and shows the first picture before the first frame runs (start-up).
void show_first_frame();
void frame_update();
// The dispatch of one frame of dt milliseconds; frame_update measures dt and calls this.
void advance_frame(game_record *game, int dt);
// A playing frame's share of that: the ticks for dt milliseconds (cut at 100 ms), with the
// table's qualification before and the game's end after. A replay plays its frames through it.
void play_frame_ticks(game_record *game, int dt);
double elapsed_ms();
void sleep_ms(uint32_t ms);
[[noreturn]] void save_and_exit(int status);
// Writes the settings file now, as an exit would, and carries on.
void save_settings();
// An exit handler, registered after SDL's so that it runs first. An exit that did not come
// through save_and_exit (Xlib ends the process this way when the display connection breaks)
// writes the settings and ends the process with status 1 at once, skipping the handlers
// that would wait for the lost display for ever.
void unplanned_exit();
// Records a key event as poll_events does (symbols of KEY_COUNT and above are ignored).
void key_event(int sym, bool down);

// Creates the record with empty lists and the game-over state; does not read settings.
game_record *new_game_record();

// --- shared helpers ---
// The game's own random generator (random.cpp): the sequence glibc's rand() gives, on every
// system. seed_random is srand, random_draw is rand (0 .. 2^31 - 1).
void seed_random(unsigned seed);
int random_draw();
// The generator's whole state: to fingerprint a game, or to take up a game where it stood.
struct random_snapshot {
    uint32_t word[31];
    int32_t front, rear;
};
random_snapshot save_random();
// False, leaving the generator as it was, for a state no run of the generator can have.
bool restore_random(const random_snapshot &state);
// A draw narrowed to 0..32767, the range every random decision of the game is built on.
// Use it wherever a raw draw is needed.
int game_rand();
double random_unit();
double length2d(double x, double y);
void zero_bytes(void *p, size_t n);

// --- settings file ---
void read_settings(game_record *game, const char *path);
// Writes atomically (temporary file then rename); returns false and reports on failure.
bool write_settings(game_record *game, const char *path);
int snap_resolution(int w, int h);
void default_settings(settings_block *s);
// Puts back the default of every field that is out of range; returns the number mended.
int check_settings(settings_block *s);

extern const int resolution_table[4][2];
extern const int bit_depth_table[2];
extern const float smoke_detail_table[6];

// --- game flow and tick ---
void new_game(game_record *game);
void game_tick();
void title_frame(int dt);
// A new game from the title: new_game, the playing state, and its recording begun.
void begin_game(game_record *game);
// The start key (space, or a pad's start buttons) went down or up. A press latches until the
// next title frame, so a tap between two slow frames is not lost; after a game has ended
// with the key held, only a press that follows a release starts the next one.
void start_event(bool down);
extern bool start_pressed;       // a press since the last frame (cleared after every frame)
extern bool start_needs_release; // the key was held when the last game ended
// The frame in which the game ended: final qualification, voices silenced, start key rearmed.
void end_game(game_record *game);
// Sets or clears FLAG_QUALIFIES: whether the score now earns a place in the table.
void decide_qualifies(game_record *game);
int menu_frame(int dt);
// Number of game ticks run since start-up (for tests and the driver).
extern long game_ticks_run;
// 64 bits that stand for the whole state of the simulation: the record's fields that the tick
// reads or writes, the settings it reads, every object list in its order, the field's heights
// and the random generator. Two runs that agree here play on alike.
uint64_t state_fingerprint(const game_record *game);

// --- high scores and name entry ---
int name_entry(int dt);
void insert_high_score(game_record *game, int score, const char *name);
int shift_char(int c);
// Steps the character at the cursor through the name alphabet (space, a-z, 0-9, punctuation),
// appending one at the end of the name; the cursor stays where it is.
void name_cycle(int step);
// Puts the name editor's working cursor back to the start (new_game does this).
void reset_name_cursor();
