// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The GL layer's immediate mode: glBegin to glEnd carried into whole primitives whose every
// vertex has the current colour, normal and texture coordinate, in the modes WebGL draws.

#include "platform/web/gl_layer.h"

#include <cstdio>

// --- Immediate mode ---------------------------------------------------------------------------

void gl_layer::begin(GLenum mode) {
    if (open_) {
        gl_command c = make_command(OP_BEGIN);
        c.e[0] = mode;
        recording_.push_back(c);
        return;
    }
    mode_ = mode;
    inside_ = true;
    vertices_.clear();
}

void gl_layer::end() {
    if (open_) {
        recording_.push_back(make_command(OP_END));
        return;
    }
    if (!inside_) return;
    inside_ = false;
    emit(mode_);
}

void gl_layer::vertex(float x, float y, float z) {
    if (open_) {
        gl_command c = make_command(OP_VERTEX);
        c.f[0] = x, c.f[1] = y, c.f[2] = z;
        recording_.push_back(c);
        return;
    }
    if (!inside_) return;
    const gl_saved_state &s = state_;
    vertices_.push_back({x, y, z, s.texcoord[0], s.texcoord[1], s.normal[0], s.normal[1], s.normal[2],
                         s.color[0], s.color[1], s.color[2], s.color[3]});
}

void gl_layer::color(float r, float g, float b, float a) {
    if (open_) {
        gl_command c = make_command(OP_COLOR);
        c.f[0] = r, c.f[1] = g, c.f[2] = b, c.f[3] = a;
        recording_.push_back(c);
        return;
    }
    state_.color[0] = r, state_.color[1] = g, state_.color[2] = b, state_.color[3] = a;
}

void gl_layer::normal(float x, float y, float z) {
    if (open_) {
        gl_command c = make_command(OP_NORMAL);
        c.f[0] = x, c.f[1] = y, c.f[2] = z;
        recording_.push_back(c);
        return;
    }
    state_.normal[0] = x, state_.normal[1] = y, state_.normal[2] = z;
}

void gl_layer::texcoord(float s, float t) {
    if (open_) {
        gl_command c = make_command(OP_TEXCOORD);
        c.f[0] = s, c.f[1] = t;
        recording_.push_back(c);
        return;
    }
    state_.texcoord[0] = s, state_.texcoord[1] = t;
}

void gl_layer::rect(float x1, float y1, float x2, float y2) {
    begin(GL_POLYGON);
    vertex(x1, y1, 0);
    vertex(x2, y1, 0);
    vertex(x2, y2, 0);
    vertex(x1, y2, 0);
    end();
}

// Hands the finished primitive to the sink in a mode WebGL draws; a primitive too short for
// its mode draws nothing, as in GL, and a ragged tail is dropped.
void gl_layer::emit(GLenum mode) {
    const gl_vertex *v = vertices_.data();
    size_t n = vertices_.size();
    switch (mode) {
    case GL_POINTS:
        if (n >= 1) sink.draw(GL_POINTS, v, n);
        return;
    case GL_LINES:
        if (n >= 2 && !draw_wide_lines(GL_LINES, v, n & ~size_t(1))) sink.draw(GL_LINES, v, n & ~size_t(1));
        return;
    case GL_LINE_STRIP:
    case GL_LINE_LOOP:
        if (n >= 2 && !draw_wide_lines(mode, v, n)) sink.draw(mode, v, n);
        return;
    case GL_TRIANGLES:
        if (n >= 3) sink.draw(GL_TRIANGLES, v, n - n % 3);
        return;
    case GL_TRIANGLE_STRIP:
    case GL_TRIANGLE_FAN:
        if (n >= 3) sink.draw(mode, v, n);
        return;
    case GL_POLYGON:
        if (n >= 3) sink.draw(GL_TRIANGLE_FAN, v, n);
        return;
    case GL_QUAD_STRIP:
        if (n >= 4) sink.draw(GL_TRIANGLE_STRIP, v, n & ~size_t(1));
        return;
    case GL_QUADS:
        scratch_.clear();
        for (size_t i = 0; i + 3 < n; i += 4) {
            const gl_vertex q[6] = {v[i], v[i + 1], v[i + 2], v[i], v[i + 2], v[i + 3]};
            scratch_.insert(scratch_.end(), q, q + 6);
        }
        if (!scratch_.empty()) sink.draw(GL_TRIANGLES, scratch_.data(), scratch_.size());
        return;
    default:
        fprintf(stderr, "glBegin: primitive mode 0x%x is not drawn\n", mode);
        return;
    }
}
