// Sky and ground: the heptagonal sky wall, the field, the ground decals and the ring wall.

#include "world/world.h"

#include "core/core.h"

void draw_sky_and_field(game_record *) {}
void draw_ground_decals(game_record *) {}
void draw_ring_wall(game_record *, GLenum) {}
