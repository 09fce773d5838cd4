// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Frame drawing: the layers of each state, the chase and top cameras, the HUD, the title
// panel with the high-score list, the scrolling instructions and the name-entry prompt.
// The scene is drawn in a fixed order (field, tanks, missiles, barrels, power-up, debris,
// ring wall around the smoke) because the translucent layers rely on what lies beneath.

#include "render/render.h"

#include "audio/audio.h"
#include "combat/combat.h"
#include "core/core.h"
#include "menu/menu.h"
#include "replay/replay.h"
#include "world/world.h"

#include <cmath>

float camera_distance = -30.0f;
float camera_tilt = -75.0f;
float camera_spin = 0.0f;
float instructions_scroll = 0.0f;

namespace {

const GLfloat text_colour[4] = {0.0f, 1.0f, 1.0f, 1.0f};
const GLfloat panel_colour[4] = {0.0f, 0.0f, 0.0f, 0.4f};
const GLfloat light_position[4] = {200.0f, -500.0f, -1000.0f, 0.0f};

const char *const instructions[] = {
    "INSTRUCTIONS:",
    "",
    " use keyboard to control player tank",
    "",
    " and fire weapon at enemy tanks",
    "",
    " protect your barrels from enemy tanks",
    "",
    " game ends when all barrels have been stolen",
    "",
    "",
    "",
    "SCORING:",
    "",
    " destroying enemy tank scores 100 points",
    "",
    " destroying player tank scores -100 points",
    "",
    " firing weapon scores -1 point",
    "",
    "",
    "",
    "POWER-UPS:",
    "",
    " collect power-ups to enhance tank's weaponry",
    "",
    " power-ups last until tank is destroyed",
    "",
    " power-up effects are cummulative",
    "",
    " power-ups are:",
    "    H - homing missiles",
    "        missiles adjust flight path toward enemies",
    "",
    "    R - rebounding missiles",
    "        missiles bounce off field boundries",
    "",
    "    E - explosive missiles",
    "        missiles explode when close to enemies",
    "",
    "    S - scatter-shot missiles",
    "        multiple missiles are fired in scattered array",
    "",
    "    M - multi-fire missiles",
    "        triple number of missiles fired (enhances scatter)",
    "",
    "    F - fast missiles",
    "        increases missile velocity by 300%",
    "",
    " enemy tanks can collect power-ups",
    "",
    "",
    "",
    "REPLAYS:",
    "",
    " every game is recorded; entries marked * keep theirs",
    "",
    " up/down choose an entry, <return> watches its game",
    "",
    " watching: p pause, left/right speed, s step, r restart",
    "",
    "",
};

void text_layer(game_record *g) {
    glColor4fv(text_colour);
    glListBase(static_cast<GLuint>(g->font_lists));
}

} // namespace

bool player_tank_visible(const player_tank *t) {
    if (!t || t->alive <= 0) return false;
    return t->shield <= 0 || std::fmod(5 * t->shield, 1.0) > 0.5;
}

bool hud_message_visible(const player_tank *t) {
    return t && t->message && t->message_timer > 0 && std::fmod(t->message_timer, 1.0) > 0.2;
}

bool title_shows_game_over(float game_time) {
    return std::fmod(game_time, 15.0) < 5.0;
}

double instructions_offset(float clock) {
    constexpr int lines = sizeof instructions / sizeof instructions[0];
    return std::fmod(25 * clock, 5 * 3.5 * (lines + 14)) / 5 - 50;
}

size_t format_score_line(const game_record *g, char *buffer) {
    if (g->settings.display_flags & SHOW_FPS) {
        // The average is 0 until the first frame has been timed.
        double fps = g->frame_ms_avg > 0 ? 1000.0 / g->frame_ms_avg : 0.0;
        return format_text(buffer, "SCORE: %06d   BARRELS: %02d  FPS: %2.2f", g->score, g->barrels_left, fps);
    }
    return format_text(buffer, "SCORE: %06d   BARRELS: %02d", g->score, g->barrels_left);
}

