// Enemy behaviour: the shared steering, the barrel thieves and the hunters.

#include "combat/combat.h"

#include "core/core.h"

float drive_factor(float) { return 0.0f; }
enemy_tank *blocking_tank(game_record *, enemy_tank *, float) { return nullptr; }
float steer_tank(game_record *, enemy_tank *, float, float, float, float) { return 0.0f; }
player_tank *nearest_player_tank(float, float, player_tank *) { return nullptr; }
barrel *nearest_ground_barrel(float, float, barrel *) { return nullptr; }
void hunt_player(enemy_tank *, game_record *) {}
void steal_barrels(enemy_tank *, game_record *) {}
