// Power-ups: appearance, ageing, pick-up by either side, and the beam, letter and sparkles.

#include "combat/combat.h"

#include "core/core.h"

const char *const power_up_letters = "ERSHMF";
const char *const power_up_messages[6] = {
    "RETRIEVED EXPLOSIVE MISSILES POWER-UP", "RETRIEVED REBOUNDING MISSILES POWER-UP",
    "RETRIEVED SCATTER SHOT POWER-UP",       "RETRIEVED HOMING MISSILES POWER-UP",
    "RETRIEVED MULTI-SHOT POWER-UP",         "RETRIEVED FAST MISSILES POWER-UP",
};

struct power_up *make_power_up(game_record *) { return nullptr; }
struct power_up *age_power_up(game_record *, struct power_up *p) { return p; }
void player_take_power_up(game_record *, player_tank *) {}
int enemy_take_power_up(game_record *, enemy_tank *) { return 0; }
void draw_power_up(game_record *) {}
