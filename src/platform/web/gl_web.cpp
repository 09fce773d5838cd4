// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The browser's GL and GLU stand-ins: each routine is named as the call it stands in for, so the
// game's code reads the same everywhere. Every call that can go into a display list or changes
// state the attribute stacks keep goes through the one gl_layer; what it hands on reaches
// Emscripten's legacy GL emulation by the emulation's emscripten_-prefixed names. The calls the
// emulation does well on its own (matrices, lights, fog, clears) are not stood in for.

#include "platform/web/gl_layer.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <unordered_map>

extern "C" {
// The emulation's own entry points.
void emscripten_glEnableClientState(GLenum array);
void emscripten_glDisableClientState(GLenum array);
void emscripten_glVertexPointer(GLint size, GLenum type, GLsizei stride, const void *pointer);
void emscripten_glNormalPointer(GLenum type, GLsizei stride, const void *pointer);
void emscripten_glTexCoordPointer(GLint size, GLenum type, GLsizei stride, const void *pointer);
void emscripten_glColorPointer(GLint size, GLenum type, GLsizei stride, const void *pointer);
void emscripten_glDrawArrays(GLenum mode, GLint first, GLsizei count);
void emscripten_glDrawElements(GLenum mode, GLsizei count, GLenum type, const void *indices);
void emscripten_glGenBuffers(GLsizei n, GLuint *buffers);
void emscripten_glDeleteBuffers(GLsizei n, const GLuint *buffers);
void emscripten_glBindBuffer(GLenum target, GLuint buffer);
void emscripten_glBufferData(GLenum target, GLsizeiptr size, const void *data, GLenum usage);
void emscripten_glBufferSubData(GLenum target, GLintptr offset, GLsizeiptr size, const void *data);
void emscripten_glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a);
void emscripten_glPushMatrix();
void emscripten_glPopMatrix();
void emscripten_glTranslated(GLdouble x, GLdouble y, GLdouble z);
void emscripten_glRotated(GLdouble angle, GLdouble x, GLdouble y, GLdouble z);
void emscripten_glScaled(GLdouble x, GLdouble y, GLdouble z);
void emscripten_glBindTexture(GLenum target, GLuint texture);
void emscripten_glEnable(GLenum cap);
void emscripten_glDisable(GLenum cap);
void emscripten_glDepthMask(GLboolean flag);
void emscripten_glDepthFunc(GLenum func);
void emscripten_glMaterialfv(GLenum face, GLenum name, const GLfloat *params);
void emscripten_glLineWidth(GLfloat width);
void emscripten_glTexParameteri(GLenum target, GLenum name, GLint value);
void emscripten_glPixelStorei(GLenum name, GLint value);
void emscripten_glTexImage2D(GLenum target, GLint level, GLint internal, GLsizei width, GLsizei height,
                             GLint border, GLenum format, GLenum type, const void *pixels);
void emscripten_glGenerateMipmap(GLenum target);
void emscripten_glHint(GLenum target, GLenum mode);
void emscripten_glGetFloatv(GLenum name, GLfloat *values);
void emscripten_glGetIntegerv(GLenum name, GLint *values);
// library_hollowmere.js
void hollowmere_material_emission(const GLfloat *rgba);
}

namespace {

// Hands the layer's output to the emulation as interleaved vertex arrays: a whole primitive from
// memory (copied into the emulation's own buffer), a compiled list's batch straight from the
// list's vertex buffer. Every vertex carries all four attributes, except that a batch may take
// one colour for all.
struct emulation_sink : gl_sink {
    bool arrays_on = false;
    bool color_array = false;

    // Points the arrays at vertices starting at `base`: an address in memory, or an offset into
    // the bound buffer.
    void point_arrays(uintptr_t base, bool per_vertex_color) {
        if (!arrays_on) {
            emscripten_glEnableClientState(GL_VERTEX_ARRAY);
            emscripten_glEnableClientState(GL_NORMAL_ARRAY);
            emscripten_glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            arrays_on = true;
        }
        auto at = [base](size_t offset) { return reinterpret_cast<const void *>(base + offset); };
        const GLsizei stride = sizeof(gl_vertex);
        emscripten_glVertexPointer(3, GL_FLOAT, stride, at(offsetof(gl_vertex, x)));
        emscripten_glTexCoordPointer(2, GL_FLOAT, stride, at(offsetof(gl_vertex, s)));
        emscripten_glNormalPointer(GL_FLOAT, stride, at(offsetof(gl_vertex, nx)));
        if (per_vertex_color != color_array) {
            if (per_vertex_color)
                emscripten_glEnableClientState(GL_COLOR_ARRAY);
            else
                emscripten_glDisableClientState(GL_COLOR_ARRAY);
            color_array = per_vertex_color;
        }
        if (per_vertex_color) emscripten_glColorPointer(4, GL_FLOAT, stride, at(offsetof(gl_vertex, r)));
    }

