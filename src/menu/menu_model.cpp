// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The settings menu's pages: item parsing and layout, the two pages and their items, the
// refresh of the items from the settings, and the drawing of a page as a translucent panel
// over the scene. Widths and heights are in screen-fixed text units (a glyph is 2 wide).

#include "menu/menu.h"

#include "core/core.h"
#include "render/render.h"

#include <GL/gl.h>
#include <SDL/SDL.h>
#include <cstdio>
#include <cstring>

int menu_page = 1;
menu *settings_menu = nullptr;
menu *controls_menu = nullptr;

menu *new_menu(const char *title) {
    auto *m = new menu{};
    m->title = title ? title : "";
    m->width = 2.0f * static_cast<float>(m->title.size());
    return m;
}

static void parse_item(menu_item *it, const char *text) {
    switch (it->kind) {
    case ITEM_BUTTON:
    case ITEM_KEY:
    case ITEM_CONFIRM:
        if (text) it->label = text;
        break;
    case ITEM_SPACER: {
        int height = 0;
        if (text && sscanf(text, "%d", &height) == 1 && height > 0) it->value = height;
        break;
    }
    case ITEM_CHOICE: {
        if (!text) break;
        const char *bar = strchr(text, '|');
        it->label = bar ? std::string(text, bar) : std::string(text);
        while (bar) {
            const char *start = bar + 1;
            bar = strchr(start, '|');
            it->options.push_back(bar ? std::string(start, bar) : std::string(start));
        }
        it->min = 0;
        it->max = static_cast<int>(it->options.size()) - 1;
        break;
    }
    case ITEM_RANGE: {
        if (!text) break;
        const char *bar = strchr(text, '|');
        it->label = bar ? std::string(text, bar) : std::string(text);
        if (bar && sscanf(bar, "|%d|%d", &it->min, &it->max) != 2) it->max = it->min;
        it->value = it->min;
        break;
    }
    default:
        break;
    }
}

menu_item *add_menu_item(menu *m, int kind, int action, const char *text) {
    auto *it = new menu_item{};
    it->kind = kind;
    it->action = action;
    parse_item(it, text);

    float h = it->label ? 3.0f : static_cast<float>(it->value);
    if (it->label) {
        float lw = 2.0f * static_cast<float>(it->label->size() + 1);
        if (lw > m->label_width) m->label_width = lw;
    }
    float v = 7.0f;
    if (kind == ITEM_CHOICE) {
        for (const std::string &o : it->options)
            if (static_cast<float>(o.size()) > v) v = static_cast<float>(o.size());
    } else if (kind == ITEM_KEY) {
        v = 10.0f;
    }
    if (2.0f * v > m->value_width) m->value_width = 2.0f * v;
    int w = static_cast<int>(m->label_width + m->value_width + 4.0f);
    if (static_cast<float>(w) > m->width) m->width = static_cast<float>(w);

    if (!m->first) {
        m->first = m->current = m->escape_item = m->last = it;
        m->height = h + 9.0f;
    } else {
        it->prev = m->last;
        m->last->next = it;
        m->last = it;
        m->height += h;
    }
    return it;
}

void free_menu(menu *m) {
    if (!m) return;
    for (menu_item *it = m->first; it;) {
        menu_item *next = it->next;
        delete it;
        it = next;
    }
    delete m;
}

