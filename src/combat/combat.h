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
int hit_enemy_tanks(game_record *game, float x, float y, float vx, float vy, float r);
int hit_player_tanks(game_record *game, float x, float y, float vx, float vy, float r);
void run_enemy_behaviours(game_record *game, enemy_tank *enemies);
void update_enemy_tanks(game_record *game, enemy_tank *enemies);
void draw_tank(game_record *game, tank *t);
// The tank part of new_game: frees the old tanks, makes three enemies and the player's tank.
void set_up_tanks(game_record *game);

// --- player control ---
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
