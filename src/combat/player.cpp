// Player control: the bound keys become actions, and the player's tank's per-tick update.

#include "combat/combat.h"

#include "core/core.h"

void read_controls(game_record *, player_tank *t) {
    if (t) t->actions = 0;
}
void update_player_tanks(game_record *, player_tank *) {}
