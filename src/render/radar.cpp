// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The radar: a round map of the arena with clipped symbols and arrowheads for enemies outside.
// The disk is drawn first on the near plane; symbols sit a hair behind it, so the depth test
// alone clips them to the round face (GL_GREATER) or keeps them outside it (GL_LESS).

#include "render/render.h"

#include "combat/combat.h"
#include "core/core.h"
#include "world/world.h"

#include <GL/gl.h>
#include <GL/glu.h>
#include <cmath>

namespace {

constexpr float RADAR_SCALE = 0.0023333333f; // 0.14 eye units for the arena's 60
constexpr float SYMBOL_Z = -1.0f;

float tank_radius(const tank *t) {
    return t->type ? t->type->radius : 1.6f;
}

void draw_tank_symbol(GLUquadric *q, float x, float y, float angle, float radius) {
    glPushMatrix();
    glTranslatef(x, y, SYMBOL_Z);
    glRotatef(angle, 0, 0, 1);
    glScalef(0.9f, 1.3f, 1.0f);
    gluDisk(q, 0, radius, 3, 1);
    glPopMatrix();
}

void draw_missiles(GLUquadric *q, const projectile *list) {
    glColor4f(1.0f, 0.7f, 0.1f, 0.0f);
    for (const projectile *p = list; p; p = p->next) {
        if (!(p->flags & MISSILE)) continue;
        glPushMatrix();
        glTranslatef(p->x, p->y, SYMBOL_Z);
        glRotatef(p->heading - 90, 0, 0, 1);
        glScalef(0.5f, 1.0f, 1.0f);
        gluDisk(q, 0, 1.0, 3, 1);
        glPopMatrix();
    }
}

void draw_marker(GLUquadric *q, float x, float y, double radius, int slices) {
    glPushMatrix();
    glTranslatef(x, y, SYMBOL_Z);
    gluDisk(q, 0, radius, slices, 1);
    glPopMatrix();
}

} // namespace

void draw_radar(game_record *g) {
    GLUquadric *fill = gluNewQuadric();
    GLUquadric *outline = gluNewQuadric();
    gluQuadricDrawStyle(outline, GLU_SILHOUETTE);

    // The line width is saved too: the outlines are thin, the rest of the frame keeps its own.
    glPushAttrib(GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT | GL_LIGHTING_BIT | GL_LINE_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_FOG);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glLineWidth(1.0f);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(0.4f, 0.3f, -1.0f);
    glScalef(RADAR_SCALE, RADAR_SCALE, 0.0001f);

    glColor4f(0.1f, 0.1f, 0.1f, 0.5f);
    gluDisk(fill, 0, ARENA_RADIUS, 64, 1);
    glColor4f(0.35f, 0.35f, 0.35f, 0.0f);
    gluDisk(outline, 0, ARENA_RADIUS, 64, 1);

    glDepthFunc(GL_GREATER);
    for (const enemy_tank *t = g->enemies; t; t = t->next) {
        if (t->active > 0) {
            glColor4f(1.0f, 0.1f, 0.1f, 0.0f);
            double d = length2d(t->x, t->y);
            if (d <= ARENA_RADIUS) {
                draw_tank_symbol(fill, t->x, t->y, t->heading - 90, tank_radius(t));
            } else {
                // Outside the arena: an arrowhead just beyond the rim, pointing away.
                glDepthFunc(GL_LESS);
                float angle = static_cast<float>(std::atan2(t->y, t->x) / 3.141592645 * 180 - 90);
                draw_tank_symbol(fill, static_cast<float>(61 * t->x / d), static_cast<float>(61 * t->y / d),
                                 angle, tank_radius(t));
                glDepthFunc(GL_GREATER);
            }
        }
        draw_missiles(fill, t->missiles);
    }

    if (const player_tank *p = g->player) {
        if (p->alive > 0) {
            glColor4f(0.0f, 1.0f, 0.0f, 0.0f);
            draw_tank_symbol(fill, p->x, p->y, p->heading - 90, tank_radius(p));
        }
        draw_missiles(fill, p->missiles);
    }

    glColor4f(0.5f, 0.5f, 0.5f, 0.0f);
    for (const barrel *b = g->barrels; b; b = b->next)
        if (b->state != BARREL_GONE) draw_marker(fill, b->x, b->y, 1.0, 6);
    if (const struct power_up *pu = g->power_up) {
        glColor4f(0.3f, 0.2f, 1.0f, 0.0f);
        draw_marker(fill, pu->x, pu->y, 2.0, 8);
    }

    glColor4f(0.3f, 0.6f, 0.8f, 0.0f);
    glPushMatrix();
    glTranslatef(0, 0, SYMBOL_Z);
    gluDisk(outline, 0, ARENA_RADIUS, 64, 1);
    glPopMatrix();

    glDepthFunc(GL_LESS);
    glPopMatrix();
    glPopAttrib();
    glFlush();
    gluDeleteQuadric(fill);
    gluDeleteQuadric(outline);
}
