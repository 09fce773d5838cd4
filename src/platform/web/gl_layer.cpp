// The GL 1.x layer over a sink: display lists, attribute stacks, immediate mode carried into
// whole primitives, GLU quadrics and upload images. Nothing here knows the browser; the web's
// stand-ins (gl_web.cpp) route the game's calls in and the emulation's calls out.

#include "platform/web/gl_layer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

static constexpr size_t attrib_stack_depth = 16; // GL's own minimum for both stacks
static constexpr int list_nesting = 64;          // GL's limit on lists calling lists
static constexpr GLenum glu_fill = 100012, glu_line = 100011, glu_silhouette = 100013, glu_point = 100010;
static constexpr GLenum glu_inside = 100021;

static gl_command make(gl_op op) {
    gl_command c{};
    c.op = op;
    return c;
}

// --- Immediate mode ---------------------------------------------------------------------------

void gl_layer::begin(GLenum mode) {
    if (open_) {
        gl_command c = make(OP_BEGIN);
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
        recording_.push_back(make(OP_END));
        return;
    }
    if (!inside_) return;
    inside_ = false;
    emit(mode_);
}

void gl_layer::vertex(float x, float y, float z) {
    if (open_) {
        gl_command c = make(OP_VERTEX);
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
        gl_command c = make(OP_COLOR);
        c.f[0] = r, c.f[1] = g, c.f[2] = b, c.f[3] = a;
        recording_.push_back(c);
        return;
    }
    state_.color[0] = r, state_.color[1] = g, state_.color[2] = b, state_.color[3] = a;
}

void gl_layer::normal(float x, float y, float z) {
    if (open_) {
        gl_command c = make(OP_NORMAL);
        c.f[0] = x, c.f[1] = y, c.f[2] = z;
        recording_.push_back(c);
        return;
    }
    state_.normal[0] = x, state_.normal[1] = y, state_.normal[2] = z;
}