void build_menus() {
    if (settings_menu && controls_menu) return;
    discard_menus();

    menu *s = new_menu("GAME SETTINGS");
    add_menu_item(s, ITEM_BUTTON, MENU_RESUME, "resume game");
    add_menu_item(s, ITEM_SPACER, 0, "1");
    add_menu_item(s, ITEM_CHOICE, MENU_FULLSCREEN, "fullscreen|off|on");
    add_menu_item(s, ITEM_CHOICE, MENU_RESOLUTION, "  resolution|640x480|800x600|1024x768|1280x1024");
    add_menu_item(s, ITEM_CHOICE, MENU_BIT_DEPTH, "  bit-depth|16-bit|32-bit");
    add_menu_item(s, ITEM_SPACER, 0, "1");
    add_menu_item(s, ITEM_CHOICE, MENU_SHOW_RADAR, "display radar|off|on");
    add_menu_item(s, ITEM_CHOICE, MENU_SHOW_MARKS, "display marks|off|on");
    add_menu_item(s, ITEM_CHOICE, MENU_SHOW_SHADOWS, "display shadows|off|on");
    add_menu_item(s, ITEM_CHOICE, MENU_SHOW_SMOKE, "display smoke|off|on");
    add_menu_item(s, ITEM_RANGE, MENU_SMOKE_DETAIL, "smoke detail|0|5");
    add_menu_item(s, ITEM_CHOICE, MENU_VIEW_MODE, "view mode|normal|top");
    add_menu_item(s, ITEM_SPACER, 0, "1");
    add_menu_item(s, ITEM_RANGE, MENU_AUDIO_LEVEL, "audio level|0|10");
    add_menu_item(s, ITEM_SPACER, 0, "1");
    add_menu_item(s, ITEM_BUTTON, MENU_DEFINE_CONTROLS, "define controls");
    add_menu_item(s, ITEM_SPACER, 0, "1");
    add_menu_item(s, ITEM_BUTTON, MENU_RESET_GAME, "reset game");
    add_menu_item(s, ITEM_CONFIRM, MENU_QUIT, "quit");

    menu *c = new_menu("DEFINE CONTROLS");
    add_menu_item(c, ITEM_BUTTON, MENU_OKAY, "okay");
    add_menu_item(c, ITEM_SPACER, 0, "1");
    add_menu_item(c, ITEM_KEY, MENU_KEY_FORWARD, "forward");
    add_menu_item(c, ITEM_KEY, MENU_KEY_REVERSE, "reverse");
    add_menu_item(c, ITEM_KEY, MENU_KEY_LEFT, "turn left");
    add_menu_item(c, ITEM_KEY, MENU_KEY_RIGHT, "turn right");
    add_menu_item(c, ITEM_KEY, MENU_KEY_FIRE, "fire");
    add_menu_item(c, ITEM_SPACER, 0, "1");
    add_menu_item(c, ITEM_CONFIRM, MENU_RESET_DEFAULTS, "reset defaults");

    settings_menu = s;
    controls_menu = c;
}

void discard_menus() {
    free_menu(settings_menu);
    free_menu(controls_menu);
    settings_menu = controls_menu = nullptr;
    menu_page = 1;
}

menu *selected_menu() {
    if (menu_page == 1) return settings_menu;
    if (menu_page == 2) return controls_menu;
    return nullptr;
}

static void enable_if(menu_item *it, bool enabled) {
    if (enabled)
        it->flags &= ~ITEM_DISABLED;
    else
        it->flags |= ITEM_DISABLED;
}

static int display_bit(int action) {
    switch (action) {
    case MENU_SHOW_RADAR:
        return SHOW_RADAR;
    case MENU_SHOW_MARKS:
        return SHOW_MARKS;
    case MENU_SHOW_SHADOWS:
        return SHOW_SHADOWS;
    default:
        return SHOW_SMOKE;
    }
}

// Leaving a confirm item cancels its pending confirmation.
static void drop_confirmation(menu *m, menu_item *it) {
    if (it != m->current && it->value == 1) it->value = 0;
}

void refresh_settings_menu(game_record *g, menu *m) {
    if (!m || !m->first) return;
    const settings_block &s = g->settings;
    m->first->changed = 0;
    for (menu_item *it = m->first; it; it = it->next) {
        switch (it->action) {
        case MENU_RESOLUTION:
            it->value = s.width == 800 ? 1 : s.width == 1024 ? 2 : s.width == 1280 ? 3 : 0;
            enable_if(it, true);
            break;
        case MENU_BIT_DEPTH:
            it->value = s.bit_depth == 32 ? 1 : 0;
            enable_if(it, s.fullscreen != 0);
            break;
        case MENU_FULLSCREEN:
            it->value = s.fullscreen;
            break;
        case MENU_SMOKE_DETAIL: {
            int i = 0;
            while (i < it->max && i < 5 && !(s.smoke_detail >= smoke_detail_table[i]))
                ++i;
            it->value = i;
            enable_if(it, (s.display_flags & SHOW_SMOKE) != 0);
            break;
        }
        case MENU_VIEW_MODE:
            it->value = s.view_mode;
            break;
        case MENU_QUIT:
            drop_confirmation(m, it);
            break;
        case MENU_SHOW_RADAR:
        case MENU_SHOW_MARKS:
        case MENU_SHOW_SHADOWS:
        case MENU_SHOW_SMOKE:
            it->value = (s.display_flags & display_bit(it->action)) ? 1 : 0;
            break;
        case MENU_AUDIO_LEVEL:
            it->value = static_cast<int>((it->max - it->min) * s.audio_level + it->min + 0.5);
            break;
        default:
            break;
        }
    }
}

void refresh_controls_menu(game_record *g, menu *m) {
    if (!m || !m->first) return;
    const settings_block &s = g->settings;
    const int32_t keys[5] = {s.key_forward, s.key_reverse, s.key_left, s.key_right, s.key_fire};
    m->first->changed = 0;
    for (menu_item *it = m->first; it; it = it->next) {
        if (it->action == MENU_RESET_DEFAULTS)
            drop_confirmation(m, it);
        else if (it->action >= MENU_KEY_FORWARD && it->action <= MENU_KEY_FIRE)
            it->value = keys[it->action - MENU_KEY_FORWARD];
    }
}

