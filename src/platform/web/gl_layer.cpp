// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The GL 1.x layer over a sink: the state commands and the attribute stacks. Its other parts
// have files of their own: immediate mode (gl_immediate.cpp), display lists (gl_lists.cpp) and
// the GLU stand-ins, quadrics and upload images (gl_glu.cpp). Nothing here knows the browser;
// the web's stand-ins (gl_web.cpp) route the game's calls in and the emulation's calls out.

#include "platform/web/gl_layer.h"

#include <algorithm>
#include <cstring>

static constexpr size_t attrib_stack_depth = 16; // GL's own minimum for both stacks

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
