// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Sky and ground: the heptagonal sky wall, the field, the ground decals and the ring wall.
// Decals are the shared unit quad laid flat at the ground height under their centre; they are
// drawn without depth test right after the field, so whatever is drawn later covers them.

#include "world/world.h"

#include "combat/combat.h"
#include "core/core.h"
#include "core/game_math.h"
#include "render/render.h"

#include <GL/glu.h>
#include <algorithm>
#include <cmath>

static void call_list(const dlist *d) {
    if (d) glCallList(d->id);
}

static void compile_sky_segment(dlist *d) {
    d->dirty = 0;
    double a = 2000 * game_sin(2 * GAME_PI / 7);
    double b = 2000 * game_cos(2 * GAME_PI / 7);
    glNewList(d->id, GL_COMPILE);
    glBegin(GL_TRIANGLE_STRIP);
    glTexCoord2f(0, 0);
    glVertex3d(-a, -b, 0);
    glTexCoord2f(0, 1);
    glVertex3d(-a, -b, 520);
    glTexCoord2f(1, 0);
    glVertex3d(0, -2000, 0);
    glTexCoord2f(1, 1);
    glVertex3d(0, -2000, 520);
    glEnd();
    glEndList();
}

void draw_sky_and_field(game_record *game) {
    static dlist *sky = nullptr;
    static texture *sky_texture = nullptr;
    if (!game) return;
    if (!sky) {
        sky = new_dlist();
        if (!game->field) game->field = make_field(game, 180.0f, 180.0f, 25, 25);
        sky_texture = load_texture(game, "texture_sky_1", 3, GL_CLAMP);
    }
    if (sky->dirty) compile_sky_segment(sky);

    glPushAttrib(GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT | GL_LIGHTING_BIT);
    glDisable(GL_FOG);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glColor4f(1, 1, 1, 1);
    if (sky_texture) glBindTexture(GL_TEXTURE_2D, sky_texture->gl_name);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glPushMatrix();
    glTranslatef(0, 0, -110);
    for (int k = 0; k < 7; ++k) {
        glRotatef(360.0f / 7, 0, 0, 1);
        call_list(sky);
    }
    glPopMatrix();
    glPopAttrib();

    // A replay shown brings a field of its own.
    if (game->field) draw_geo(game->field);
    draw_ground_decals(game);
}

// One decal: the unit quad flat on the ground under (x, y), uniformly scaled.
static void decal(game_record *game, const dlist *quad, float x, float y, float scale) {
    glPushMatrix();
    glTranslatef(x, y, height_at(game, x, y));
    glScalef(scale, scale, scale);
    call_list(quad);
    glPopMatrix();
}

static void missile_shadows(game_record *game, const dlist *quad, const projectile *list) {
    for (const projectile *p = list; p; p = p->next) {
        if (!(p->flags & MISSILE)) continue;
        glPushMatrix();
        glTranslatef(p->x, p->y, height_at(game, p->x, p->y));
        glRotatef(p->heading, 0, 0, 1);
        glScalef(0.5f, 0.1f, 0.1f);
        call_list(quad);
        glPopMatrix();
    }
}

static void tank_shadow(game_record *game, const dlist *quad, const tank *t) {
    float r = t->type ? t->type->radius : 0.0f;
    glPushMatrix();
    glTranslatef(t->x, t->y, height_at(game, t->x, t->y));
    glRotatef(t->heading, 0, 0, 1);
    glTranslatef(-0.25f, 0, 0);
    glScalef(1.5f * r, 0.9f * r, r);
    call_list(quad);
    glPopMatrix();
}

static void draw_shadows(game_record *game, const dlist *quad, int options) {
    for (const barrel *b = game->barrels; b; b = b->next) {
        if (b->state == BARREL_GONE || !(b->lift < 10.0f)) continue;
        float a = (1 - b->lift / 10) * 0.5f;
        glColor4f(0.5f, 0.5f, 0.5f, a);
        decal(game, quad, b->x, b->y, 0.75f);
    }
    glColor4f(0.5f, 0.5f, 0.5f, 0.5f);
    for (const player_tank *t = game->player; t; t = t->next) {
        if (t->alive > 0) tank_shadow(game, quad, t);
        missile_shadows(game, quad, t->missiles);
    }
    for (const enemy_tank *t = game->enemies; t; t = t->next) {
        if (t->active > 0) tank_shadow(game, quad, t);
        missile_shadows(game, quad, t->missiles);
    }
    if (!(options & SHOW_SMOKE)) return;
    for (const smoke_puff *p = game->smoke; p; p = p->next) {
        if (!(p->z < 10.0f) || p->kind != 1 || !(p->initial_life > 0)) continue;
        float q = (p->life / p->initial_life) * (1 - p->z / 10);
        float a = p->opacity * 0.5f * q;
        float s = static_cast<float>(2 * p->size * (game_pow(std::max(0.0f, 1 - q), 0.5) + 0.5));
        glColor4f(0.5f, 0.5f, 0.5f, a);
        decal(game, quad, p->x, p->y, s);
    }
}

