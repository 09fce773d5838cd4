// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Power-ups: appearance, ageing, pick-up by either side, and the beam, letter and sparkles.
// There is at most one power-up, held in game->power_up; it is malloc'd here and freed with
// free() when it is collected or runs out (or by the new-game reset).

#include "combat/combat.h"

#include "audio/audio.h"
#include "core/core.h"
#include "core/game_math.h"
#include "render/render.h"
#include "world/world.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <cmath>
#include <cstdlib>

const char *const power_up_letters = "ERSHMF";
const char *const power_up_messages[6] = {
    "RETRIEVED EXPLOSIVE MISSILES POWER-UP", "RETRIEVED REBOUNDING MISSILES POWER-UP",
    "RETRIEVED SCATTER SHOT POWER-UP",       "RETRIEVED HOMING MISSILES POWER-UP",
    "RETRIEVED MULTI-SHOT POWER-UP",         "RETRIEVED FAST MISSILES POWER-UP",
};

namespace {

constexpr int KIND_COUNT = 6;
constexpr float PICK_UP_REACH = 1.7f; // added to the tank's radius

sound *cached_sound(game_record *g, sound **slot, bool *loaded, const char *name) {
    if (!*loaded) {
        *slot = load_sound(g, name, 1.0f, 0);
        *loaded = true;
    }
    return *slot;
}

bool within_reach(const tank *t, const struct power_up *p) {
    float radius = t->type ? t->type->radius : 0.0f;
    return length2d(t->x - p->x, t->y - p->y) < radius + PICK_UP_REACH;
}

int kind_bit(const struct power_up *p) {
    int k = p->kind;
    return (k >= 0 && k < KIND_COUNT) ? 1 << k : 0;
}

} // namespace

struct power_up *make_power_up(game_record *g) {
    static sound *create = nullptr;
    static bool loaded = false;
    auto *p = static_cast<struct power_up *>(malloc(sizeof(struct power_up)));
    if (!p) {
        fprintf(stderr, "out of memory for a power-up\n");
        return nullptr;
    }
    double d = random_unit() * 45 + 10;
    double a = random_unit() * 2 * GAME_PI;
    p->x = static_cast<float>(d * game_cos(a));
    p->y = static_cast<float>(d * game_sin(a));
    p->life = 10 / (g->game_time / 600 + 1);
    p->intro = 0.33f;
    p->kind = game_rand() % KIND_COUNT;
    play_sound(g, cached_sound(g, &create, &loaded, "audio_power_up_create"), 1.0f, p->x, p->y);
    return p;
}

struct power_up *age_power_up(game_record *g, struct power_up *p) {
    if (!p) return nullptr;
    p->life -= g->tick_seconds;
    p->intro -= g->tick_seconds;
    if (p->life <= 0) {
        free(p);
        return nullptr;
    }
    return p;
}

void player_take_power_up(game_record *g, player_tank *t) {
    static sound *pick = nullptr;
    static bool loaded = false;
    if (!g || !t || !g->power_up) return;
    struct power_up *p = g->power_up;
    if (!within_reach(t, p)) return;
    play_sound(g, cached_sound(g, &pick, &loaded, "audio_power_up"), 1.0f, p->x, p->y);
    t->power_ups |= kind_bit(p);
    if (p->kind >= 0 && p->kind < KIND_COUNT) t->message = power_up_messages[p->kind];
    t->message_timer = 6.0f;
    free(p);
    g->power_up = nullptr;
    ++tally.power_ups_collected;
}

int enemy_take_power_up(game_record *g, enemy_tank *t) {
    static sound *pick = nullptr;
    static bool loaded = false;
    if (!g || !t || !g->power_up || t->active == 0) return 0;
    struct power_up *p = g->power_up;
    if (!within_reach(t, p)) return 0;
    play_sound(g, cached_sound(g, &pick, &loaded, "audio_power_up"), 1.0f, p->x, p->y);
    t->power_ups |= kind_bit(p);
    free(p);
    g->power_up = nullptr;
    ++tally.power_ups_collected;
    return 1;
}

void draw_power_up(game_record *g) {
    static texture *puff = nullptr, *streaks = nullptr;
    static bool loaded = false;
    const struct power_up *p = g->power_up;
    if (!p) return;
    if (!loaded) {
        puff = load_texture(g, "texture_puff_1", 1, GL_CLAMP);
        streaks = load_texture(g, "texture_streaks_1", 1, GL_REPEAT);
        loaded = true;
    }
    dlist *quad = unit_quad(); // renewed by its owner after a mode change
    GLUquadric *q = gluNewQuadric();

    glDisable(GL_LIGHTING);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glBindTexture(GL_TEXTURE_2D, streaks ? streaks->gl_name : 0);
    glDepthMask(GL_FALSE);
    gluQuadricDrawStyle(q, GLU_FILL);
    gluQuadricTexture(q, GL_TRUE);
    float g0 = height_at(g, p->x, p->y);

    float spread = 1.5f, fade = 1.0f;
    if (p->intro > 0) {
        float k = p->intro / 0.33f;
        fade = 1 - k;
        spread = (5 * k + 1) * 1.5f;
        float c = 3 * k * k;
        glPushMatrix();
        glTranslatef(p->x, p->y, g0);
        glColor4f(0.15f * c, 0.15f * c, 0.5f * c, 0);
        glRotatef(360 * c, 0, 0, 1);
        gluCylinder(q, c, c, 30, 16, 1);
        glRotatef(15 * c, 0, 0, 1);
        gluCylinder(q, c, c, 30, 16, 1);
        glPopMatrix();
    }

    float pulse = static_cast<float>(game_sin(to_radians(p->life * 15)) * 0.25 + 0.75);
    glColor4f(0.6f * pulse, 0.6f * pulse, 2.0f * pulse, 0.5f);

    // Billboard: keep only the translation so what follows faces the viewer.
    glPushMatrix();
    glTranslatef(p->x, p->y, g0 + 1.9f);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glLoadIdentity();
    glTranslatef(m[12], m[13], m[14]);

    glPushMatrix();
    glRotatef(p->life * 250 - 90, 0, 1, 0);
    glDisable(GL_TEXTURE_2D);
    if (p->kind >= 0 && p->kind < KIND_COUNT) draw_glyph_decal(g, power_up_letters[p->kind]);
    glEnable(GL_TEXTURE_2D);
    glPopMatrix();

    glBindTexture(GL_TEXTURE_2D, puff ? puff->gl_name : 0);
    glColor4f(0.3f * pulse, 0.3f * pulse, 1.0f * pulse, 0);
    for (int i = 0; i < 64; ++i) {
        float sy = static_cast<float>(game_cos(17.0 * i) * spread);
        double w = (p->life * 50 + i) * GAME_PI * 0.03 * game_sin(3.0 * i);
        double rho = game_cos(33.0 * i) * 0.25 + 1.5;
        float sx = static_cast<float>(fade * game_sin(w) * rho);
        float sz = static_cast<float>(fade * game_cos(w) * rho);
        glPushMatrix();
        glTranslatef(sx, sy, sz);
        float s = static_cast<float>(game_sin(171.0 * i + p->life) * 0.05 + 0.1);
        glScalef(s, s, s);
        if (quad) glCallList(quad->id);
        glPopMatrix();
    }

    glDepthMask(GL_TRUE);
    glPopMatrix();
    glEnable(GL_LIGHTING);
    gluDeleteQuadric(q);
}