void draw_frame(game_record *g) {
    if (g->flags & FLAG_MENU) {
        draw_scene(g);
        draw_settings_screen(g);
    } else if ((g->flags & FLAG_PLAYING) && !(g->flags & FLAG_GAME_OVER)) {
        draw_scene(g);
    } else {
        // The first frame after a game ends starts the instructions from the bottom.
        if (g->flags & FLAG_PLAYING) {
            g->flags &= ~FLAG_PLAYING;
            instructions_scroll = 0;
        }
        draw_scene(g);
        draw_title_panel(g);
        draw_instructions(g, instructions_scroll);
        instructions_scroll += g->tick_seconds;
        if (g->flags & FLAG_QUALIFIES)
            draw_name_entry(g, "ENTER YOUR NAME:", g->player_name, NAME_LENGTH, g->name_cursor);
    }
}

void draw_scene(game_record *g) {
    player_tank *p = g->player;
    // Without a player's tank (a headless driver between games) the camera rests on the centre.
    float x = p ? p->x : 0.0f;
    float y = p ? p->y : 0.0f;

    glPushMatrix();
    if (g->settings.view_mode == 1) {
        glTranslatef(-x, -y, 0);
        glTranslatef(0, 0, -100);
        glDisable(GL_FOG);
    } else {
        float heading = p ? p->heading : 90.0f;
        glTranslatef(0, camera_distance / 10, camera_distance);
        glRotatef(camera_tilt, 1, 0, 0);
        glRotatef(camera_spin, 0, 0, 1);
        glRotatef(90 - heading, 0, 0, 1);
        glTranslatef(-x, -y, 0);
        glEnable(GL_FOG);
    }
    glLightfv(GL_LIGHT0, GL_POSITION, light_position);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    set_listener(g, x, y);

    draw_sky_and_field(g);
    if (player_tank_visible(p)) draw_tank(g, p);
    for (enemy_tank *e = g->enemies; e; e = e->next)
        if (e->active > 0) draw_tank(g, e);
    if (p) draw_projectiles(g, p->missiles);
    for (enemy_tank *e = g->enemies; e; e = e->next)
        draw_projectiles(g, e->missiles);
    draw_barrels(g);
    draw_power_up(g);
    draw_explosions(g);
    draw_ring_wall(g, GL_CCW);
    if (g->settings.display_flags & SHOW_SMOKE) draw_smoke(g);
    draw_ring_wall(g, GL_CW);
    glPopMatrix();

    if (g->settings.display_flags & SHOW_RADAR) draw_radar(g);
    draw_hud(g);
    glFlush();
}

void draw_hud(game_record *g) {
    glPushMatrix();
    glLoadIdentity();
    text_layer(g);
    glTranslatef(-57, 42, -100);
    text_centred = 0;
    char line[TEXT_BUFFER_SIZE];
    format_score_line(g, line);
    draw_text("%s", line);
    player_tank *p = g->player;
    if (hud_message_visible(p)) {
        glLoadIdentity();
        glTranslatef(0, -30, -100);
        text_centred = 1;
        draw_text("%s", p->message);
        text_centred = 0;
    }
    glPopMatrix();
}

