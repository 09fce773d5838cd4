// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Tanks and combat: the tank records with their motion and collision probes, the player's
// controls, the enemy behaviours, missiles and other projectiles, and power-ups.
// The two tank records share a leading part (`tank`) so that motion, barrel pushing,
// shadows and drawing treat either alike.
#pragma once

#include <cstdint>

struct game_record;
struct tank_type;
struct barrel;
struct sound_instance;

// Control actions of the player's tank.
enum : int {
    ACT_FORWARD = 0x1,
    ACT_REVERSE = 0x2,
    ACT_LEFT = 0x4,
    ACT_RIGHT = 0x8,
    ACT_FIRE = 0x10,
};

// Projectile flags; the low six bits are the power-up bits of the firing tank.
enum : int {
    MISSILE_EXPLOSIVE = 0x1,
    MISSILE_REBOUNDING = 0x2,
    MISSILE_SCATTER = 0x4,
    MISSILE_HOMING = 0x8,
    MISSILE_MULTI = 0x10,
    MISSILE_FAST = 0x20,
    MISSILE = 0x4000,
    MISSILE_ENEMY = 0x8000,
};

struct projectile {
    float x, y, z;
    float prev_x, prev_y, prev_z;
    float vx, vy, vz;
    int flags;
    float arm_timer;
    float life;
    float life0;
    float spare;
    float heading;
    float speed;
    float puff_size;
    projectile *next;
};

struct tank {
    float x;
    float y;
    float bob;
    float prev_x;
    float prev_y;
    float prev_bob;
    float heading;
    float speed;
    float vx;
    float vy;
    float bob_phase;
    tank_type *type;
};

struct enemy_tank;
using behaviour_routine = void (*)(enemy_tank *tank, game_record *game);

struct enemy_tank : tank {
    float active;
    float level;
    behaviour_routine behaviour;
    barrel *carried;
    float goal_x;
    float goal_y;
    float lift_timer;
    int power_ups;
    float reload;
    projectile *missiles;
    sound_instance *engine_fast;
    sound_instance *engine_slow;
    enemy_tank *next;
};

struct player_tank : tank {
    float alive;
    float shield;
    int respawn_due;
    int actions;
    int power_ups;
    float reload;
    projectile *missiles;
    const char *message;
    float message_timer;
    sound_instance *engine_fast;
    sound_instance *engine_slow;
    player_tank *next;
};

struct power_up {
    float x;
    float y;
    float life;
    float intro;
    int kind; // index into "ERSHMF"
};

// --- tanks ---
enemy_tank *make_enemy_tank(game_record *game, const char *type_name, behaviour_routine behaviour);
void place_enemy_tank(enemy_tank *t, game_record *game);
void free_enemy_tank(enemy_tank *t);
player_tank *make_player_tank(game_record *game, const char *type_name);
void respawn_player_tank(player_tank *t);
void free_player_tank(player_tank *t);
void move_tank(game_record *game, tank *t);
// Where a missile's swept path of this tick begins: besides the three probe points, a tank
// counts as touched when that path enters its circle from outside. The launcher is left out
// of the sweep of a missile's first update, which begins at the launch point.
struct sweep_start {
    float x, y;
    const struct tank *launcher;
};
int hit_enemy_tanks(game_record *game, float x, float y, float vx, float vy, float r,
                    const sweep_start *from = nullptr);
int hit_player_tanks(game_record *game, float x, float y, float vx, float vy, float r,
                     const sweep_start *from = nullptr);
void run_enemy_behaviours(game_record *game, enemy_tank *enemies);
void update_enemy_tanks(game_record *game, enemy_tank *enemies);
void draw_tank(game_record *game, tank *t);
// The tank part of new_game: frees the old tanks, makes three enemies and the player's tank.
void set_up_tanks(game_record *game);

// --- player control ---
// The actions the held bound keys and the pad ask for now: what the tick reads, and what a
// recording keeps of each frame.
int held_actions(const game_record *game);
// A replay's actions for the tick to read instead of the keys and the pad; -1 when none.
extern int replayed_actions;
void read_controls(game_record *game, player_tank *t);
void update_player_tanks(game_record *game, player_tank *list);

