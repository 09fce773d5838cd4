// The radar: a round map of the arena with clipped symbols and arrowheads for enemies outside.

#include "render/render.h"

#include "core/core.h"

void draw_radar(game_record *) {}
