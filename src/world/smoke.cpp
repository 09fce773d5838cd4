// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Smoke: puffs laid along every projectile's step, drifting, growing and fading.
// The spacing between puffs comes from the settings; sparser puffs are laid denser so a trail
// looks equally thick at every detail level. Puffs are camera-facing sprites.

#include "world/world.h"

#include "combat/combat.h"
#include "core/core.h"
#include "core/game_math.h"
#include "render/render.h"

#include <cmath>
#include <cstdlib>

// Random draws follow a fixed order: the seed of a run decides every puff.
static void lay_puff(game_record *game, point3 from, point3 to, bool missile, float spacing) {
    auto *p = static_cast<smoke_puff *>(calloc(1, sizeof(smoke_puff)));
    float t = static_cast<float>(random_unit());
    p->x = from.x + (from.x - to.x) * t;
    p->y = from.y + (from.y - to.y) * t;
    if (missile) {
        p->z = from.z + (from.z - to.z) * t;
        p->vx = static_cast<float>(random_unit() * 2.25);
        p->vy = static_cast<float>(random_unit() * 3.0);
        p->vz = static_cast<float>(random_unit() * 3.75);
        p->size = static_cast<float>(random_unit() * 0.3 + 0.5);
        p->opacity = static_cast<float>((random_unit() * 0.05 + 0.05) * 1.5 * spacing);
        p->brightness = static_cast<float>(random_unit() * 0.3 + 0.1);
        p->life = p->initial_life = static_cast<float>(random_unit() * 0.2 + 0.6);
        p->kind = 1;
    } else {
        p->z = static_cast<float>(from.z + (from.z - to.z) * t + random_unit() + 1.5);
        p->vx = static_cast<float>(random_unit() * 2.25);
        p->vy = static_cast<float>(random_unit() * 3.0);
        p->vz = static_cast<float>(random_unit() * 5.25 + 7.5);
        p->size = static_cast<float>(random_unit() * 1.0 + 1.0);
        p->opacity = static_cast<float>((random_unit() * 0.05 + 0.05) * 6 * spacing);
        p->brightness = static_cast<float>(random_unit() * 0.3 + 0.1);
        p->life = p->initial_life = static_cast<float>(random_unit() * 0.6 + 0.8);
        p->kind = 0;
    }
    p->seed = static_cast<float>(random_unit());
    p->next = game->smoke;
    game->smoke = p;
}

void lay_smoke(game_record *game, point3 from, point3 to, int flags) {
    if (!game) return;
    float spacing = game->settings.smoke_detail;
    if (!(spacing > 0) || !std::isfinite(spacing)) return;
    float dx = to.x - from.x, dy = to.y - from.y, dz = to.z - from.z;
    float n = std::sqrt(dx * dx + dy * dy + dz * dz) / spacing;
    // A huge step (a tiny spacing from a hand-edited file, or a jump) would lay puffs without end.
    if (!std::isfinite(n)) return;
    if (n > SMOKE_MAX_SLOTS) n = SMOKE_MAX_SLOTS;
    bool missile = (flags & MISSILE) != 0;
    float p = missile ? ((flags & MISSILE_MULTI) ? 0.33f : 1.0f) : 0.75f;
    int last = static_cast<int>(std::floor(n));
    for (int i = 0; i < n; ++i) {
        if (i == last) p = (n - i) * p;
        if (random_unit() < p) lay_puff(game, from, to, missile, spacing);
    }
}

void update_smoke(game_record *game) {
    if (!game) return;
    float dt = game->tick_seconds;
    smoke_puff **link = &game->smoke;
    while (smoke_puff *p = *link) {
        p->x += p->vx * dt;
        p->y += p->vy * dt;
        p->z += p->vz * dt;
        p->life -= dt;
        if (p->life <= 0) {
            *link = p->next;
            free(p);
        } else {
            link = &p->next;
        }
    }
}

// Replaces the rotation of the current matrix by the identity, keeping the eye-space position.
static void face_viewer() {
    GLfloat m[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, m);
    glLoadIdentity();
    glTranslatef(m[12], m[13], m[14]);
}

void draw_smoke(game_record *game) {
    static texture *puff = nullptr;
    if (!game) return;
    if (!puff) puff = load_texture(game, "texture_puff_3", 2, GL_CLAMP);
    dlist *quad = unit_quad();
    glPushAttrib(GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT | GL_LIGHTING_BIT);
    glDepthMask(GL_FALSE);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_LIGHTING);
    if (puff) glBindTexture(GL_TEXTURE_2D, puff->gl_name);
    for (smoke_puff *p = game->smoke; p; p = p->next) {
        if (!quad || !(p->initial_life > 0)) continue;
        float f = p->life / p->initial_life;
        float s = static_cast<float>(p->size * (game_pow(std::fmax(0.0f, 1 - f), 0.5) + 0.5));
        float a = f * p->opacity;
        float g = a * p->brightness;
        glPushMatrix();
        glTranslatef(p->x, p->y, p->z);
        face_viewer();
        glScalef(s, s, s);
        glColor4f(g * 1.2f, g * 1.0f, g * 0.9f, a);
        glCallList(quad->id);
        glPopMatrix();
    }
    glPopAttrib();
}
