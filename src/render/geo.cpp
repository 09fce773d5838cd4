// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Meshes, materials and tank types: the OBJ subset parsed in two passes, the material
// keywords, display-list drawing, the tank type registry and the shared unit quad.
// Resource text is handled within its stated length (a missing terminator is harmless), and
// a mesh whose counted lines do not parse or whose faces point outside its arrays is refused.

#include "render/render.h"

#include "core/core.h"
#include "pack/pack.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

namespace {

// The text up to its terminator or its stated length, whichever comes first.
std::string_view bounded_text(const char *text, size_t length) {
    if (!text) return {};
    const void *nul = memchr(text, 0, length);
    return {text, nul ? static_cast<size_t>(static_cast<const char *>(nul) - text) : length};
}

bool is_blank(char c) {
    return c == ' ' || c == '\t';
}

enum line_kind { LINE_OTHER, LINE_VERTEX, LINE_NORMAL, LINE_TEXCOORD, LINE_FACE };

line_kind classify(std::string_view line) {
    if (line.size() >= 2 && line[0] == 'v') {
        if (is_blank(line[1])) return LINE_VERTEX;
        if (line[1] == 'n') return LINE_NORMAL;
        if (line[1] == 't') return LINE_TEXCOORD;
    }
    if (!line.empty() && line[0] == 'f') return LINE_FACE;
    return LINE_OTHER;
}

struct counted_line {
    line_kind kind;
    int number; // 1-based, for the message
    std::string text;
};

// Reads one "v/t/n" corner at p (leading blanks allowed); false unless all three are integers.
bool read_corner(const char *p, long out[3]) {
    for (int k = 0; k < 3; ++k) {
        if (k > 0) {
            if (*p != '/') return false;
            ++p;
        }
        char *end = nullptr;
        errno = 0;
        long value = strtol(p, &end, 10);
        if (end == p || errno == ERANGE) return false;
        out[k] = value;
        p = end;
    }
    return true;
}

// Parses one face line into f; returns an empty string or the reason it is malformed.
std::string parse_face(const std::string &line, const geo &g, face *f) {
    if (line.size() < 2 || !is_blank(line[1])) return "not a face line";
    const char *p = line.c_str() + 1;
    while (is_blank(*p))
        ++p;
    long corner[3];
    while (*p && *p != '\n' && read_corner(p, corner)) {
        if (corner[0] < 1 || corner[1] < 1 || corner[2] < 1) return "face index not positive";
        if (corner[0] > g.vertex_count || corner[1] > g.texcoord_count || corner[2] > g.normal_count)
            return "face index out of range";
        f->vertex_index.push_back(static_cast<int32_t>(corner[0] - 1));
        f->texcoord_index.push_back(static_cast<int32_t>(corner[1] - 1));
        f->normal_index.push_back(static_cast<int32_t>(corner[2] - 1));
        while (*p && !is_blank(*p) && *p != '\n')
            ++p;
        while (is_blank(*p))
            ++p;
    }
    for (; *p; ++p)
        if (!is_blank(*p) && *p != '\r' && *p != '\n') return "face corner without all three indices";
    if (f->vertex_index.empty()) return "face without corners";
    f->count = static_cast<int32_t>(f->vertex_index.size());
    return {};
}

void free_faces(face *f) {
    while (f) {
        face *next = f->next;
        delete f;
        f = next;
    }
}

} // namespace