    // The emulation keeps the matrices itself and answers for them.
    bool window_transform(float mvp[16], float viewport[4]) override {
        float m[16], p[16];
        GLint at[4];
        emscripten_glGetFloatv(GL_MODELVIEW_MATRIX, m);
        emscripten_glGetFloatv(GL_PROJECTION_MATRIX, p);
        emscripten_glGetIntegerv(GL_VIEWPORT, at);
        for (int c = 0; c < 4; ++c)
            for (int r = 0; r < 4; ++r)
                mvp[c * 4 + r] = p[r] * m[c * 4] + p[4 + r] * m[c * 4 + 1] + p[8 + r] * m[c * 4 + 2] +
                                 p[12 + r] * m[c * 4 + 3];
        for (int i = 0; i < 4; ++i)
            viewport[i] = static_cast<float>(at[i]);
        return true;
    }

    void draw(GLenum mode, const gl_vertex *v, size_t n) override {
        point_arrays(reinterpret_cast<uintptr_t>(v), true);
        emscripten_glDrawArrays(mode, 0, static_cast<GLsizei>(n));
    }

    std::unordered_map<uint32_t, GLuint> index_buffers; // by vertex buffer

    uint32_t make_buffer(const gl_vertex *v, size_t n, const uint16_t *indices, size_t index_count) override {
        GLuint buffers[2] = {0, 0};
        emscripten_glGenBuffers(2, buffers);
        emscripten_glBindBuffer(GL_ARRAY_BUFFER, buffers[0]);
        emscripten_glBufferData(GL_ARRAY_BUFFER, static_cast<GLsizeiptr>(n * sizeof *v), v, GL_STATIC_DRAW);
        emscripten_glBindBuffer(GL_ARRAY_BUFFER, 0);
        emscripten_glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, buffers[1]);
        emscripten_glBufferData(GL_ELEMENT_ARRAY_BUFFER,
                                static_cast<GLsizeiptr>(index_count * sizeof *indices), indices,
                                GL_STATIC_DRAW);
        emscripten_glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        index_buffers[buffers[0]] = buffers[1];
        return buffers[0];
    }

    void rewrite_buffer(uint32_t buffer, size_t first, const gl_vertex *v, size_t n) override {
        emscripten_glBindBuffer(GL_ARRAY_BUFFER, buffer);
        emscripten_glBufferSubData(GL_ARRAY_BUFFER, static_cast<GLintptr>(first * sizeof *v),
                                   static_cast<GLsizeiptr>(n * sizeof *v), v);
        emscripten_glBindBuffer(GL_ARRAY_BUFFER, 0);
    }

    void free_buffer(uint32_t buffer) override {
        GLuint buffers[2] = {buffer, index_buffers[buffer]};
        index_buffers.erase(buffer);
        emscripten_glDeleteBuffers(2, buffers);
    }

    void draw_buffer(GLenum mode, uint32_t buffer, size_t base, size_t first, size_t n,
                     const float *color) override {
        emscripten_glBindBuffer(GL_ARRAY_BUFFER, buffer);
        emscripten_glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, index_buffers[buffer]);
        point_arrays(base * sizeof(gl_vertex), color == nullptr);
        if (color) emscripten_glColor4f(color[0], color[1], color[2], color[3]);
        emscripten_glDrawElements(mode, static_cast<GLsizei>(n), GL_UNSIGNED_SHORT,
                                  reinterpret_cast<const void *>(first * sizeof(uint16_t)));
        emscripten_glBindBuffer(GL_ELEMENT_ARRAY_BUFFER, 0);
        emscripten_glBindBuffer(GL_ARRAY_BUFFER, 0);
    }

    void pass(const gl_command &c) override {
        switch (c.op) {
        case OP_PUSH_MATRIX:
            emscripten_glPushMatrix();
            break;
        case OP_POP_MATRIX:
            emscripten_glPopMatrix();
            break;
        case OP_TRANSLATE:
            emscripten_glTranslated(c.f[0], c.f[1], c.f[2]);
            break;
        case OP_ROTATE:
            emscripten_glRotated(c.f[0], c.f[1], c.f[2], c.f[3]);
            break;
        case OP_SCALE:
            emscripten_glScaled(c.f[0], c.f[1], c.f[2]);
            break;
        case OP_BIND_TEXTURE:
            emscripten_glBindTexture(c.e[0], c.u);
            break;
        case OP_ENABLE:
            emscripten_glEnable(c.e[0]);
            break;
        case OP_DISABLE:
            emscripten_glDisable(c.e[0]);
            break;
        case OP_DEPTH_MASK:
            emscripten_glDepthMask(c.u ? GL_TRUE : GL_FALSE);
            break;
        case OP_DEPTH_FUNC:
            emscripten_glDepthFunc(c.e[0]);
            break;
        case OP_MATERIAL:
            // The emulation's lighting adds emitted light but its glMaterialfv refuses to set it.
            if (c.e[1] == GL_EMISSION)
                hollowmere_material_emission(c.f);
            else
                emscripten_glMaterialfv(c.e[0], c.e[1], c.f);
            break;
        case OP_LINE_WIDTH:
            emscripten_glLineWidth(c.f[0]); // WebGL draws lines 1 pixel wide whatever is asked
            break;
        default: // the shade model: always smooth in the emulation
            break;
        }
    }
};

