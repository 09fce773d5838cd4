// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The GL 1.x pieces the browser's emulation lacks, kept apart from the browser so that they run
// and are tested natively. A gl_layer stands between the game's GL calls and a gl_sink (the
// emulation on the web, a recording fake in the tests): it records and replays display lists,
// keeps the attribute stacks for the bits the game pushes, and turns immediate mode into whole
// primitives whose every vertex carries the current colour, normal and texture coordinate, with
// GL_POLYGON as a fan and quads as triangles. It also makes the GLU quadrics and readies images
// for a WebGL upload.
#pragma once

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <map>
#include <vector>

// One vertex as the sink draws it: everything the fixed pipeline reads, always present.
struct gl_vertex {
    float x, y, z;
    float s, t;
    float nx, ny, nz;
    float r, g, b, a;
};

// The state and matrix commands that pass through to the sink (and go into display lists).
enum gl_op : uint8_t {
    OP_PUSH_MATRIX,
    OP_POP_MATRIX,
    OP_TRANSLATE,    // f[0..2]
    OP_ROTATE,       // f[0] degrees about f[1..3]
    OP_SCALE,        // f[0..2]
    OP_BIND_TEXTURE, // e[0] target, u texture
    OP_ENABLE,       // e[0] capability
    OP_DISABLE,      // e[0] capability
    OP_DEPTH_MASK,   // u
    OP_DEPTH_FUNC,   // e[0]
    OP_MATERIAL,     // e[0] face, e[1] parameter, f[0..3]
    OP_LINE_WIDTH,   // f[0]
    OP_SHADE_MODEL,  // e[0]
    // Recorded only: replayed through the layer itself.
    OP_BEGIN, // e[0] mode
    OP_END,
    OP_VERTEX,    // f[0..2]
    OP_COLOR,     // f[0..3]
    OP_NORMAL,    // f[0..2]
    OP_TEXCOORD,  // f[0..1]
    OP_CALL_LIST, // u
};

struct gl_command {
    gl_op op;
    GLenum e[2];
    uint32_t u;
    float f[4];
};

// A command with its op and enums set and everything else zero.
inline gl_command make_command(gl_op op, GLenum e0 = 0, GLenum e1 = 0) {
    gl_command c{};
    c.op = op;
    c.e[0] = e0;
    c.e[1] = e1;
    return c;
}

// Where the layer's output goes.
struct gl_sink {
    virtual ~gl_sink() = default;
    // One whole primitive of GL_POINTS, GL_LINES, GL_LINE_STRIP, GL_LINE_LOOP, GL_TRIANGLES,
    // GL_TRIANGLE_STRIP or GL_TRIANGLE_FAN.
    virtual void draw(GLenum mode, const gl_vertex *vertices, size_t count) = 0;
    virtual void pass(const gl_command &c) = 0;
    // The vertex and index buffers kept by the sink for a compiled display list: made once with
    // the list's vertices and indices (a name other than 0), vertices partly rewritten, drawn
    // from and let go.
    virtual uint32_t make_buffer(const gl_vertex *vertices, size_t count, const uint16_t *indices,
                                 size_t index_count) = 0;
    virtual void rewrite_buffer(uint32_t buffer, size_t first, const gl_vertex *vertices, size_t count) = 0;
    virtual void free_buffer(uint32_t buffer) = 0;
    // GL_POINTS, GL_LINES or GL_TRIANGLES through the indices [first, first + count), which count
    // from the vertex `base`; with a colour, every vertex takes that colour instead of its own.
    virtual void draw_buffer(GLenum mode, uint32_t buffer, size_t base, size_t first, size_t count,
                             const float *color) = 0;
    // The current projection times model-view (column-major) and the viewport (x, y, width,
    // height), for lines wider than a pixel; false where the sink draws wide lines itself.
    virtual bool window_transform(float mvp[16], float viewport[4]) {
        (void)mvp, (void)viewport;
        return false;
    }
};

// The attributes a vertex takes from the current state.
enum gl_attribute : uint8_t { ATTR_COLOR = 1, ATTR_NORMAL = 2, ATTR_TEXCOORD = 4 };

// A run of whole primitives in a compiled list, merged into one indexed draw: each distinct
// vertex is kept once, so that the pipeline can reuse its work. The vertices take the
// attributes in `inherited` from the state current when the list is called (the normal and
// texture coordinate last written into them are kept in `normal` and `texcoord`).
struct gl_batch {
    GLenum mode;                 // GL_POINTS, GL_LINES or GL_TRIANGLES
    uint32_t base, vertex_count; // the list's vertices it uses
    uint32_t first, index_count; // the list's indices it draws, counted from `base`
    uint8_t inherited;
    float normal[3];
    float texcoord[2];
};

// One step of a compiled list.
struct gl_step {
    enum kind_t : uint8_t { COMMAND, BATCH, CALL, SET_CURRENT, RECORDED } kind;
    uint32_t index; // the command, the batch, the list called, or the first recorded command
    uint32_t count; // RECORDED: how many recorded commands to replay as they were given
    uint8_t sets;   // SET_CURRENT: which attributes, with the values below
    float color[4], normal[3], texcoord[2];
};

// A display list as compiled: the commands as given, and the steps that replay them with the
// geometry merged into batches whose vertices live in one sink buffer.
struct gl_list {
    std::vector<gl_command> commands;
    std::vector<gl_step> steps;
    std::vector<gl_batch> batches;
    std::vector<gl_vertex> vertices;
    std::vector<uint16_t> indices;
    uint32_t buffer = 0; // made on the first call
};

// The GLU quadric's settings.
struct glu_quadric {
    GLenum draw_style = 100012;  // GLU_FILL
    GLenum orientation = 100020; // GLU_OUTSIDE
    bool texture = false;
};

