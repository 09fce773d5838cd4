// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The GL 1.x layer over a sink: display lists, attribute stacks, immediate mode carried into
// whole primitives, GLU quadrics and upload images. Nothing here knows the browser; the web's
// stand-ins (gl_web.cpp) route the game's calls in and the emulation's calls out.

#include "platform/web/gl_layer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>

static constexpr size_t attrib_stack_depth = 16; // GL's own minimum for both stacks
static constexpr int list_nesting = 64;          // GL's limit on lists calling lists
static constexpr GLenum glu_fill = 100012, glu_line = 100011, glu_silhouette = 100013, glu_point = 100010;
static constexpr GLenum glu_inside = 100021;

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

// --- Display lists ---------------------------------------------------------------------------

gl_layer::~gl_layer() {
    for (auto &[id, list] : lists_)
        if (list.buffer) sink.free_buffer(list.buffer);
}

GLuint gl_layer::gen_lists(GLsizei range) {
    if (range <= 0 || next_list_ > UINT32_MAX - static_cast<GLuint>(range)) return 0;
    GLuint first = next_list_;
    next_list_ += static_cast<GLuint>(range);
    return first;
}

void gl_layer::forget_list(GLuint id) {
    auto it = lists_.find(id);
    if (it == lists_.end()) return;
    if (it->second.buffer) sink.free_buffer(it->second.buffer);
    lists_.erase(it);
}

void gl_layer::delete_lists(GLuint first, GLsizei range) {
    for (GLsizei i = 0; i < range; ++i)
        forget_list(first + static_cast<GLuint>(i));
}

bool gl_layer::is_list(GLuint id) const {
    return lists_.count(id) != 0;
}

size_t gl_layer::list_length(GLuint id) const {
    auto it = lists_.find(id);
    return it == lists_.end() ? 0 : it->second.commands.size();
}

const gl_list *gl_layer::compiled(GLuint id) const {
    auto it = lists_.find(id);
    return it == lists_.end() ? nullptr : &it->second;
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
    forget_list(open_);
    lists_[open_] = compile_list(std::move(recording_));
    recording_ = {};
    open_ = 0;
}

void gl_layer::call_list(GLuint id) {
    if (open_) {
        gl_command c = make_command(OP_CALL_LIST);
        c.u = id;
        recording_.push_back(c);
        return;
    }
    replay(id, 0);
}

// Runs recorded commands one by one, as if the game gave them now.
void gl_layer::replay_commands(const gl_command *first, size_t count, int depth) {
    for (const gl_command *c = first; c != first + count; ++c) {
        switch (c->op) {
        case OP_BEGIN:
            begin(c->e[0]);
            break;
        case OP_END:
            end();
            break;
        case OP_VERTEX:
            vertex(c->f[0], c->f[1], c->f[2]);
            break;
        case OP_COLOR:
            color(c->f[0], c->f[1], c->f[2], c->f[3]);
            break;
        case OP_NORMAL:
            normal(c->f[0], c->f[1], c->f[2]);
            break;
        case OP_TEXCOORD:
            texcoord(c->f[0], c->f[1]);
            break;
        case OP_CALL_LIST:
            replay(c->u, depth + 1);
            break;
        default:
            apply(*c);
            break;
        }
    }
}