// Counts the statements, then reads each counted line into arrays allocated at their final size.
geo *parse_obj(const char *name, const char *text, size_t length) {
    const char *label = name ? name : "object";
    std::string_view body = bounded_text(text, length);

    std::vector<counted_line> lines;
    int vertices = 0, normals = 0, texcoords = 0;
    int number = 0;
    for (size_t start = 0; start < body.size();) {
        size_t end = body.find('\n', start);
        if (end == std::string_view::npos) end = body.size();
        std::string_view line = body.substr(start, end - start);
        ++number;
        line_kind kind = classify(line);
        if (kind != LINE_OTHER) lines.push_back({kind, number, std::string(line)});
        if (kind == LINE_VERTEX) ++vertices;
        if (kind == LINE_NORMAL) ++normals;
        if (kind == LINE_TEXCOORD) ++texcoords;
        start = end + 1;
    }

    auto *g = new geo{};
    g->name = label;
    g->vertex_count = vertices;
    g->normal_count = normals;
    g->texcoord_count = texcoords;
    g->vertices.assign(static_cast<size_t>(vertices) * 3, 0.0f);
    g->normals.assign(static_cast<size_t>(normals) * 3, 0.0f);
    g->texcoords.assign(static_cast<size_t>(texcoords) * 2, 0.0f);

    int vi = 0, ni = 0, ti = 0;
    for (const counted_line &l : lines) {
        std::string problem;
        float x = 0, y = 0, z = 0;
        switch (l.kind) {
        case LINE_VERTEX:
            if (sscanf(l.text.c_str(), "v %f %f %f\n", &x, &y, &z) != 3) {
                problem = "vertex line does not hold three numbers";
                break;
            }
            g->vertices[3 * vi] = x;
            g->vertices[3 * vi + 1] = y;
            g->vertices[3 * vi + 2] = z;
            if (vi == 0) {
                g->min_x = g->max_x = x;
                g->min_y = g->max_y = y;
                g->min_z = g->max_z = z;
            } else {
                if (g->min_x > x) g->min_x = x;
                if (g->min_y > y) g->min_y = y;
                if (g->min_z > z) g->min_z = z;
                if (g->max_x < x) g->max_x = x;
                if (g->max_y < y) g->max_y = y;
                if (g->max_z < z) g->max_z = z;
            }
            ++vi;
            break;
        case LINE_NORMAL:
            if (sscanf(l.text.c_str(), "vn %f %f %f\n", &x, &y, &z) != 3) {
                problem = "normal line does not hold three numbers";
                break;
            }
            g->normals[3 * ni] = -x;
            g->normals[3 * ni + 1] = -y;
            g->normals[3 * ni + 2] = -z;
            ++ni;
            break;
        case LINE_TEXCOORD:
            if (sscanf(l.text.c_str(), "vt %f %f\n", &x, &y) != 2) {
                problem = "texture coordinate line does not hold two numbers";
                break;
            }
            g->texcoords[2 * ti] = x;
            g->texcoords[2 * ti + 1] = y;
            ++ti;
            break;
        case LINE_FACE: {
            auto *f = new face{};
            problem = parse_face(l.text, *g, f);
            if (!problem.empty()) {
                delete f;
                break;
            }
            f->next = g->faces;
            g->faces = f;
            break;
        }
        case LINE_OTHER:
            break;
        }
        if (!problem.empty()) {
            fprintf(stderr, "%s: line %d: %s\n", label, l.number, problem.c_str());
            free_geo(g);
            return nullptr;
        }
    }
    return g;
}

geo *load_geo(game_record *game, const char *name) {
    if (!game || !name) return nullptr;
    pack_entry *e = find_resource(game->pack, name);
    if (!e) return nullptr;
    geo *g = parse_obj(name, reinterpret_cast<const char *>(e->data), e->size);
    if (g) g->list = new_dlist();
    return g;
}

material *parse_material(const char *text, size_t length) {
    // A terminated copy, so that the keyword search and the number reads stop at the text's end.
    std::string body(bounded_text(text, length));
    auto *m = new material{};
    m->emission[3] = m->ambient[3] = m->diffuse[3] = m->specular[3] = 1.0f;
    struct keyword {
        const char *word;
        const char *format;
        float *colour;
    };
    const keyword keywords[4] = {{"emit", "emit %f %f %f", m->emission},
                                 {"ambient", "ambient %f %f %f", m->ambient},
                                 {"diffuse", "diffuse %f %f %f", m->diffuse},
                                 {"specular", "specular %f %f %f", m->specular}};
    for (const keyword &k : keywords) {
        size_t at = body.find(k.word);
        // An occurrence at the very first byte counts as absent.
        if (at == std::string::npos || at == 0) continue;
        sscanf(body.c_str() + at, k.format, &k.colour[0], &k.colour[1], &k.colour[2]);
    }
    return m;
}

material *load_material(game_record *game, const char *name) {
    if (!game || !name) return nullptr;
    pack_entry *e = find_resource(game->pack, name);
    if (!e) return nullptr;
    return parse_material(reinterpret_cast<const char *>(e->data), e->size);
}

