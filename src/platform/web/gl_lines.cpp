// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Wide lines. WebGL draws every line one pixel wide, whatever the line width; the layer draws a
// line wider than that as quads of its width on the screen, as GL's own wide lines are: a line
// more horizontal than vertical on the screen spans the width vertically, any other
// horizontally, and each segment ends square at its end points.

#include "platform/web/gl_layer.h"

#include <cmath>

namespace {

struct clip_point {
    double x, y, z, w;
};

clip_point times(const float m[16], double x, double y, double z, double w) {
    return {m[0] * x + m[4] * y + m[8] * z + m[12] * w, m[1] * x + m[5] * y + m[9] * z + m[13] * w,
            m[2] * x + m[6] * y + m[10] * z + m[14] * w, m[3] * x + m[7] * y + m[11] * z + m[15] * w};
}

// The inverse of a column-major 4 x 4 matrix by Gauss-Jordan elimination; false when singular.
bool invert(const float m[16], float out[16]) {
    double a[4][8];
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            a[r][c] = m[c * 4 + r];
            a[r][c + 4] = r == c;
        }
    for (int c = 0; c < 4; ++c) {
        int pivot = c;
        for (int r = c + 1; r < 4; ++r)
            if (std::fabs(a[r][c]) > std::fabs(a[pivot][c])) pivot = r;
        if (std::fabs(a[pivot][c]) < 1e-12) return false;
        for (int k = 0; k < 8; ++k)
            std::swap(a[c][k], a[pivot][k]);
        double p = a[c][c];
        for (int k = 0; k < 8; ++k)
            a[c][k] /= p;
        for (int r = 0; r < 4; ++r) {
            if (r == c || a[r][c] == 0) continue;
            double f = a[r][c];
            for (int k = 0; k < 8; ++k)
                a[r][k] -= f * a[c][k];
        }
    }
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            out[c * 4 + r] = static_cast<float>(a[r][c + 4]);
    return true;
}

} // namespace

bool widen_lines(GLenum mode, const gl_vertex *v, size_t n, float width, const float mvp[16],
                 const float viewport[4], std::vector<gl_vertex> &out) {
    float inverse[16];
    if (n < 2 || width <= 0 || viewport[2] <= 0 || viewport[3] <= 0 || !invert(mvp, inverse)) return false;
    auto widen = [&](const gl_vertex &a, const gl_vertex &b) {
        clip_point ca = times(mvp, a.x, a.y, a.z, 1), cb = times(mvp, b.x, b.y, b.z, 1);
        if (ca.w <= 0 || cb.w <= 0) return; // reaches behind the eye: nothing of it is drawn
        double dx = (cb.x / cb.w - ca.x / ca.w) * viewport[2], dy = (cb.y / cb.w - ca.y / ca.w) * viewport[3];
        // Half the width across the line, in the units of normalised device coordinates.
        double ox = std::fabs(dx) >= std::fabs(dy) ? 0 : width / viewport[2];
        double oy = std::fabs(dx) >= std::fabs(dy) ? width / viewport[3] : 0;
        // A corner: the end point moved across in clip space and taken back to object space, so
        // that the current matrices put it where it belongs.
        auto corner = [&](const gl_vertex &p, const clip_point &c, double side) {
            clip_point o = times(inverse, c.x + side * ox * c.w, c.y + side * oy * c.w, c.z, c.w);
            gl_vertex q = p;
            q.x = static_cast<float>(o.x / o.w), q.y = static_cast<float>(o.y / o.w),
            q.z = static_cast<float>(o.z / o.w);
            return q;
        };
        gl_vertex a0 = corner(a, ca, -1), a1 = corner(a, ca, 1), b0 = corner(b, cb, -1),
                  b1 = corner(b, cb, 1);
        // Counter-clockwise on the screen, so that culling keeps them.
        bool ccw = dx * oy - dy * ox > 0;
        const gl_vertex quad[6] = {a0, ccw ? b0 : b1, ccw ? b1 : b0, a0, ccw ? b1 : a1, ccw ? a1 : b1};
        out.insert(out.end(), quad, quad + 6);
    };
    switch (mode) {
    case GL_LINES:
        for (size_t i = 0; i + 1 < n; i += 2)
            widen(v[i], v[i + 1]);
        return true;
    case GL_LINE_STRIP:
    case GL_LINE_LOOP:
        for (size_t i = 0; i + 1 < n; ++i)
            widen(v[i], v[i + 1]);
        if (mode == GL_LINE_LOOP) widen(v[n - 1], v[0]);
        return true;
    default:
        return false;
    }
}

// Draws a line primitive as quads where it is wider than a pixel and the sink can say where the
// screen is; false when it is left to the sink as lines.
bool gl_layer::draw_wide_lines(GLenum mode, const gl_vertex *v, size_t n) {
    float mvp[16], viewport[4];
    if (state_.line_width <= 1 || !sink.window_transform(mvp, viewport)) return false;
    wide_.clear();
    if (!widen_lines(mode, v, n, state_.line_width, mvp, viewport, wide_)) return false;
    if (!wide_.empty()) sink.draw(GL_TRIANGLES, wide_.data(), wide_.size());
    return true;
}