emulation_sink sink;
gl_layer layer(sink);

gl_command make_f(gl_op op, float a, float b, float c, float d = 0) {
    gl_command x = make_command(op);
    x.f[0] = a, x.f[1] = b, x.f[2] = c, x.f[3] = d;
    return x;
}

} // namespace

extern "C" {

void glBegin(GLenum mode) {
    layer.begin(mode);
}
void glEnd() {
    layer.end();
}
void glVertex2f(GLfloat x, GLfloat y) {
    layer.vertex(x, y, 0);
}
void glVertex3f(GLfloat x, GLfloat y, GLfloat z) {
    layer.vertex(x, y, z);
}
void glVertex3d(GLdouble x, GLdouble y, GLdouble z) {
    layer.vertex(static_cast<float>(x), static_cast<float>(y), static_cast<float>(z));
}
void glVertex3fv(const GLfloat *v) {
    layer.vertex(v[0], v[1], v[2]);
}
void glColor4f(GLfloat r, GLfloat g, GLfloat b, GLfloat a) {
    layer.color(r, g, b, a);
}
void glColor4fv(const GLfloat *v) {
    layer.color(v[0], v[1], v[2], v[3]);
}
void glColor3f(GLfloat r, GLfloat g, GLfloat b) {
    layer.color(r, g, b, 1);
}
void glColor3fv(const GLfloat *v) {
    layer.color(v[0], v[1], v[2], 1);
}
void glNormal3f(GLfloat x, GLfloat y, GLfloat z) {
    layer.normal(x, y, z);
}
void glNormal3fv(const GLfloat *v) {
    layer.normal(v[0], v[1], v[2]);
}
void glTexCoord2f(GLfloat s, GLfloat t) {
    layer.texcoord(s, t);
}
void glTexCoord2fv(const GLfloat *v) {
    layer.texcoord(v[0], v[1]);
}
void glRectf(GLfloat x1, GLfloat y1, GLfloat x2, GLfloat y2) {
    layer.rect(x1, y1, x2, y2);
}

void glPushMatrix() {
    layer.command(make_command(OP_PUSH_MATRIX));
}
void glPopMatrix() {
    layer.command(make_command(OP_POP_MATRIX));
}
void glTranslatef(GLfloat x, GLfloat y, GLfloat z) {
    layer.command(make_f(OP_TRANSLATE, x, y, z));
}
void glTranslated(GLdouble x, GLdouble y, GLdouble z) {
    layer.command(make_f(OP_TRANSLATE, static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)));
}
void glRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z) {
    layer.command(make_f(OP_ROTATE, angle, x, y, z));
}
void glRotated(GLdouble angle, GLdouble x, GLdouble y, GLdouble z) {
    layer.command(make_f(OP_ROTATE, static_cast<float>(angle), static_cast<float>(x), static_cast<float>(y),
                         static_cast<float>(z)));
}
void glScalef(GLfloat x, GLfloat y, GLfloat z) {
    layer.command(make_f(OP_SCALE, x, y, z));
}
void glScaled(GLdouble x, GLdouble y, GLdouble z) {
    layer.command(make_f(OP_SCALE, static_cast<float>(x), static_cast<float>(y), static_cast<float>(z)));
}
void glBindTexture(GLenum target, GLuint texture) {
    gl_command c = make_command(OP_BIND_TEXTURE, target);
    c.u = texture;
    layer.command(c);
}
void glEnable(GLenum cap) {
    layer.command(make_command(OP_ENABLE, cap));
}
void glDisable(GLenum cap) {
    layer.command(make_command(OP_DISABLE, cap));
}
void glDepthMask(GLboolean flag) {
    gl_command c = make_command(OP_DEPTH_MASK);
    c.u = flag;
    layer.command(c);
}
void glDepthFunc(GLenum func) {
    layer.command(make_command(OP_DEPTH_FUNC, func));
}
void glMaterialfv(GLenum face, GLenum name, const GLfloat *v) {
    gl_command c = make_command(OP_MATERIAL, face, name);
    int n = name == GL_SHININESS ? 1 : 4;
    for (int i = 0; i < n; ++i)
        c.f[i] = v[i];
    layer.command(c);
}
void glLineWidth(GLfloat width) {
    gl_command c = make_command(OP_LINE_WIDTH);
    c.f[0] = width;
    layer.command(c);
}
void glShadeModel(GLenum mode) {
    layer.command(make_command(OP_SHADE_MODEL, mode));
}