void draw_ground_decals(game_record *game) {
    static texture *shadow = nullptr;
    static texture *flash = nullptr;
    static bool loaded = false;
    if (!game) return;
    if (!loaded) {
        loaded = true;
        shadow = load_texture(game, "texture_puff_2", 2, GL_CLAMP);
        flash = load_texture(game, "texture_flash_1", 2, GL_CLAMP);
    }
    const dlist *quad = unit_quad();
    int options = game->settings.display_flags;

    glBlendFunc(GL_ZERO, GL_ONE_MINUS_SRC_ALPHA);
    if (shadow) glBindTexture(GL_TEXTURE_2D, shadow->gl_name);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);
    glDisable(GL_LIGHTING);
    if (options & SHOW_SHADOWS) draw_shadows(game, quad, options);

    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    if (flash) glBindTexture(GL_TEXTURE_2D, flash->gl_name);
    if (options & SHOW_MARKS) {
        for (const explosion *e = game->explosions; e; e = e->next) {
            float a = e->duration > 0 ? 0.25f * e->timer / e->duration : 0.0f;
            glColor4f(0, 0, 0, std::max(0.0f, a));
            decal(game, quad, e->x, e->y, e->flash_radius);
        }
    }
    glColor4f(0.5f, 0.35f, 0.2f, 0);
    for (const explosion *e = game->explosions; e; e = e->next)
        if (e->live_debris != 0) decal(game, quad, e->x, e->y, e->flash_radius * (e->live_debris / 5.0f + 1));

    if (const struct power_up *pu = game->power_up) {
        float L = pu->life;
        float k = static_cast<float>(game_sinf(5 * L) * 0.5 + 1);
        float c = k * 0.25f;
        glColor4f(0.3f * c, 0.3f * c, 1.0f * c, 0);
        glPushMatrix();
        glTranslatef(pu->x, pu->y, height_at(game, pu->x, pu->y));
        glScalef(5 * k, 5 * k, 5 * k);
        call_list(quad);
        glRotatef(25 * L, 0, 0, 1);
        call_list(quad);
        glPopMatrix();
    }

    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glEnable(GL_LIGHTING);
}

void draw_ring_wall(game_record *game, GLenum front_face) {
    static texture *streak = nullptr;
    static texture *band = nullptr;
    static bool loaded = false;
    if (!game) return;
    if (!loaded) {
        loaded = true;
        streak = load_texture(game, "texture_streaks_2", 1, GL_CLAMP);
        band = load_texture(game, "texture_streaks_3", 1, GL_REPEAT);
    }
    static const float colours[3][3] = {{0.2f, 0.2f, 0.5f}, {0.5f, 0.2f, 0.2f}, {0.2f, 0.5f, 0.2f}};
    const dlist *quad = unit_quad();
    float t = game->game_time;

    GLUquadric *quadric = gluNewQuadric();
    if (!quadric) return;
    gluQuadricOrientation(quadric, GLU_INSIDE);
    gluQuadricTexture(quadric, GL_TRUE);

    glPushAttrib(GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT | GL_LIGHTING_BIT);
    glDisable(GL_LIGHTING);
    glDepthMask(GL_FALSE);
    glBlendFunc(GL_ONE, GL_ONE);
    if (streak) glBindTexture(GL_TEXTURE_2D, streak->gl_name);
    glFrontFace(front_face);
    glPushMatrix();
    for (int i = 0; i < 60; ++i) {
        glColor3fv(colours[i % 3]);
        double angle = (50 * t + i + 1000) * 0.3 * game_sin(287.0 * i);
        double h = game_sin(171.0 * i + 0.1 * t) * 0.5 + 1.0;
        glPushMatrix();
        glRotated(angle, 0, 0, 1);
        glTranslated(0, 60, 5 * h);
        glScaled(0.25 * h, h, 5 * h);
        glRotatef(90, 1, 0, 0);
        call_list(quad);
        glPopMatrix();
    }
    if (band) glBindTexture(GL_TEXTURE_2D, band->gl_name);
    struct ring_band {
        int colour;
        float spin;
        double height;
    };
    const ring_band bands[3] = {{2, 15 * t, 3 * game_sin(2.3 * t + 30) + 2},
                                {0, 10 * t, 3 * game_sin(2.59 * t + 10) + 2},
                                {1, -25 * t, 3 * game_sin(2.57 * t) + 2}};
    for (const ring_band &b : bands) {
        glPushMatrix();
        glColor3fv(colours[b.colour]);
        glRotatef(b.spin, 0, 0, 1);
        gluCylinder(quadric, 60, 60, b.height, 64, 1);
        glPopMatrix();
    }
    glPopMatrix();
    glFrontFace(GL_CCW);
    glPopAttrib();
    gluDeleteQuadric(quadric);
}