// The material of one face, as GL_LIGHTING_BIT saves it.
struct gl_material {
    float ambient[4] = {0.2f, 0.2f, 0.2f, 1};
    float diffuse[4] = {0.8f, 0.8f, 0.8f, 1};
    float specular[4] = {0, 0, 0, 1};
    float emission[4] = {0, 0, 0, 1};
    float shininess = 0;
};

// The state the attribute stacks save, with GL's initial values.
struct gl_saved_state {
    std::vector<GLenum> enabled; // the capabilities on, in the order they came on
    GLenum depth_func = GL_LESS;
    bool depth_mask = true;
    float line_width = 1;
    GLenum shade_model = GL_SMOOTH;
    gl_material material;
    float color[4] = {1, 1, 1, 1};
    float normal[3] = {0, 0, 1};
    float texcoord[2] = {0, 0};
};

// Compiles a display list's commands: each run of whole primitives between state commands,
// list calls and changes in which attributes come from the caller's state becomes one batch of
// points, lines or triangles (strips, fans, loops, quads and polygons split with their winding
// kept). A primitive whose vertices differ in that, or of a mode GL does not know, stays as
// recorded and is replayed command by command.
gl_list compile_list(std::vector<gl_command> commands);

// Appends the triangles that draw a GL_LINES, GL_LINE_STRIP or GL_LINE_LOOP primitive `width`
// pixels wide on the screen that `mvp` and `viewport` (as in gl_sink::window_transform) give:
// each segment a quad spanning the width vertically where the segment is more horizontal than
// vertical on the screen, horizontally otherwise, square at its end points, counter-clockwise
// on the screen and with the corners in object space, so that the same matrices draw them.
// False for another mode or a matrix without an inverse.
bool widen_lines(GLenum mode, const gl_vertex *v, size_t n, float width, const float mvp[16],
                 const float viewport[4], std::vector<gl_vertex> &out);

class gl_layer {
  public:
    explicit gl_layer(gl_sink &sink) : sink(sink) {}
    ~gl_layer();
    gl_layer(const gl_layer &) = delete;
    gl_layer &operator=(const gl_layer &) = delete;

    // Immediate mode.
    void begin(GLenum mode);
    void end();
    void vertex(float x, float y, float z);
    void color(float r, float g, float b, float a);
    void normal(float x, float y, float z);
    void texcoord(float s, float t);
    void rect(float x1, float y1, float x2, float y2);

    // Every state or matrix command: recorded into an open list, otherwise applied.
    void command(const gl_command &c);
    bool is_enabled(GLenum cap) const;

    // Display lists.
    GLuint gen_lists(GLsizei range);
    void delete_lists(GLuint first, GLsizei range);
    bool is_list(GLuint id) const;
    void new_list(GLuint id, GLenum mode);
    void end_list();
    void call_list(GLuint id);
    void list_base(GLuint base) { base_ = base; }
    void call_lists(GLsizei n, GLenum type, const void *ids);
    bool recording() const { return open_ != 0; }
    size_t list_length(GLuint id) const;
    const gl_list *compiled(GLuint id) const;

    // The attribute stacks: GL_ENABLE_BIT, GL_DEPTH_BUFFER_BIT, GL_LIGHTING_BIT, GL_LINE_BIT and
    // GL_CURRENT_BIT are kept; the client stack keeps the unpack alignment.
    void push_attrib(GLbitfield mask);
    void pop_attrib();
    void push_client_attrib(GLbitfield mask);
    void pop_client_attrib();
    void pixel_store(GLenum name, int value);
    int unpack_alignment() const { return unpack_alignment_; }

    // GLU quadrics, drawn through immediate mode so that they carry the current colour.
    void cylinder(const glu_quadric &q, double base, double top, double height, int slices, int stacks);
    void disk(const glu_quadric &q, double inner, double outer, int slices, int loops);

    const gl_saved_state &state() const { return state_; }

  private:
    void apply(const gl_command &c);
    void replay(GLuint id, int depth);
    void replay_commands(const gl_command *first, size_t count, int depth);
    void draw_batch(gl_list &list, gl_batch &batch);
    void forget_list(GLuint id);
    void emit(GLenum mode);
    bool draw_wide_lines(GLenum mode, const gl_vertex *v, size_t n);
    void restore(const gl_saved_state &saved, GLbitfield mask);

    gl_sink &sink;
    gl_saved_state state_;
    GLenum mode_ = 0;
    bool inside_ = false;
    std::vector<gl_vertex> vertices_;
    std::vector<gl_vertex> scratch_;
    std::vector<gl_vertex> wide_;
    std::map<GLuint, gl_list> lists_;
    GLuint next_list_ = 1;
    GLuint open_ = 0;
    std::vector<gl_command> recording_;
    GLuint base_ = 0;
    std::vector<std::pair<GLbitfield, gl_saved_state>> stack_;
    std::vector<std::pair<GLbitfield, int>> client_stack_;
    int unpack_alignment_ = 4;
};

// An image ready for a WebGL upload: tightly packed RGB or RGBA (or luminance forms) bytes,
// both sides a power of two, with the format equal to the internal format.
struct gl_upload_image {
    int width = 0;
    int height = 0;
    GLenum format = 0;
    std::vector<uint8_t> bytes;
};

// Turns what gluBuild2DMipmaps was given into an image WebGL takes: BGR and BGRA become RGB and
// RGBA, rows are read with the unpack alignment, and a side that is not a power of two is
// scaled to the largest power of two below it (as GLU does), averaging the texels it covers.
// False, with a message on stderr, for a format or type it does not know or a bad size.
bool prepare_upload_image(int width, int height, GLenum format, GLenum type, const void *data, int alignment,
                          gl_upload_image *out);
