// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Explosions: the bang, 15 debris thrown along the ground, and the puff dome they are drawn with.
// Debris are ordinary projectile records without the missile flag; the projectile update moves
// and frees them, and they are armed only after their life has run out, so they never hit.

#include "world/world.h"

#include "audio/audio.h"
#include "combat/combat.h"
#include "core/core.h"
#include "core/game_math.h"
#include "render/render.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

constexpr int DEBRIS_PER_EXPLOSION = 15;
// Longer than any debris lives (0.3 s), so a fragment striking a tank is only a light show.
constexpr float DEBRIS_ARM_DELAY = 1.0f;

static double radians(double degrees) {
    return degrees / 180 * GAME_PI;
}

void make_explosion(game_record *game, float x, float y, float size) {
    static sound *bang = nullptr;
    if (!game) return;
    if (!bang) bang = load_sound(game, "audio_explosion", 1.0f, 0);
    play_sound(game, bang, 0.9f, x, y);

    auto *e = static_cast<explosion *>(calloc(1, sizeof(explosion)));
    e->x = x;
    e->y = y;
    e->flash_radius = 3 * size;
    e->timer = e->duration = 10 * size;
    e->live_debris = 0;
    e->debris = nullptr;
    for (int k = 0; k < DEBRIS_PER_EXPLOSION; ++k) {
        float r = static_cast<float>(random_unit() * size);
        float a = static_cast<float>(random_unit() * 360);
        float s = static_cast<float>(random_unit() * 50);
        float b = static_cast<float>(random_unit() * 360);
        float L = static_cast<float>(random_unit() * 0.3);
        float P = static_cast<float>(random_unit() * 3.0 + 1.0);
        auto *p = static_cast<projectile *>(calloc(1, sizeof(projectile)));
        p->x = static_cast<float>(x + game_sin(radians(a)) * r);
        p->y = static_cast<float>(y + game_cos(radians(a)) * r);
        p->z = 0;
        p->prev_x = x;
        p->prev_y = y;
        p->prev_z = 0;
        p->vx = static_cast<float>(game_sin(radians(b)) * s * 0.35);
        p->vy = static_cast<float>(game_cos(radians(b)) * s * 0.35);
        p->vz = 0;
        p->flags = 0;
        p->arm_timer = DEBRIS_ARM_DELAY;
        p->life = p->life0 = L;
        p->spare = 1.0f;
        p->puff_size = P;
        p->next = e->debris;
        e->debris = p;
    }
    e->next = game->explosions;
    game->explosions = e;
}

void update_explosions(game_record *game) {
    if (!game) return;
    float dt = game->tick_seconds;
    // Updating first and unlinking in a second pass keeps the walk sound even if an update
    // adds an explosion at the head of the list.
    for (explosion *e = game->explosions; e; e = e->next) {
        e->debris = update_projectiles(game, e->debris);
        e->live_debris = count_projectiles(e->debris);
        e->timer -= dt;
    }
    explosion **link = &game->explosions;
    while (explosion *e = *link) {
        if (e->timer <= 0 && e->live_debris == 0) {
            *link = e->next;
            free_projectiles(e->debris);
            free(e);
        } else {
            link = &e->next;
        }
    }
}

void draw_explosions(game_record *game) {
    if (!game) return;
    for (explosion *e = game->explosions; e; e = e->next)
        draw_projectiles(game, e->debris);
}

dlist *puff_dome() {
    static dlist *dome = nullptr;
    if (!dome) dome = new_dlist();
    if (dome->dirty) {
        dome->dirty = 0;
        glNewList(dome->id, GL_COMPILE);
        // A paraboloid cap of radius 1 and height 0.5 on a flat 2 x 2 square, one strip per cell.
        auto vertex = [](int i, int j) {
            float s = i / 6.0f, t = j / 6.0f;
            float px = 2 * s - 1, py = 2 * t - 1;
            float rho = static_cast<float>(length2d(px, py));
            glTexCoord2f(s, t);
            glVertex3f(px, py, 0.5f * std::max(0.0f, 1 - rho * rho));
        };
        for (int j = 0; j < 6; ++j) {
            for (int i = 0; i < 6; ++i) {
                glBegin(GL_TRIANGLE_STRIP);
                vertex(i, j);
                vertex(i + 1, j);
                vertex(i, j + 1);
                vertex(i + 1, j + 1);
                glEnd();
            }
        }
        glEndList();
    }
    return dome;
}

void draw_debris(game_record *, projectile *p) {
    if (!p || !(p->life0 > 0) || !(p->life > 0)) return;
    float f = p->life / p->life0;
    glColor4f(1.0f * f, 0.7f * f, 0.2f * f, 0);
    float d = static_cast<float>(p->puff_size * game_pow(std::max(0.0f, 1 - f), 0.25) + 1.0);
    glPushMatrix();
    glTranslatef(p->x, p->y, p->z + d * 0.25f);
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glLoadIdentity();
    glTranslatef(m[12], m[13], m[14]);
    glScalef(d, d, d);
    glCallList(puff_dome()->id);
    glPopMatrix();
}