GLuint glGenLists(GLsizei range) {
    return layer.gen_lists(range);
}
void glDeleteLists(GLuint first, GLsizei range) {
    layer.delete_lists(first, range);
}
GLboolean glIsList(GLuint id) {
    return layer.is_list(id) ? GL_TRUE : GL_FALSE;
}
void glNewList(GLuint id, GLenum mode) {
    layer.new_list(id, mode);
}
void glEndList() {
    layer.end_list();
}
void glCallList(GLuint id) {
    layer.call_list(id);
}
void glListBase(GLuint base) {
    layer.list_base(base);
}
void glCallLists(GLsizei n, GLenum type, const void *lists) {
    layer.call_lists(n, type, lists);
}

void glPushAttrib(GLbitfield mask) {
    layer.push_attrib(mask);
}
void glPopAttrib() {
    layer.pop_attrib();
}
void glPushClientAttrib(GLbitfield mask) {
    layer.push_client_attrib(mask);
}
void glPopClientAttrib() {
    layer.pop_client_attrib();
}
// Rows are unpacked by the layer; the emulation always gets tight rows.
void glPixelStorei(GLenum name, GLint value) {
    layer.pixel_store(name, value);
}

// WebGL has no GL_CLAMP; clamping to the edge texel is what it would look like.
void glTexParameteri(GLenum target, GLenum name, GLint value) {
    if ((name == GL_TEXTURE_WRAP_S || name == GL_TEXTURE_WRAP_T) && value == GL_CLAMP)
        value = GL_CLAMP_TO_EDGE;
    emscripten_glTexParameteri(target, name, value);
}

// WebGL knows one hint, the mipmap one; the others are the desktop's to take or leave anyway.
void glHint(GLenum target, GLenum mode) {
    if (target == GL_GENERATE_MIPMAP_HINT) emscripten_glHint(target, mode);
}

// --- GLU ----------------------------------------------------------------------------------------

struct GLUquadric {
    glu_quadric q;
};

GLUquadric *gluNewQuadric() {
    return new GLUquadric;
}
void gluDeleteQuadric(GLUquadric *q) {
    delete q;
}
void gluQuadricDrawStyle(GLUquadric *q, GLenum style) {
    if (q) q->q.draw_style = style;
}
void gluQuadricOrientation(GLUquadric *q, GLenum orientation) {
    if (q) q->q.orientation = orientation;
}
void gluQuadricTexture(GLUquadric *q, GLboolean texture) {
    if (q) q->q.texture = texture != GL_FALSE;
}
void gluQuadricNormals(GLUquadric *, GLenum) {}
void gluCylinder(GLUquadric *q, GLdouble base, GLdouble top, GLdouble height, GLint slices, GLint stacks) {
    if (q) layer.cylinder(q->q, base, top, height, slices, stacks);
}
void gluDisk(GLUquadric *q, GLdouble inner, GLdouble outer, GLint slices, GLint loops) {
    if (q) layer.disk(q->q, inner, outer, slices, loops);
}

// Level 0 in a form WebGL takes; the browser makes the smaller levels.
GLint gluBuild2DMipmaps(GLenum target, GLint, GLsizei width, GLsizei height, GLenum format, GLenum type,
                        const void *data) {
    gl_upload_image image;
    if (!prepare_upload_image(width, height, format, type, data, layer.unpack_alignment(), &image))
        return GL_INVALID_VALUE;
    emscripten_glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    emscripten_glTexImage2D(target, 0, static_cast<GLint>(image.format), image.width, image.height, 0,
                            image.format, GL_UNSIGNED_BYTE, image.bytes.data());
    emscripten_glGenerateMipmap(target);
    return 0;
}

} // extern "C"
