// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The bitmap font: 128 glyph display lists cut from "texture_font" (16 columns by 8 rows),
// formatted text drawn one list call per character, and the two-sided glyph decal.
// Only codes below 128 have glyphs; any other byte is left blank so that text never calls
// a display list outside the font.

#include "render/render.h"

#include "core/core.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

texture *font_texture = nullptr;
int text_centred = 0;

namespace {
constexpr int GLYPH_COUNT = 128;

size_t vformat_text(char *buffer, const char *format, va_list args) {
    if (!format) {
        buffer[0] = 0;
        return 0;
    }
    int n = vsnprintf(buffer, TEXT_BUFFER_SIZE, format, args);
    if (n < 0) buffer[0] = 0;
    return strlen(buffer);
}
} // namespace

size_t format_text(char *buffer, const char *format, ...) {
    va_list args;
    va_start(args, format);
    size_t length = vformat_text(buffer, format, args);
    va_end(args);
    return length;
}

double text_start(size_t length, int centred) {
    return centred == 1 ? -(0.8 * length) / 2 : 0.0;
}

int build_font(game_record *g) {
    if (!font_texture) font_texture = load_texture(g, "texture_font", 2, GL_CLAMP);
    GLuint base = glGenLists(GLYPH_COUNT);
    for (int c = 0; c < GLYPH_COUNT; ++c) {
        float column = c % 16;
        float row = c / 16;
        float s0 = column / 16;
        float s1 = s0 + 1.0f / 16;
        float t_top = 1 - row / 8;
        float t_bottom = 1 - (row / 8 + 1.0f / 8);
        glNewList(base + c, GL_COMPILE);
        glBegin(GL_TRIANGLE_STRIP);
        glTexCoord2f(s0, t_top);
        glVertex2f(0, 1);
        glTexCoord2f(s0, t_bottom);
        glVertex2f(0, 0);
        glTexCoord2f(s1, t_top);
        glVertex2f(1, 1);
        glTexCoord2f(s1, t_bottom);
        glVertex2f(1, 0);
        glEnd();
        glEndList();
    }
    return static_cast<int>(base);
}

void draw_text(const char *format, ...) {
    if (!format) return;
    char buffer[TEXT_BUFFER_SIZE];
    va_list args;
    va_start(args, format);
    size_t length = vformat_text(buffer, format, args);
    va_end(args);

    glPushAttrib(GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT | GL_LIGHTING_BIT);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_FOG);
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_BLEND);
    // Without the font's texture the glyphs would be solid blocks: the text is left out.
    bool drawable = font_texture != nullptr;
    if (drawable) glBindTexture(GL_TEXTURE_2D, font_texture->gl_name);

    glPushMatrix();
    glScalef(2.5f, 2.5f, 0.0f);
    if (text_centred == 1) glTranslatef(text_start(length, 1), 0, 0);
    for (size_t i = 0; i < length; ++i) {
        auto character = static_cast<unsigned char>(buffer[i]);
        if (drawable && character < GLYPH_COUNT) glCallLists(1, GL_UNSIGNED_BYTE, &character);
        glTranslatef(0.8f, 0, 0);
    }
    glPopMatrix();
    glPopAttrib();
    glFrontFace(GL_CCW);
}

void draw_glyph_decal(game_record *g, int code) {
    if (code <= 0 || code >= GLYPH_COUNT || !font_texture) return;
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, font_texture->gl_name);
    GLuint list = static_cast<GLuint>(g->font_lists + code);
    glPushMatrix();
    glScalef(3.1f, 3.1f, 1.0f);
    glPushMatrix();
    glTranslatef(-0.5f, -0.5f, 0);
    glCallList(list);
    glPopMatrix();
    glScalef(-1, 1, 1);
    glTranslatef(-0.5f, -0.5f, 0);
    glCallList(list);
    glPopMatrix();
}