namespace {

bool corner_in_range(const geo *g, const face *f, int i) {
    return f->vertex_index[i] >= 0 && f->vertex_index[i] < g->vertex_count && f->normal_index[i] >= 0 &&
           f->normal_index[i] < g->normal_count && f->texcoord_index[i] >= 0 &&
           f->texcoord_index[i] < g->texcoord_count;
}

void emit_face(const geo *g, const face *f) {
    for (int i = 0; i < f->count; ++i) {
        // Generated meshes are not parsed, so their indices are checked here, once per compile.
        if (!corner_in_range(g, f, i)) continue;
        glNormal3fv(&g->normals[3 * static_cast<size_t>(f->normal_index[i])]);
        glTexCoord2fv(&g->texcoords[2 * static_cast<size_t>(f->texcoord_index[i])]);
        glVertex3fv(&g->vertices[3 * static_cast<size_t>(f->vertex_index[i])]);
    }
}

void compile_geo(geo *g) {
    g->list->dirty = 0;
    glNewList(g->list->id, GL_COMPILE);
    glPushMatrix();
    glRotatef(90, 1, 0, 0);
    if (g->texture && glIsTexture(g->texture->gl_name)) glBindTexture(GL_TEXTURE_2D, g->texture->gl_name);
    if (g->material) {
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, g->material->ambient);
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, g->material->diffuse);
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, g->material->specular);
        glMaterialfv(GL_FRONT_AND_BACK, GL_EMISSION, g->material->emission);
    }
    glBegin(GL_TRIANGLES);
    for (const face *f = g->faces; f; f = f->next)
        if (f->count == 3) emit_face(g, f);
    glEnd();
    glBegin(GL_QUADS);
    for (const face *f = g->faces; f; f = f->next)
        if (f->count == 4) emit_face(g, f);
    glEnd();
    for (const face *f = g->faces; f; f = f->next) {
        if (f->count == 3 || f->count == 4) continue;
        glBegin(GL_POLYGON);
        emit_face(g, f);
        glEnd();
    }
    glPopMatrix();
    glEndList();
}

} // namespace

void draw_geo(geo *g) {
    if (!g) return;
    if (!g->list) g->list = new_dlist();
    if (g->list->dirty) compile_geo(g);
    if (glIsList(g->list->id))
        glCallList(g->list->id);
    else
        printf("geo handle not defined for: %s\n", g->name.c_str());
}

void free_geo(geo *g) {
    if (!g) return;
    free_faces(g->faces);
    // The display-list handle stays in the registry, which never releases handles.
    delete g;
}

void register_tank_type(game_record *g, const char *name, float turn_rate, float top_speed, float param3,
                        float radius, float reload_time, float param6, const char *object,
                        const char *texture_name, const char *material_name) {
    auto *t = new tank_type{name,   nullptr,     turn_rate, top_speed,    param3,
                            radius, reload_time, param6,    g->tank_types};
    t->geo = load_geo(g, object);
    if (t->geo) {
        t->geo->texture = load_texture(g, texture_name, 3, GL_CLAMP);
        t->geo->material = load_material(g, material_name);
    }
    g->tank_types = t;
}

void register_game_tank_types(game_record *g) {
    register_tank_type(g, "player", 120.0f, 35.0f, 100.0f, 1.6f, 0.3f, 100.0f, "object_tank_1",
                       "texture_tank_1", "material_tank");
    register_tank_type(g, "grunt", 90.0f, 15.0f, 100.0f, 1.6f, 3.0f, 100.0f, "object_tank_1",
                       "texture_tank_1", "material_tank");
}

tank_type *find_tank_type(game_record *g, const char *name) {
    if (!name) return nullptr;
    for (tank_type *t = g->tank_types; t; t = t->next)
        if (t->name == name) return t;
    return nullptr;
}

dlist *unit_quad() {
    static dlist *quad = nullptr;
    if (!quad) quad = new_dlist();
    if (quad->dirty) {
        quad->dirty = 0;
        glNewList(quad->id, GL_COMPILE);
        glBegin(GL_TRIANGLE_STRIP);
        glTexCoord2f(1, 0);
        glVertex3f(1, -1, 0);
        glTexCoord2f(1, 1);
        glVertex3f(1, 1, 0);
        glTexCoord2f(0, 0);
        glVertex3f(-1, -1, 0);
        glTexCoord2f(0, 1);
        glVertex3f(-1, 1, 0);
        glEnd();
        glEndList();
    }
    return quad;
}