void gl_layer::texcoord(float s, float t) {
    if (open_) {
        gl_command c = make(OP_TEXCOORD);
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
        if (n >= 2) sink.draw(GL_LINES, v, n & ~size_t(1));
        return;
    case GL_LINE_STRIP:
    case GL_LINE_LOOP:
        if (n >= 2) sink.draw(mode, v, n);
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

// --- State ------------------------------------------------------------------------------------

void gl_layer::command(const gl_command &c) {
    if (open_)
        recording_.push_back(c);
    else
        apply(c);
}

bool gl_layer::is_enabled(GLenum cap) const {
    return std::find(state_.enabled.begin(), state_.enabled.end(), cap) != state_.enabled.end();
}

static void set_material(gl_material &m, GLenum name, const float *f) {
    switch (name) {
    case GL_AMBIENT:
        std::memcpy(m.ambient, f, sizeof m.ambient);
        break;
    case GL_DIFFUSE:
        std::memcpy(m.diffuse, f, sizeof m.diffuse);
        break;
    case GL_AMBIENT_AND_DIFFUSE:
        std::memcpy(m.ambient, f, sizeof m.ambient);
        std::memcpy(m.diffuse, f, sizeof m.diffuse);
        break;
    case GL_SPECULAR:
        std::memcpy(m.specular, f, sizeof m.specular);
        break;
    case GL_EMISSION:
        std::memcpy(m.emission, f, sizeof m.emission);
        break;
    case GL_SHININESS:
        m.shininess = f[0];
        break;
    default:
        break;
    }
}

void gl_layer::apply(const gl_command &c) {
    gl_saved_state &s = state_;
    switch (c.op) {
    case OP_ENABLE:
        if (!is_enabled(c.e[0])) s.enabled.push_back(c.e[0]);
        break;
    case OP_DISABLE:
        s.enabled.erase(std::remove(s.enabled.begin(), s.enabled.end(), c.e[0]), s.enabled.end());
        break;
    case OP_DEPTH_MASK:
        s.depth_mask = c.u != 0;
        break;
    case OP_DEPTH_FUNC:
        s.depth_func = c.e[0];
        break;
    case OP_LINE_WIDTH:
        s.line_width = c.f[0];
        break;
    case OP_SHADE_MODEL:
        s.shade_model = c.e[0];
        break;
    case OP_MATERIAL:
        if (c.e[0] == GL_FRONT || c.e[0] == GL_FRONT_AND_BACK) set_material(s.material, c.e[1], c.f);
        break;
    case OP_BEGIN:
    case OP_END:
    case OP_VERTEX:
    case OP_COLOR:
    case OP_NORMAL:
    case OP_TEXCOORD:
    case OP_CALL_LIST:
        return; // never passed on: the layer itself replays these
    default:
        break;
    }
    sink.pass(c);
}

// --- Display lists ----------------------------------------------------------------------------

GLuint gl_layer::gen_lists(GLsizei range) {
    if (range <= 0 || next_list_ > UINT32_MAX - static_cast<GLuint>(range)) return 0;
    GLuint first = next_list_;
    next_list_ += static_cast<GLuint>(range);
    return first;
}

void gl_layer::delete_lists(GLuint first, GLsizei range) {
    for (GLsizei i = 0; i < range; ++i)
        lists_.erase(first + static_cast<GLuint>(i));
}

bool gl_layer::is_list(GLuint id) const {
    return lists_.count(id) != 0;
}

size_t gl_layer::list_length(GLuint id) const {
    auto it = lists_.find(id);
    return it == lists_.end() ? 0 : it->second.size();
}

void gl_layer::new_list(GLuint id, GLenum mode) {
    if (id == 0 || open_ || mode != GL_COMPILE) {
        fprintf(stderr, "glNewList: list %u not begun (%s)\n", id,
                id == 0 ? "list 0"
                : open_ ? "another list is open"
                        : "only GL_COMPILE is kept");
        return;
    }
    open_ = id;
    recording_.clear();
}

void gl_layer::end_list() {
    if (!open_) return;
    lists_[open_] = std::move(recording_);
    recording_ = {};
    open_ = 0;
}

void gl_layer::call_list(GLuint id) {
    if (open_) {
        gl_command c = make(OP_CALL_LIST);
        c.u = id;
        recording_.push_back(c);
        return;
    }
    replay(id, 0);
}

void gl_layer::replay(GLuint id, int depth) {
    auto it = lists_.find(id);
    if (it == lists_.end() || depth >= list_nesting) return;
    for (const gl_command &c : it->second) {
        switch (c.op) {
        case OP_BEGIN:
            begin(c.e[0]);
            break;
        case OP_END:
            end();
            break;
        case OP_VERTEX:
            vertex(c.f[0], c.f[1], c.f[2]);
            break;
        case OP_COLOR:
            color(c.f[0], c.f[1], c.f[2], c.f[3]);
            break;
        case OP_NORMAL:
            normal(c.f[0], c.f[1], c.f[2]);
            break;
        case OP_TEXCOORD:
            texcoord(c.f[0], c.f[1]);
            break;
        case OP_CALL_LIST:
            replay(c.u, depth + 1);
            break;
        default:
            apply(c);
            break;
        }
    }
}

void gl_layer::call_lists(GLsizei n, GLenum type, const void *ids) {
    if (!ids) return;
    for (GLsizei i = 0; i < n; ++i) {
        GLuint id = 0;
        switch (type) {
        case GL_UNSIGNED_BYTE:
            id = static_cast<const GLubyte *>(ids)[i];
            break;
        case GL_BYTE:
            id = static_cast<GLuint>(static_cast<const GLbyte *>(ids)[i]);
            break;
        case GL_UNSIGNED_SHORT:
            id = static_cast<const GLushort *>(ids)[i];
            break;
        case GL_SHORT:
            id = static_cast<GLuint>(static_cast<const GLshort *>(ids)[i]);
            break;
        case GL_UNSIGNED_INT:
        case GL_INT:
            id = static_cast<const GLuint *>(ids)[i];
            break;
        default:
            fprintf(stderr, "glCallLists: name type 0x%x is not read\n", type);
            return;
        }
        call_list(base_ + id);
    }
}

// --- Attribute stacks -------------------------------------------------------------------------

void gl_layer::push_attrib(GLbitfield mask) {
    if (stack_.size() >= attrib_stack_depth) return; // GL's stack overflow: the push is ignored
    stack_.emplace_back(mask, state_);
}

// Whether a capability is saved under a mask: every one under GL_ENABLE_BIT, the rest with the
// group they belong to.
static bool saved_under(GLenum cap, GLbitfield mask) {
    if (mask & GL_ENABLE_BIT) return true;
    if (mask & GL_DEPTH_BUFFER_BIT && cap == GL_DEPTH_TEST) return true;
    if (mask & GL_LIGHTING_BIT &&
        (cap == GL_LIGHTING || cap == GL_COLOR_MATERIAL || (cap >= GL_LIGHT0 && cap <= GL_LIGHT7)))
        return true;
    if (mask & GL_LINE_BIT && (cap == GL_LINE_SMOOTH || cap == GL_LINE_STIPPLE)) return true;
    if (mask & GL_FOG_BIT && cap == GL_FOG) return true;
    return false;
}

static bool same4(const float *a, const float *b) {
    return std::memcmp(a, b, 4 * sizeof(float)) == 0;
}

// Puts back what `mask` saved, sending the sink only what differs from now.
void gl_layer::restore(const gl_saved_state &saved, GLbitfield mask) {
    std::vector<GLenum> now = state_.enabled;
    for (GLenum cap : now) {
        if (!saved_under(cap, mask)) continue;
        if (std::find(saved.enabled.begin(), saved.enabled.end(), cap) != saved.enabled.end()) continue;
        gl_command c = make(OP_DISABLE);
        c.e[0] = cap;
        apply(c);
    }
    for (GLenum cap : saved.enabled) {
        if (!saved_under(cap, mask) || is_enabled(cap)) continue;
        gl_command c = make(OP_ENABLE);
        c.e[0] = cap;
        apply(c);
    }
    if (mask & GL_DEPTH_BUFFER_BIT) {
        if (saved.depth_func != state_.depth_func) {
            gl_command c = make(OP_DEPTH_FUNC);
            c.e[0] = saved.depth_func;
            apply(c);
        }
        if (saved.depth_mask != state_.depth_mask) {
            gl_command c = make(OP_DEPTH_MASK);
            c.u = saved.depth_mask;
            apply(c);
        }
    }
    if (mask & GL_LIGHTING_BIT) {
        if (saved.shade_model != state_.shade_model) {
            gl_command c = make(OP_SHADE_MODEL);
            c.e[0] = saved.shade_model;
            apply(c);
        }
        const gl_material &was = saved.material, &is = state_.material;
        const struct {
            GLenum name;
            const float *was, *is;
        } parts[] = {{GL_AMBIENT, was.ambient, is.ambient},
                     {GL_DIFFUSE, was.diffuse, is.diffuse},
                     {GL_SPECULAR, was.specular, is.specular},
                     {GL_EMISSION, was.emission, is.emission}};
        for (const auto &p : parts) {
            if (same4(p.was, p.is)) continue;
            gl_command c = make(OP_MATERIAL);
            c.e[0] = GL_FRONT_AND_BACK;
            c.e[1] = p.name;
            std::memcpy(c.f, p.was, sizeof c.f);
            apply(c);
        }
        if (was.shininess != is.shininess) {
            gl_command c = make(OP_MATERIAL);
            c.e[0] = GL_FRONT_AND_BACK;
            c.e[1] = GL_SHININESS;
            c.f[0] = was.shininess;
            apply(c);
        }
    }
    if (mask & GL_LINE_BIT && saved.line_width != state_.line_width) {
        gl_command c = make(OP_LINE_WIDTH);
        c.f[0] = saved.line_width;
        apply(c);
    }
    if (mask & GL_CURRENT_BIT) {
        std::memcpy(state_.color, saved.color, sizeof state_.color);
        std::memcpy(state_.normal, saved.normal, sizeof state_.normal);
        std::memcpy(state_.texcoord, saved.texcoord, sizeof state_.texcoord);
    }
}

void gl_layer::pop_attrib() {
    if (stack_.empty()) return; // GL's stack underflow: nothing happens
    auto top = std::move(stack_.back());
    stack_.pop_back();
    restore(top.second, top.first);
}

void gl_layer::push_client_attrib(GLbitfield mask) {
    if (client_stack_.size() >= attrib_stack_depth) return;
    client_stack_.emplace_back(mask, unpack_alignment_);
}

void gl_layer::pop_client_attrib() {
    if (client_stack_.empty()) return;
    if (client_stack_.back().first & GL_CLIENT_PIXEL_STORE_BIT)
        unpack_alignment_ = client_stack_.back().second;
    client_stack_.pop_back();
}

void gl_layer::pixel_store(GLenum name, int value) {
    if (name == GL_UNPACK_ALIGNMENT && (value == 1 || value == 2 || value == 4 || value == 8))
        unpack_alignment_ = value;
}

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