// Draws a batch from the list's buffer, first writing the caller's normal and texture coordinate
// into its vertices where they take them and they have changed since the last call.
void gl_layer::draw_batch(gl_list &list, gl_batch &b) {
    if (!list.buffer)
        list.buffer = sink.make_buffer(list.vertices.data(), list.vertices.size(), list.indices.data(),
                                       list.indices.size());
    bool renew = false;
    if (b.inherited & ATTR_NORMAL && std::memcmp(b.normal, state_.normal, sizeof b.normal) != 0) {
        std::memcpy(b.normal, state_.normal, sizeof b.normal);
        renew = true;
    }
    if (b.inherited & ATTR_TEXCOORD && std::memcmp(b.texcoord, state_.texcoord, sizeof b.texcoord) != 0) {
        std::memcpy(b.texcoord, state_.texcoord, sizeof b.texcoord);
        renew = true;
    }
    if (renew) {
        for (uint32_t i = b.base; i < b.base + b.vertex_count; ++i) {
            gl_vertex &v = list.vertices[i];
            if (b.inherited & ATTR_NORMAL) v.nx = b.normal[0], v.ny = b.normal[1], v.nz = b.normal[2];
            if (b.inherited & ATTR_TEXCOORD) v.s = b.texcoord[0], v.t = b.texcoord[1];
        }
        sink.rewrite_buffer(list.buffer, b.base, &list.vertices[b.base], b.vertex_count);
    }
    sink.draw_buffer(b.mode, list.buffer, b.base, b.first, b.index_count,
                     b.inherited & ATTR_COLOR ? state_.color : nullptr);
}

void gl_layer::replay(GLuint id, int depth) {
    auto it = lists_.find(id);
    if (it == lists_.end() || depth >= list_nesting) return;
    gl_list &list = it->second;
    if (inside_) { // called between glBegin and glEnd: its vertices join the open primitive
        replay_commands(list.commands.data(), list.commands.size(), depth);
        return;
    }
    for (const gl_step &step : list.steps) {
        switch (step.kind) {
        case gl_step::COMMAND:
            apply(list.commands[step.index]);
            break;
        case gl_step::BATCH:
            draw_batch(list, list.batches[step.index]);
            break;
        case gl_step::CALL:
            replay(step.index, depth + 1);
            break;
        case gl_step::SET_CURRENT:
            if (step.sets & ATTR_COLOR) std::memcpy(state_.color, step.color, sizeof state_.color);
            if (step.sets & ATTR_NORMAL) std::memcpy(state_.normal, step.normal, sizeof state_.normal);
            if (step.sets & ATTR_TEXCOORD)
                std::memcpy(state_.texcoord, step.texcoord, sizeof state_.texcoord);
            break;
        case gl_step::RECORDED:
            replay_commands(&list.commands[step.index], step.count, depth);
            break;
        }
    }
}

static std::string vertex_key(const gl_vertex &v) {
    return std::string(reinterpret_cast<const char *>(&v), sizeof v);
}

// The mode a primitive joins a batch as; false for a mode GL does not know.
static bool batch_mode(GLenum mode, GLenum *as) {
    switch (mode) {
    case GL_POINTS:
        *as = GL_POINTS;
        return true;
    case GL_LINES:
    case GL_LINE_STRIP:
    case GL_LINE_LOOP:
        *as = GL_LINES;
        return true;
    case GL_TRIANGLES:
    case GL_TRIANGLE_STRIP:
    case GL_TRIANGLE_FAN:
    case GL_QUADS:
    case GL_QUAD_STRIP:
    case GL_POLYGON:
        *as = GL_TRIANGLES;
        return true;
    default:
        return false;
    }
}

// Appends one primitive as separate points, lines or triangles; one too short for its mode adds
// nothing, and a ragged tail is dropped, as GL draws them.
static void split_primitive(GLenum mode, const std::vector<gl_vertex> &v, std::vector<gl_vertex> &out) {
    size_t n = v.size();
    auto add = [&](size_t a, size_t b, size_t c) {
        out.push_back(v[a]);
        out.push_back(v[b]);
        out.push_back(v[c]);
    };
    switch (mode) {
    case GL_POINTS:
        out.insert(out.end(), v.begin(), v.end());
        break;
    case GL_LINES:
        out.insert(out.end(), v.begin(), v.begin() + static_cast<std::ptrdiff_t>(n & ~size_t(1)));
        break;
    case GL_LINE_STRIP:
    case GL_LINE_LOOP:
        for (size_t i = 0; n >= 2 && i + 1 < n; ++i) {
            out.push_back(v[i]);
            out.push_back(v[i + 1]);
        }
        if (mode == GL_LINE_LOOP && n >= 2) {
            out.push_back(v[n - 1]);
            out.push_back(v[0]);
        }
        break;
    case GL_TRIANGLES:
        out.insert(out.end(), v.begin(), v.begin() + static_cast<std::ptrdiff_t>(n - n % 3));
        break;
    case GL_QUAD_STRIP:
        n &= ~size_t(1);
        if (n < 4) break;
        [[fallthrough]];
    case GL_TRIANGLE_STRIP: // every other triangle turned back to the strip's winding
        for (size_t i = 0; i + 2 < n; ++i)
            if (i % 2 == 0)
                add(i, i + 1, i + 2);
            else
                add(i + 1, i, i + 2);
        break;
    case GL_TRIANGLE_FAN:
    case GL_POLYGON:
        for (size_t i = 1; i + 1 < n; ++i)
            add(0, i, i + 1);
        break;
    case GL_QUADS:
        for (size_t i = 0; i + 3 < n; i += 4) {
            add(i, i + 1, i + 2);
            add(i, i + 2, i + 3);
        }
        break;
    default:
        break;
    }
}