// --- enemy behaviour ---
float drive_factor(float a);
enemy_tank *blocking_tank(game_record *game, enemy_tank *t, float r);
float steer_tank(game_record *game, enemy_tank *t, float level, float stop_distance, float tx, float ty);
player_tank *nearest_player_tank(float x, float y, player_tank *list);
barrel *nearest_ground_barrel(float x, float y, barrel *list);
void hunt_player(enemy_tank *t, game_record *game);
void steal_barrels(enemy_tank *t, game_record *game);

// --- missiles and projectiles ---
projectile *fire_missiles(game_record *game, projectile *list, float x, float y, float heading, int flags,
                          float speed_factor);
projectile *update_projectiles(game_record *game, projectile *list);
int count_projectiles(const projectile *list);
void draw_projectiles(game_record *game, projectile *list);
void free_projectiles(projectile *list);

// --- power-ups ---
extern const char *const power_up_letters; // "ERSHMF"
extern const char *const power_up_messages[6];
struct power_up *make_power_up(game_record *game);
struct power_up *age_power_up(game_record *game, struct power_up *p);
void player_take_power_up(game_record *game, player_tank *t);
int enemy_take_power_up(game_record *game, enemy_tank *t);
void draw_power_up(game_record *game);

// --- shared helpers of the combat code ---
// Degrees to radians with the game's own pi, so that every heading converts alike.
inline double to_radians(double degrees) {
    return degrees / 180.0 * 3.141592645;
}
inline double to_degrees(double radians) {
    return radians / 3.141592645 * 180.0;
}

// Running totals of what happened in play; the headless driver and tests read them.
struct combat_tally {
    long enemies_destroyed;
    long player_tanks_lost;
    long shots_fired;    // triggers pulled, by either side
    long missiles_fired; // missiles launched, by either side
    long power_ups_collected;
};
extern combat_tally tally;

// --- headless driver: the whole game without a window, GL or a pack ---
enum : int {
    PILOT_IDLE = 0,      // the player's tank never moves
    PILOT_SCRIPTED = 1,  // turns to the nearest enemy in play and fires when lined up
    PILOT_COLLECTOR = 2, // as the scripted pilot, but drives over every power-up that shows
};

struct driver_options {
    unsigned seed = 17;
    float seconds = 60.0f; // span of game time to run
    float tick = 0.02f;    // tick length in seconds
    int pilot = PILOT_SCRIPTED;
    int held_actions = 0; // ACT_* bits held on top of the pilot's choice
    int power_ups = 0;    // MISSILE_* power-up bits given to the player's tank every tick
    int smoke_level = -1; // 0..5 sets the smoke spacing; -1 keeps the default
    bool stop_at_game_over = true;
    bool field = false; // the hilly field under the game, built as the first drawn frame builds it
};

struct driver_stats {
    int score;
    int barrels_left;
    long enemies_destroyed;
    long player_tanks_lost;
    long missiles_fired;
    long power_ups_collected;
    int peak_missiles;
    int peak_puffs;
    int peak_explosions;
    bool game_over;
    float game_time;
    long ticks;
    bool enemies_placed_well; // every enemy was on the rim or in play after every tick
};

// Sets up a record, the two tank types and a new game in the playing state, and makes it the
// global `game`; free_headless_game releases all of it.
game_record *start_headless_game(const driver_options &options);
// Presses the bound keys the pilot wants for this tick (and the held actions).
void drive_pilot(game_record *game, const driver_options &options);
// Runs one tick of length options.tick the way the frame loop does.
void headless_tick(game_record *game, const driver_options &options);
// Calls `each` after every tick of a headless game (with the tick count so far); the tests that
// fingerprint whole games use it.
driver_stats run_headless_game_watched(const driver_options &options,
                                       void (*each)(const game_record *game, long ticks, void *context),
                                       void *context);
void free_headless_game(game_record *game);
driver_stats run_headless_game(const driver_options &options);
