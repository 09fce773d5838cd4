// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The GL layer's GLU stand-ins: quadrics drawn through immediate mode, and the images
// gluBuild2DMipmaps is given readied for a WebGL upload.

#include "platform/web/gl_layer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

static constexpr GLenum glu_fill = 100012, glu_line = 100011, glu_silhouette = 100013, glu_point = 100010;
static constexpr GLenum glu_inside = 100021;

// --- GLU quadrics -----------------------------------------------------------------------------
// The same vertices, normals and texture coordinates as GLU's: slices start on +y and run
// towards +x, so that x = r sin a and y = r cos a; the inside orientation turns the winding
// and the normals round.

void gl_layer::cylinder(const glu_quadric &q, double base, double top, double height, int slices,
                        int stacks) {
    if (slices < 2 || stacks < 1 || base < 0 || top < 0 || height < 0) return;
    const double pi = 3.14159265358979323846;
    double length = std::sqrt((base - top) * (base - top) + height * height);
    if (length == 0) return;
    float sign = q.orientation == glu_inside ? -1.0f : 1.0f;
    auto nxy = static_cast<float>(height / length), nz = static_cast<float>((base - top) / length);
    auto at = [&](int i, int j) {
        double a = i == slices ? 0.0 : 2 * pi * i / slices;
        double r = base + (top - base) * j / stacks;
        auto s = static_cast<float>(std::sin(a)), c = static_cast<float>(std::cos(a));
        normal(sign * nxy * s, sign * nxy * c, sign * nz);
        if (q.texture) texcoord(1.0f - static_cast<float>(i) / slices, static_cast<float>(j) / stacks);
        vertex(static_cast<float>(r) * s, static_cast<float>(r) * c, static_cast<float>(height * j / stacks));
    };
    if (q.draw_style == glu_fill) {
        for (int j = 0; j < stacks; ++j) {
            begin(GL_QUAD_STRIP);
            for (int i = 0; i <= slices; ++i) {
                if (sign > 0) {
                    at(i, j);
                    at(i, j + 1);
                } else {
                    at(i, j + 1);
                    at(i, j);
                }
            }
            end();
        }
        return;
    }
    if (q.draw_style == glu_point) {
        begin(GL_POINTS);
        for (int j = 0; j <= stacks; ++j)
            for (int i = 0; i < slices; ++i)
                at(i, j);
        end();
        return;
    }
    // Lines: every stack's ring (only the two ends for the silhouette) and the slices' edges.
    for (int j = 0; j <= stacks; ++j) {
        if (q.draw_style == glu_silhouette && j != 0 && j != stacks) continue;
        begin(GL_LINE_LOOP);
        for (int i = 0; i < slices; ++i)
            at(i, j);
        end();
    }
    begin(GL_LINES);
    for (int i = 0; i < slices; ++i) {
        at(i, 0);
        at(i, stacks);
    }
    end();
}

void gl_layer::disk(const glu_quadric &q, double inner, double outer, int slices, int loops) {
    if (slices < 2 || loops < 1 || inner < 0 || outer <= 0 || inner > outer) return;
    const double pi = 3.14159265358979323846;
    bool inside = q.orientation == glu_inside;
    normal(0, 0, inside ? -1.0f : 1.0f);
    auto at = [&](int i, double r) {
        double a = i == slices ? 0.0 : 2 * pi * i / slices;
        auto s = static_cast<float>(std::sin(a)), c = static_cast<float>(std::cos(a));
        if (q.texture) {
            auto k = static_cast<float>(r / outer / 2);
            texcoord(k * s + 0.5f, k * c + 0.5f);
        }
        vertex(static_cast<float>(r) * s, static_cast<float>(r) * c, 0);
    };
    auto radius = [&](int j) { return inner + (outer - inner) * j / loops; };
    if (q.draw_style == glu_fill) {
        for (int j = 0; j < loops; ++j) {
            begin(GL_QUAD_STRIP);
            for (int i = 0; i <= slices; ++i) {
                if (!inside) {
                    at(i, radius(j + 1));
                    at(i, radius(j));
                } else {
                    at(i, radius(j));
                    at(i, radius(j + 1));
                }
            }
            end();
        }
        return;
    }
    if (q.draw_style == glu_point) {
        begin(GL_POINTS);
        for (int j = 0; j <= loops; ++j)
            for (int i = 0; i < slices; ++i)
                at(i, radius(j));
        end();
        return;
    }
    // The silhouette is the rim (and the hole's edge); lines add every loop and the spokes.
    for (int j = 0; j <= loops; ++j) {
        bool edge = j == loops || (j == 0 && inner > 0);
        if (!edge && q.draw_style == glu_silhouette) continue;
        if (radius(j) == 0) continue;
        begin(GL_LINE_LOOP);
        for (int i = 0; i < slices; ++i)
            at(i, radius(j));
        end();
    }
    if (q.draw_style == glu_line) {
        begin(GL_LINES);
        for (int i = 0; i < slices; ++i) {
            at(i, inner);
            at(i, outer);
        }
        end();
    }
}