gl_list compile_list(std::vector<gl_command> commands) {
    gl_list list;
    list.commands = std::move(commands);
    const std::vector<gl_command> &cmds = list.commands;

    // The attributes the list has set so far, and their values; the rest come from the caller.
    uint8_t known = 0;
    gl_vertex current{0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1};
    auto step_of = [](gl_step::kind_t kind, size_t index) {
        gl_step s{};
        s.kind = kind;
        s.index = static_cast<uint32_t>(index);
        return s;
    };
    auto set_current = [&](uint8_t sets, const gl_vertex &v) {
        if (!sets) return;
        gl_step s = step_of(gl_step::SET_CURRENT, 0);
        s.sets = sets;
        s.color[0] = v.r, s.color[1] = v.g, s.color[2] = v.b, s.color[3] = v.a;
        s.normal[0] = v.nx, s.normal[1] = v.ny, s.normal[2] = v.nz;
        s.texcoord[0] = v.s, s.texcoord[1] = v.t;
        list.steps.push_back(s);
    };
    bool batch_open = false; // whether the last step is a batch more primitives may join

    bool inside = false;
    GLenum mode = 0;
    size_t begun = 0; // the primitive's glBegin, and what the list had set then
    uint8_t known_at_begin = 0;
    gl_vertex at_begin = current;
    std::vector<gl_vertex> primitive;
    uint8_t primitive_known = 0; // what the list had set at the primitive's first vertex
    bool mixed = false;
    std::vector<gl_vertex> split;
    std::unordered_map<std::string, uint16_t> seen; // the open batch's vertices, by their bytes

    for (size_t i = 0; i < cmds.size(); ++i) {
        const gl_command &c = cmds[i];
        switch (c.op) {
        case OP_BEGIN:
            inside = true;
            mode = c.e[0];
            begun = i;
            known_at_begin = known;
            at_begin = current;
            primitive.clear();
            mixed = false;
            break;
        case OP_VERTEX:
            if (!inside) break;
            if (primitive.empty())
                primitive_known = known;
            else if (known != primitive_known)
                mixed = true;
            current.x = c.f[0], current.y = c.f[1], current.z = c.f[2];
            primitive.push_back(current);
            break;
        case OP_COLOR:
            current.r = c.f[0], current.g = c.f[1], current.b = c.f[2], current.a = c.f[3];
            known |= ATTR_COLOR;
            break;
        case OP_NORMAL:
            current.nx = c.f[0], current.ny = c.f[1], current.nz = c.f[2];
            known |= ATTR_NORMAL;
            break;
        case OP_TEXCOORD:
            current.s = c.f[0], current.t = c.f[1];
            known |= ATTR_TEXCOORD;
            break;
        case OP_END: {
            if (!inside) break;
            inside = false;
            GLenum as = 0;
            if (mixed || !batch_mode(mode, &as)) {
                // Replayed as given, after the caller's state has what the list set before it.
                set_current(known_at_begin, at_begin);
                gl_step s = step_of(gl_step::RECORDED, begun);
                s.count = static_cast<uint32_t>(i + 1 - begun);
                list.steps.push_back(s);
                batch_open = false;
                break;
            }
            split.clear();
            split_primitive(mode, primitive, split);
            if (split.empty()) break;
            auto inherited =
                static_cast<uint8_t>(~primitive_known & (ATTR_COLOR | ATTR_NORMAL | ATTR_TEXCOORD));
            gl_batch *b = batch_open ? &list.batches[list.steps.back().index] : nullptr;
            size_t unit = as == GL_TRIANGLES ? 3 : as == GL_LINES ? 2 : 1;
            for (size_t at = 0; at < split.size(); at += unit) {
                // A batch counts its vertices in 16 bits, as WebGL's indices do.
                if (!b || b->mode != as || b->inherited != inherited || b->vertex_count + unit > UINT16_MAX) {
                    gl_batch fresh{as,        static_cast<uint32_t>(list.vertices.size()),
                                   0,         static_cast<uint32_t>(list.indices.size()),
                                   0,         inherited,
                                   {0, 0, 1}, {0, 0}};
                    list.steps.push_back(step_of(gl_step::BATCH, list.batches.size()));
                    list.batches.push_back(fresh);
                    b = &list.batches.back();
                    batch_open = true;
                    seen.clear();
                }
                for (size_t k = at; k < at + unit; ++k) {
                    gl_vertex v = split[k];
                    if (inherited & ATTR_COLOR) v.r = v.g = v.b = v.a = 1;
                    if (inherited & ATTR_NORMAL) v.nx = 0, v.ny = 0, v.nz = 1;
                    if (inherited & ATTR_TEXCOORD) v.s = 0, v.t = 0;
                    auto [it, fresh] =
                        seen.try_emplace(vertex_key(v), static_cast<uint16_t>(b->vertex_count));
                    if (fresh) {
                        list.vertices.push_back(v);
                        ++b->vertex_count;
                    }
                    list.indices.push_back(it->second);
                    ++b->index_count;
                }
            }
            break;
        }
        case OP_CALL_LIST:
            if (inside) { // the called list's vertices join this primitive: replayed as given
                mixed = true;
                known = 0;
                break;
            }
            set_current(known, current);
            list.steps.push_back(step_of(gl_step::CALL, c.u));
            known = 0; // what the called list sets is the caller's from here
            batch_open = false;
            break;
        default:
            list.steps.push_back(step_of(gl_step::COMMAND, i));
            batch_open = false;
            break;
        }
    }
    set_current(known, current);
    return list;
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
        gl_command c = make_command(OP_DISABLE);
        c.e[0] = cap;
        apply(c);
    }
    for (GLenum cap : saved.enabled) {
        if (!saved_under(cap, mask) || is_enabled(cap)) continue;
        gl_command c = make_command(OP_ENABLE);
        c.e[0] = cap;
        apply(c);
    }
    if (mask & GL_DEPTH_BUFFER_BIT) {
        if (saved.depth_func != state_.depth_func) {
            gl_command c = make_command(OP_DEPTH_FUNC);
            c.e[0] = saved.depth_func;
            apply(c);
        }
        if (saved.depth_mask != state_.depth_mask) {
            gl_command c = make_command(OP_DEPTH_MASK);
            c.u = saved.depth_mask;
            apply(c);
        }
    }
    if (mask & GL_LIGHTING_BIT) {
        if (saved.shade_model != state_.shade_model) {
            gl_command c = make_command(OP_SHADE_MODEL);
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
            gl_command c = make_command(OP_MATERIAL);
            c.e[0] = GL_FRONT_AND_BACK;
            c.e[1] = p.name;
            std::memcpy(c.f, p.was, sizeof c.f);
            apply(c);
        }
        if (was.shininess != is.shininess) {
            gl_command c = make_command(OP_MATERIAL);
            c.e[0] = GL_FRONT_AND_BACK;
            c.e[1] = GL_SHININESS;
            c.f[0] = was.shininess;
            apply(c);
        }
    }
    if (mask & GL_LINE_BIT && saved.line_width != state_.line_width) {
        gl_command c = make_command(OP_LINE_WIDTH);
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
