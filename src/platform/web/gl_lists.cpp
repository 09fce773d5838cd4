// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The GL layer's display lists: recorded as the commands given, compiled into batches of
// indexed vertices in one sink buffer, and replayed.

#include "platform/web/gl_layer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <unordered_map>

static constexpr int list_nesting = 64; // GL's limit on lists calling lists

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
    if (b.mode == GL_LINES && state_.line_width > 1) { // drawn as quads from the list's own vertices
        scratch_.clear();
        for (uint32_t i = b.first; i < b.first + b.index_count; ++i) {
            gl_vertex v = list.vertices[b.base + list.indices[i]];
            if (b.inherited & ATTR_COLOR)
                v.r = state_.color[0], v.g = state_.color[1], v.b = state_.color[2], v.a = state_.color[3];
            if (b.inherited & ATTR_NORMAL)
                v.nx = state_.normal[0], v.ny = state_.normal[1], v.nz = state_.normal[2];
            if (b.inherited & ATTR_TEXCOORD) v.s = state_.texcoord[0], v.t = state_.texcoord[1];
            scratch_.push_back(v);
        }
        if (draw_wide_lines(GL_LINES, scratch_.data(), scratch_.size())) return;
    }
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
