// Explosions: the bang, 15 debris thrown along the ground, and the puff dome they are drawn with.

#include "world/world.h"

#include "core/core.h"

void make_explosion(game_record *, float, float, float) {}
void update_explosions(game_record *) {}
void draw_explosions(game_record *) {}
dlist *puff_dome() { return nullptr; }
void draw_debris(game_record *, projectile *) {}