// --- Upload images ----------------------------------------------------------------------------

static int channels_of(GLenum format) {
    switch (format) {
    case GL_RGB:
    case GL_BGR_EXT:
        return 3;
    case GL_RGBA:
    case GL_BGRA_EXT:
        return 4;
    case GL_LUMINANCE:
    case GL_ALPHA:
        return 1;
    case GL_LUMINANCE_ALPHA:
        return 2;
    default:
        return 0;
    }
}

static int power_below(int n) {
    int p = 1;
    while (p * 2 <= n)
        p *= 2;
    return p;
}

bool prepare_upload_image(int width, int height, GLenum format, GLenum type, const void *data, int alignment,
                          gl_upload_image *out) {
    int channels = channels_of(format);
    if (channels == 0 || type != GL_UNSIGNED_BYTE) {
        fprintf(stderr, "gluBuild2DMipmaps: format 0x%x with type 0x%x is not uploaded\n", format, type);
        return false;
    }
    if (width < 1 || height < 1 || width > 8192 || height > 8192 || !data) {
        fprintf(stderr, "gluBuild2DMipmaps: no image of %d x %d to upload\n", width, height);
        return false;
    }
    if (alignment != 1 && alignment != 2 && alignment != 4 && alignment != 8) alignment = 4;
    size_t row = (static_cast<size_t>(width) * channels + alignment - 1) / alignment * alignment;
    const auto *src = static_cast<const uint8_t *>(data);
    bool swap = format == GL_BGR_EXT || format == GL_BGRA_EXT;
    out->format = format == GL_BGR_EXT ? GL_RGB : format == GL_BGRA_EXT ? GL_RGBA : format;
    out->width = power_below(width);
    out->height = power_below(height);
    out->bytes.assign(static_cast<size_t>(out->width) * out->height * channels, 0);
    // Each target texel averages the source texels whose box it covers (one when the size stays).
    for (int y = 0; y < out->height; ++y) {
        int y0 = y * height / out->height, y1 = std::max(y0 + 1, (y + 1) * height / out->height);
        for (int x = 0; x < out->width; ++x) {
            int x0 = x * width / out->width, x1 = std::max(x0 + 1, (x + 1) * width / out->width);
            unsigned sum[4] = {0, 0, 0, 0};
            for (int sy = y0; sy < y1; ++sy)
                for (int sx = x0; sx < x1; ++sx)
                    for (int k = 0; k < channels; ++k)
                        sum[k] += src[sy * row + static_cast<size_t>(sx) * channels + k];
            unsigned count = static_cast<unsigned>((y1 - y0) * (x1 - x0));
            uint8_t *dst = &out->bytes[(static_cast<size_t>(y) * out->width + x) * channels];
            for (int k = 0; k < channels; ++k)
                dst[k] = static_cast<uint8_t>((sum[k] + count / 2) / count);
            if (swap) std::swap(dst[0], dst[2]);
        }
    }
    return true;
}