void draw_title_panel(game_record *g) {
    glPushAttrib(GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT | GL_LIGHTING_BIT);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glColor4fv(panel_colour);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDepthMask(GL_FALSE);

    glPushMatrix();
    glLoadIdentity();
    glTranslatef(0, 0, -102);
    glRectf(-60, -45, 60, 45);

    glEnable(GL_DEPTH_TEST);
    glDepthMask(GL_TRUE);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    text_layer(g);

    // A chosen entry keeps the table in view while it is chosen.
    if (title_shows_game_over(g->game_time) && title_table.choice < 0) {
        glLoadIdentity();
        glTranslatef(0, 0, -100);
        glScalef(2.5f, 2.5f, 2.5f);
        glTranslatef(0, 8.5f, 0);
        text_centred = 1;
        draw_text("GAME OVER");
        glTranslatef(0, -3, 0);
        glScalef(0.7f, 0.7f, 0.7f);
        draw_text("press <space> to start");
    } else {
        glLoadIdentity();
        text_centred = 1;
        glTranslatef(0, 0, -100);
        glTranslatef(0, 30, 0);
        glScalef(1.8f, 1.8f, 1);
        draw_text("HIGH SCORES LIST:");
        glTranslatef(-15, -1, 0);
        glScalef(0.5f, 0.5f, 1);
        text_centred = 0;
        for (int i = 0; i < HIGH_SCORE_COUNT; ++i) {
            glTranslatef(0, -3, 0);
            // A stored name fills its 20 bytes without a terminator when it is full length; the
            // marks around it: the chosen entry, and an entry with its game recorded.
            draw_text("%-20.20s %06d%s", g->settings.high_names[i], g->settings.high_scores[i],
                      title_table.marks & (1u << i) ? " *" : "");
            if (title_table.choice == i) {
                glTranslatef(-2.5f, 0, 0);
                draw_text(">");
                glTranslatef(2.5f, 0, 0);
            }
        }
        if (title_table.marks) {
            glTranslatef(0, -4.5f, 0);
            draw_text("* recorded: up/down choose, <return> watches");
        }
    }
    text_centred = 0;
    glPopMatrix();
    glPopAttrib();
}

void draw_instructions(game_record *g, float clock) {
    text_layer(g);
    int width = g->settings.width;
    int height = g->settings.height;
    if (width <= 0 || height <= 0) return;
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, height / 30, width - 1, height / 3);
    // The band in text-plane units; lines wholly outside it would only be discarded by the
    // scissor, and drawing them glyph by glyph costs more than the visible ones.
    double band_low = -45 + 90.0 * (height / 30) / height - 0.5;
    double band_high = -45 + 90.0 * (height / 30 + height / 3) / height + 0.5;
    double y = instructions_offset(clock);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(0, static_cast<float>(y), -100);
    glTranslatef(-50, 0, 0);
    text_centred = 0;
    for (const char *line : instructions) {
        if (y + 2.5 > band_low && y < band_high) draw_text("%s", line);
        glTranslatef(0, -3.5f, 0);
        y -= 3.5;
    }
    glPopMatrix();
    glDisable(GL_SCISSOR_TEST);
}

void draw_replay_overlay(game_record *g, const char *line, const std::string *closing) {
    text_layer(g);
    glPushMatrix();
    glLoadIdentity();
    if (line && *line) {
        glTranslatef(-57, 38, -100);
        text_centred = 0;
        draw_text("%s", line);
    }
    if (closing) {
        glLoadIdentity();
        glTranslatef(0, 6, -100);
        glScalef(1.6f, 1.6f, 1);
        text_centred = 1;
        for (int i = 0; i < 3; ++i) {
            if (!closing[i].empty()) draw_text("%s", closing[i].c_str());
            glTranslatef(0, -3.5f, 0);
            if (i == 0) glScalef(0.7f, 0.7f, 1);
        }
        text_centred = 0;
    }
    glPopMatrix();
}

void draw_name_entry(game_record *g, const char *prompt, const char *name, int max_length, int length) {
    text_layer(g);
    glPushMatrix();
    glLoadIdentity();
    glTranslatef(0, -4, -100);
    text_centred = 1;
    draw_text("%s", prompt ? prompt : "");
    text_centred = 0;
    glTranslatef(-max_length * 0.8f * 2.5f / 2, -3.5f, 0);
    // The name buffer need not be terminated when it is full.
    draw_text("%.*s", max_length, name ? name : "");
    if (std::fmod(g->game_time, 1.0) > 0.5) {
        glTranslatef(2.0f * length, 0, 0);
        draw_text("_");
    }
    glPopMatrix();
}