static void draw_at(float x, const char *text) {
    if (!text) return;
    glPushMatrix();
    glTranslatef(x, 0, 0);
    draw_text("%s", text);
    glPopMatrix();
}

// A bar whose filled wedge grows with the value.
static void draw_range(const menu *m, const menu_item *it) {
    float f = it->max > it->min
                  ? static_cast<float>(it->value - it->min) / static_cast<float>(it->max - it->min)
                  : 0;
    glPushMatrix();
    glTranslatef(m->label_width, 0, 0);
    glScalef(m->value_width, 2.4f, 1.0f);
    glBegin(GL_LINE_LOOP);
    glVertex2f(0, 1);
    glVertex2f(1, 1);
    glVertex2f(1, 0);
    glVertex2f(0, 0);
    glEnd();
    glScalef(f, f, 1.0f);
    glBegin(GL_TRIANGLES);
    glVertex2f(0, 0);
    glVertex2f(1, 0);
    glVertex2f(1, 1);
    glEnd();
    glPopMatrix();
}

static const char *key_name(int sym) {
    if (sym <= 0 || sym >= KEY_COUNT) return "?";
    const char *name = SDL_GetKeyName(static_cast<SDLKey>(sym));
    return name ? name : "?";
}

void draw_menu(game_record *g, menu *m) {
    static const GLfloat panel_colour[4] = {0, 0, 0, 0.5f};
    static const GLfloat title_colour[4] = {1.0f, 1.0f, 0.8f, 1};
    static const GLfloat item_colour[4] = {0.7f, 0.7f, 0.7f, 1};
    static const GLfloat current_colour[4] = {1, 1, 1, 1};
    static const GLfloat disabled_colour[4] = {0.4f, 0.4f, 0.4f, 1};
    static const GLfloat confirm_colour[4] = {1.0f, 0.2f, 0.1f, 1};
    if (!m) return;

    int centred = text_centred;
    text_centred = 0;
    glPushAttrib(GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT | GL_LIGHTING_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_FOG);
    glDepthMask(GL_FALSE);
    glBlendFunc(GL_ONE, GL_ONE_MINUS_SRC_ALPHA);
    glListBase(g->font_lists);
    glPushMatrix();
    glLoadIdentity();

    glTranslatef(-m->width / 2, m->height / 2, -100.0f);
    glColor4fv(panel_colour);
    glRectf(0, -m->height, m->width, 0);

    glTranslatef(1, -4.5f, 0);
    glColor4fv(title_colour);
    draw_at(m->width / 2 - static_cast<float>(m->title.size()), m->title.c_str());

    glTranslatef(0, -4.5f, 0);
    for (const menu_item *it = m->first; it; it = it->next) {
        const GLfloat *colour = (it->flags & ITEM_DISABLED) ? disabled_colour
                                : it == m->current          ? current_colour
                                                            : item_colour;
        glColor4fv(colour);
        const char *label = it->label ? it->label->c_str() : nullptr;
        switch (it->kind) {
        case ITEM_BUTTON:
            draw_at(0, label);
            break;
        case ITEM_CHOICE:
            draw_at(0, label);
            if (it->value >= 0 && it->value < static_cast<int>(it->options.size()))
                draw_at(m->label_width, it->options[it->value].c_str());
            break;
        case ITEM_RANGE:
            draw_range(m, it);
            draw_at(0, label);
            break;
        case ITEM_KEY:
            draw_at(0, label);
            draw_at(m->label_width, it == m->awaiting && !it->changed ? "---" : key_name(it->value));
            break;
        case ITEM_CONFIRM:
            draw_at(0, label);
            if (it->value == 1) {
                glColor4fv(confirm_colour);
                draw_at(m->label_width, "CONFIRM");
            }
            break;
        case ITEM_SPACER:
            glTranslatef(0, -static_cast<float>(it->value), 0);
            continue;
        default:
            continue;
        }
        glTranslatef(0, -3.0f, 0);
    }

    glPopMatrix();
    glPopAttrib();
    text_centred = centred;
}

void draw_settings_screen(game_record *g) {
    build_menus();
    if (menu_page == 1) {
        refresh_settings_menu(g, settings_menu);
        draw_menu(g, settings_menu);
    } else if (menu_page == 2) {
        refresh_controls_menu(g, controls_menu);
        draw_menu(g, controls_menu);
    }
}
