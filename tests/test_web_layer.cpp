// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The browser's stand-ins, run natively: display lists, attribute stacks, immediate mode carried
// into whole primitives, wide lines, quadrics, upload images, key symbols and names, and the WAV reader,
// converter and mixer. A recording sink stands where the browser's GL emulation would be.

#include "core/pad.h"
#include "platform/web/gl_layer.h"
#include "platform/web/sdl_layer.h"

#include <SDL/SDL_keysym.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <map>
#include <string>

namespace {

struct drawn {
    GLenum mode;
    std::vector<gl_vertex> vertices;
};

// Keeps what reaches it; a draw from a list's buffer is kept as the vertices it draws.
struct recording_sink : gl_sink {
    std::vector<drawn> draws;
    std::vector<gl_command> passed;
    std::map<uint32_t, std::pair<std::vector<gl_vertex>, std::vector<uint16_t>>> buffers;
    uint32_t next_buffer = 1;
    size_t rewritten = 0; // vertices rewritten in buffers

    void draw(GLenum mode, const gl_vertex *v, size_t n) override { draws.push_back({mode, {v, v + n}}); }
    void pass(const gl_command &c) override { passed.push_back(c); }
    uint32_t make_buffer(const gl_vertex *v, size_t n, const uint16_t *indices, size_t m) override {
        buffers[next_buffer] = {{v, v + n}, {indices, indices + m}};
        return next_buffer++;
    }
    void rewrite_buffer(uint32_t buffer, size_t first, const gl_vertex *v, size_t n) override {
        std::copy(v, v + n, buffers.at(buffer).first.begin() + static_cast<std::ptrdiff_t>(first));
        rewritten += n;
    }
    void free_buffer(uint32_t buffer) override { EXPECT_EQ(buffers.erase(buffer), 1u); }
    void draw_buffer(GLenum mode, uint32_t buffer, size_t base, size_t first, size_t n,
                     const float *color) override {
        const auto &[vertices, indices] = buffers.at(buffer);
        drawn d{mode, {}};
        for (size_t i = first; i < first + n; ++i) {
            gl_vertex v = vertices.at(base + indices.at(i));
            if (color) v.r = color[0], v.g = color[1], v.b = color[2], v.a = color[3];
            d.vertices.push_back(v);
        }
        draws.push_back(d);
    }
};

void triangle(gl_layer &gl) {
    gl.begin(GL_TRIANGLES);
    gl.texcoord(0.5f, 1);
    gl.vertex(0, 0, 0);
    gl.vertex(1, 0, 0);
    gl.vertex(0, 1, 0);
    gl.end();
}

} // namespace

TEST(WebGl, DisplayListsRecordOnceAndReplayThroughTheCurrentState) {
    recording_sink sink;
    gl_layer gl(sink);
    GLuint base = gl.gen_lists(3);
    ASSERT_NE(base, 0u);
    EXPECT_FALSE(gl.is_list(base)); // a name is reserved, not yet a list

    gl.new_list(base + 1, GL_COMPILE);
    gl.command(make_command(OP_PUSH_MATRIX));
    triangle(gl);
    gl.command(make_command(OP_POP_MATRIX));
    gl.end_list();
    gl.new_list(base + 2, GL_COMPILE);
    gl.color(0, 1, 0, 1); // a colour inside a list changes the current colour when replayed
    gl.call_list(base + 1);
    gl.end_list();
    EXPECT_TRUE(sink.draws.empty() && sink.passed.empty()) << "compiling draws nothing";
    EXPECT_EQ(gl.state().color[0], 1.0f) << "compiling leaves the current colour";

    gl.color(1, 0, 0, 0.5f);
    gl.call_list(base + 1);
    ASSERT_EQ(sink.draws.size(), 1u);
    EXPECT_EQ(sink.draws[0].mode, GLenum(GL_TRIANGLES));
    for (const gl_vertex &v : sink.draws[0].vertices) {
        EXPECT_EQ(v.r, 1.0f);
        EXPECT_EQ(v.a, 0.5f);
        EXPECT_EQ(v.s, 0.5f);
        EXPECT_EQ(v.nz, 1.0f); // GL's initial normal
    }
    ASSERT_EQ(sink.passed.size(), 2u);
    EXPECT_EQ(sink.passed[0].op, OP_PUSH_MATRIX);

    // A list that calls a list, through glCallLists with a base and byte names.
    gl.list_base(base);
    const GLubyte names[] = {2, 0, 1};
    gl.call_lists(3, GL_UNSIGNED_BYTE, names);
    ASSERT_EQ(sink.draws.size(), 3u) << "list 2 calls list 1, name 0 is no list, list 1 again";
    EXPECT_EQ(sink.draws[1].vertices[0].g, 1.0f);
    EXPECT_EQ(sink.draws[2].vertices[0].g, 1.0f) << "the colour list 2 set stays current";

    gl.delete_lists(base, 3);
    EXPECT_FALSE(gl.is_list(base + 1));
    gl.call_list(base + 1);
    EXPECT_EQ(sink.draws.size(), 3u);

    // A list that calls itself stops at GL's nesting limit instead of running away.
    gl.new_list(base, GL_COMPILE);
    gl.call_list(base);
    triangle(gl);
    gl.end_list();
    gl.call_list(base);
    EXPECT_EQ(sink.draws.size(), 3u + 64u);
}

TEST(WebGl, PrimitivesReachTheSinkInModesWebGlDraws) {
    const struct {
        GLenum mode;
        int given;
        GLenum drawn_as;
        size_t count; // 0: nothing drawn
    } cases[] = {
        {GL_POLYGON, 5, GL_TRIANGLE_FAN, 5},
        {GL_POLYGON, 2, 0, 0},
        {GL_QUADS, 8, GL_TRIANGLES, 12},
        {GL_QUADS, 7, GL_TRIANGLES, 6},
        {GL_QUAD_STRIP, 7, GL_TRIANGLE_STRIP, 6},
        {GL_TRIANGLES, 7, GL_TRIANGLES, 6},
        {GL_TRIANGLE_STRIP, 4, GL_TRIANGLE_STRIP, 4},
        {GL_LINES, 3, GL_LINES, 2},
        {GL_LINE_LOOP, 4, GL_LINE_LOOP, 4},
        {GL_POINTS, 1, GL_POINTS, 1},
    };
    for (const auto &c : cases) {
        recording_sink sink;
        gl_layer gl(sink);
        gl.begin(c.mode);
        for (int i = 0; i < c.given; ++i)
            gl.vertex(static_cast<float>(i), 0, 0);
        gl.end();
        SCOPED_TRACE("mode " + std::to_string(c.mode) + " with " + std::to_string(c.given));
        if (c.count == 0) {
            EXPECT_TRUE(sink.draws.empty());
            continue;
        }
        ASSERT_EQ(sink.draws.size(), 1u);
        EXPECT_EQ(sink.draws[0].mode, c.drawn_as);
        EXPECT_EQ(sink.draws[0].vertices.size(), c.count);
    }

    // Quads split along the diagonal from their first corner, keeping the winding.
    recording_sink sink;
    gl_layer gl(sink);
    gl.rect(0, 0, 2, 1);
    gl.begin(GL_QUADS);
    for (int i = 0; i < 4; ++i)
        gl.vertex(static_cast<float>(i), 0, 0);
    gl.end();
    ASSERT_EQ(sink.draws.size(), 2u);
    EXPECT_EQ(sink.draws[0].mode, GLenum(GL_TRIANGLE_FAN)) << "glRectf is a polygon";
    EXPECT_EQ(sink.draws[0].vertices[2].x, 2.0f);
    EXPECT_EQ(sink.draws[0].vertices[2].y, 1.0f);
    const float order[] = {0, 1, 2, 0, 2, 3};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(sink.draws[1].vertices[i].x, order[i]);
}

// Twice the signed area of a triangle in the xy plane: positive when counter-clockwise.
float turn(const gl_vertex &a, const gl_vertex &b, const gl_vertex &c) {
    return (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
}

gl_vertex point(float x, float y, float z) {
    gl_vertex v{};
    v.x = x, v.y = y, v.z = z;
    return v;
}

// A sink that knows the screen: the game's own projection (glFrustum(-0.6, 0.6, -0.45, 0.45, 1,
// 2500)) with the text plane's translation to z = -100, on a 640 x 480 viewport.
struct screen_sink : recording_sink {
    float mvp[16] = {};
    screen_sink() {
        mvp[0] = 1 / 0.6f, mvp[5] = 1 / 0.45f, mvp[10] = -2501.0f / 2499, mvp[11] = -1;
        mvp[14] = -5000.0f / 2499 + 100 * 2501.0f / 2499, mvp[15] = 100;
    }
    bool window_transform(float m[16], float viewport[4]) override {
        std::copy(mvp, mvp + 16, m);
        const float v[4] = {0, 0, 640, 480};
        std::copy(v, v + 4, viewport);
        return true;
    }
    // Where a vertex lands on the screen, in pixels.
    gl_vertex window(const gl_vertex &v) const {
        float c[4];
        for (int r = 0; r < 4; ++r)
            c[r] = mvp[r] * v.x + mvp[4 + r] * v.y + mvp[8 + r] * v.z + mvp[12 + r];
        gl_vertex w = v;
        w.x = (c[0] / c[3] + 1) * 320, w.y = (c[1] / c[3] + 1) * 240, w.z = c[2] / c[3];
        return w;
    }
};

TEST(WebGl, WideLinesBecomeQuadsOfTheirWidthOnTheScreen) {
    // Segments in text-plane units at z = -100 (a unit is 640 / 120 pixels across, 480 / 90 up).
    const struct {
        GLenum mode;
        std::vector<float> xy;
        float width;
        size_t quads;  // 0: left as lines
        bool across_y; // the first quad spans the width vertically (more horizontal than vertical)
    } cases[] = {
        {GL_LINES, {0, 0, 10, 0}, 2, 1, true},
        {GL_LINES, {0, 0, 0, 10}, 2, 1, false},
        {GL_LINES, {0, 0, 10, 9, 5, 5}, 3, 1, true}, // x-major diagonal; the odd vertex dropped
        {GL_LINE_STRIP, {0, 0, 10, 0, 10, 10}, 2, 2, true},
        {GL_LINE_LOOP, {0, 0, 0, 10, 10, 10, 10, 0}, 2, 4, false}, // the menu's bar outline, turned
        {GL_LINE_LOOP, {0, 0, 10, 0}, 1, 0, true},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode) + " width " + std::to_string(c.width));
        screen_sink sink;
        gl_layer gl(sink);
        gl.command([&] {
            gl_command w = make_command(OP_LINE_WIDTH);
            w.f[0] = c.width;
            return w;
        }());
        gl.color(1, 0.5f, 0, 1);
        gl.begin(c.mode);
        for (size_t i = 0; i + 1 < c.xy.size(); i += 2)
            gl.vertex(c.xy[i], c.xy[i + 1], -100);
        gl.end();
        ASSERT_EQ(sink.draws.size(), 1u);
        if (c.quads == 0) {
            EXPECT_EQ(sink.draws[0].mode, c.mode);
            continue;
        }
        ASSERT_EQ(sink.draws[0].mode, GLenum(GL_TRIANGLES));
        const auto &v = sink.draws[0].vertices;
        ASSERT_EQ(v.size(), 6 * c.quads);
        for (size_t t = 0; t < v.size(); t += 3) {
            gl_vertex a = sink.window(v[t]), b = sink.window(v[t + 1]), d = sink.window(v[t + 2]);
            EXPECT_GT(turn(a, b, d), 0) << "triangle " << t / 3 << " is counter-clockwise on the screen";
            EXPECT_NEAR(a.z, sink.window(point(0, 0, -100)).z, 1e-4) << "at the line's depth";
            EXPECT_EQ(v[t].g, 0.5f) << "with the line's colour";
        }
        // The first quad: its corners sit half the width to either side of the first segment's
        // ends, across the axis it runs along least, and no further along it.
        float x0 = 1e9f, x1 = -1e9f, y0 = 1e9f, y1 = -1e9f;
        for (size_t i = 0; i < 6; ++i) {
            gl_vertex w = sink.window(v[i]);
            x0 = std::min(x0, w.x), x1 = std::max(x1, w.x), y0 = std::min(y0, w.y), y1 = std::max(y1, w.y);
        }
        gl_vertex p = sink.window(point(c.xy[0], c.xy[1], -100)),
                  q = sink.window(point(c.xy[2], c.xy[3], -100));
        float half = c.width / 2;
        float ex = c.across_y ? 0 : half, ey = c.across_y ? half : 0;
        EXPECT_NEAR(x0, std::min(p.x, q.x) - ex, 1e-2);
        EXPECT_NEAR(x1, std::max(p.x, q.x) + ex, 1e-2);
        EXPECT_NEAR(y0, std::min(p.y, q.y) - ey, 1e-2);
        EXPECT_NEAR(y1, std::max(p.y, q.y) + ey, 1e-2);
    }

    // A sink that cannot say where the screen is gets the lines as they are.
    recording_sink plain;
    gl_layer gl(plain);
    gl_command w = make_command(OP_LINE_WIDTH);
    w.f[0] = 2;
    gl.command(w);
    gl.begin(GL_LINES);
    gl.vertex(0, 0, 0);
    gl.vertex(1, 0, 0);
    gl.end();
    ASSERT_EQ(plain.draws.size(), 1u);
    EXPECT_EQ(plain.draws[0].mode, GLenum(GL_LINES));
}

TEST(WebGl, CompiledListsSplitEveryModeKeepingItsWindingAndShareVertices) {
    // Each primitive traces counter-clockwise points on a circle (strips zigzag between an inner
    // and an outer ring), so every triangle GL would draw turns counter-clockwise.
    const struct {
        GLenum mode;
        int given;
        GLenum drawn_as;
        size_t drawn;  // vertices drawn
        size_t unique; // distinct vertices kept
    } cases[] = {
        {GL_TRIANGLE_STRIP, 6, GL_TRIANGLES, 12, 6},
        {GL_QUAD_STRIP, 7, GL_TRIANGLES, 12, 6},
        {GL_TRIANGLE_FAN, 5, GL_TRIANGLES, 9, 5},
        {GL_POLYGON, 5, GL_TRIANGLES, 9, 5},
        {GL_QUADS, 9, GL_TRIANGLES, 12, 8},
        {GL_TRIANGLES, 7, GL_TRIANGLES, 6, 6},
        {GL_LINE_STRIP, 4, GL_LINES, 6, 4},
        {GL_LINE_LOOP, 4, GL_LINES, 8, 4},
        {GL_LINES, 3, GL_LINES, 2, 2},
        {GL_POINTS, 3, GL_POINTS, 3, 3},
        {GL_POLYGON, 2, 0, 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE("mode " + std::to_string(c.mode) + " with " + std::to_string(c.given));
        recording_sink sink;
        gl_layer gl(sink);
        gl.new_list(1, GL_COMPILE);
        gl.begin(c.mode);
        bool strip = c.mode == GL_TRIANGLE_STRIP || c.mode == GL_QUAD_STRIP;
        for (int i = 0; i < c.given; ++i) {
            float a = strip ? 0.5f * static_cast<float>(i / 2) : static_cast<float>(i) * 6.2831853f / c.given;
            float r = strip ? (i % 2 ? 2.0f : 1.0f) : 1.0f;
            if (c.mode == GL_QUADS)
                a = static_cast<float>(i % 4) * 1.5707963f, r = 1.0f + static_cast<float>(i / 4);
            gl.vertex(r * std::cos(a), r * std::sin(a), 0);
        }
        gl.end();
        gl.end_list();
        gl.call_list(1);
        if (c.drawn == 0) {
            EXPECT_TRUE(sink.draws.empty());
            continue;
        }
        ASSERT_EQ(sink.draws.size(), 1u);
        const auto &v = sink.draws[0].vertices;
        EXPECT_EQ(sink.draws[0].mode, c.drawn_as);
        EXPECT_EQ(v.size(), c.drawn);
        EXPECT_EQ(gl.compiled(1)->vertices.size(), c.unique);
        for (size_t i = 0; c.drawn_as == GL_TRIANGLES && i + 2 < v.size(); i += 3)
            EXPECT_GT(turn(v[i], v[i + 1], v[i + 2]), 0.0f) << "triangle " << i / 3;
    }

    // Primitives run together into one draw until a state command, or a change in which
    // attributes come from the caller, parts them; 70,000 points need two draws.
    recording_sink sink;
    gl_layer gl(sink);
    gl.new_list(1, GL_COMPILE);
    triangle(gl);
    gl.rect(0, 0, 1, 1);
    triangle(gl);
    gl.command(make_command(OP_PUSH_MATRIX));
    triangle(gl);
    gl.color(1, 0, 0, 1);
    triangle(gl);
    gl.begin(GL_POINTS);
    for (int i = 0; i < 70000; ++i)
        gl.vertex(static_cast<float>(i), 0, 0);
    gl.end();
    gl.end_list();
    gl.call_list(1);
    ASSERT_EQ(sink.draws.size(), 5u);
    const size_t sizes[] = {12, 3, 3, 65535, 4465};
    for (size_t i = 0; i < 5; ++i)
        EXPECT_EQ(sink.draws[i].vertices.size(), sizes[i]) << "draw " << i;
    EXPECT_EQ(sink.passed.size(), 1u);

    // Lists let go of their buffers when deleted, compiled again, or with the layer.
    {
        gl_layer other(sink);
        other.new_list(1, GL_COMPILE);
        triangle(other);
        other.end_list();
        other.call_list(1);
        other.new_list(1, GL_COMPILE);
        triangle(other);
        other.end_list();
        other.call_list(1);
        EXPECT_EQ(sink.buffers.size(), 2u) << "the first compile's buffer is gone";
    }
    EXPECT_EQ(sink.buffers.size(), 1u);
    gl.delete_lists(1, 1);
    EXPECT_TRUE(sink.buffers.empty());
}

TEST(WebGl, CompiledListsTakeWhatTheListLeavesUnsetFromTheCaller) {
    recording_sink sink;
    gl_layer gl(sink);
    // No colour or normal in the list: they are the caller's at each call. The texture
    // coordinate is the list's.
    gl.new_list(1, GL_COMPILE);
    triangle(gl);
    gl.end_list();
    const struct {
        float red, normal_x;
        size_t rewritten; // vertices written again into the list's buffer
    } calls[] = {{1, 0, 0}, {0.5f, 0, 0}, {0.5f, 1, 3}, {0.25f, 1, 3}};
    for (const auto &c : calls) {
        gl.color(c.red, 0, 0, 1);
        gl.normal(c.normal_x, 0, 1);
        gl.call_list(1);
        const gl_vertex &v = sink.draws.back().vertices.at(2);
        EXPECT_EQ(v.r, c.red);
        EXPECT_EQ(v.nx, c.normal_x);
        EXPECT_EQ(v.s, 0.5f);
        EXPECT_EQ(sink.rewritten, c.rewritten) << "only a changed normal is written again";
    }

    // A colour set between a primitive's vertices: the vertices before it take the caller's,
    // the rest the list's, and the list's stays current afterwards.
    gl.new_list(2, GL_COMPILE);
    gl.begin(GL_TRIANGLES);
    gl.vertex(0, 0, 0);
    gl.color(0, 0, 1, 1);
    gl.vertex(1, 0, 0);
    gl.vertex(0, 1, 0);
    gl.end();
    gl.end_list();
    gl.color(0, 1, 0, 1);
    gl.call_list(2);
    const auto &v = sink.draws.back().vertices;
    ASSERT_EQ(v.size(), 3u);
    EXPECT_EQ(v[0].g, 1.0f);
    EXPECT_EQ(v[1].b, 1.0f);
    EXPECT_EQ(gl.state().color[2], 1.0f);

    // A list called between glBegin and glEnd adds its vertices to the open primitive.
    gl.begin(GL_TRIANGLES);
    gl.call_list(2);
    gl.end();
    EXPECT_EQ(sink.draws.back().mode, GLenum(GL_TRIANGLES));
    EXPECT_EQ(sink.draws.back().vertices.size(), 3u);
}

TEST(WebGl, EveryVertexCarriesTheStateSetBeforeIt) {
    recording_sink sink;
    gl_layer gl(sink);
    gl.normal(0, -1, 0); // outside glBegin, where the emulation would crash
    gl.color(0.25f, 0.5f, 0.75f, 1);
    gl.begin(GL_TRIANGLE_STRIP);
    gl.texcoord(0, 0);
    gl.vertex(0, 0, 0);
    gl.vertex(1, 0, 0);
    gl.texcoord(1, 1);
    gl.normal(1, 0, 0);
    gl.vertex(1, 1, 0);
    gl.end();
    gl.vertex(5, 5, 5); // outside glBegin: nothing
    ASSERT_EQ(sink.draws.size(), 1u);
    const auto &v = sink.draws[0].vertices;
    ASSERT_EQ(v.size(), 3u);
    for (const gl_vertex &x : v)
        EXPECT_TRUE(x.r == 0.25f && x.g == 0.5f && x.b == 0.75f && x.a == 1.0f);
    EXPECT_TRUE(v[0].ny == -1.0f && v[1].ny == -1.0f && v[2].nx == 1.0f);
    EXPECT_TRUE(v[1].s == 0.0f && v[2].s == 1.0f && v[2].t == 1.0f);
}

TEST(WebGl, AttributeStacksPutBackOnlyWhatTheirBitsSave) {
    const float glow[4] = {0.3f, 0.2f, 0.1f, 1};
    auto set_up = [](gl_layer &gl) {
        for (GLenum cap : {GL_LIGHTING, GL_DEPTH_TEST, GL_FOG, GL_TEXTURE_2D})
            gl.command(make_command(OP_ENABLE, cap));
        gl.command(make_command(OP_DEPTH_FUNC, GL_LEQUAL));
    };
    auto change = [&](gl_layer &gl) {
        for (GLenum cap : {GL_LIGHTING, GL_DEPTH_TEST, GL_FOG})
            gl.command(make_command(OP_DISABLE, cap));
        gl.command(make_command(OP_ENABLE, GL_SCISSOR_TEST));
        gl_command mask = make_command(OP_DEPTH_MASK);
        mask.u = 0;
        gl.command(mask);
        gl_command m = make_command(OP_MATERIAL, GL_FRONT_AND_BACK, GL_EMISSION);
        std::memcpy(m.f, glow, sizeof m.f);
        gl.command(m);
        gl_command w = make_command(OP_LINE_WIDTH);
        w.f[0] = 1;
        gl.command(w);
    };
    const struct {
        const char *name;
        GLbitfield mask;
        std::vector<GLenum> on_after; // besides GL_TEXTURE_2D, which nothing turns off
        bool depth_mask_after;
        bool emission_after_is_black;
        float line_width_after;
    } cases[] = {
        {"the game's three bits",
         GL_ENABLE_BIT | GL_DEPTH_BUFFER_BIT | GL_LIGHTING_BIT,
         {GL_LIGHTING, GL_DEPTH_TEST, GL_FOG},
         true,
         true,
         1},
        {"enables alone", GL_ENABLE_BIT, {GL_LIGHTING, GL_DEPTH_TEST, GL_FOG}, false, false, 1},
        {"depth alone", GL_DEPTH_BUFFER_BIT, {GL_DEPTH_TEST, GL_SCISSOR_TEST}, true, false, 1},
        {"lighting alone", GL_LIGHTING_BIT, {GL_LIGHTING, GL_SCISSOR_TEST}, false, true, 1},
        {"lines alone", GL_LINE_BIT, {GL_SCISSOR_TEST}, false, false, 2},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        recording_sink sink;
        gl_layer gl(sink);
        set_up(gl);
        gl_command w = make_command(OP_LINE_WIDTH);
        w.f[0] = 2;
        gl.command(w);
        gl.push_attrib(c.mask);
        change(gl);
        size_t before = sink.passed.size();
        gl.pop_attrib();
        std::vector<GLenum> expect = c.on_after;
        expect.push_back(GL_TEXTURE_2D);
        for (GLenum cap : {GL_LIGHTING, GL_DEPTH_TEST, GL_FOG, GL_SCISSOR_TEST, GL_TEXTURE_2D})
            EXPECT_EQ(gl.is_enabled(cap), std::find(expect.begin(), expect.end(), cap) != expect.end())
                << cap;
        EXPECT_EQ(gl.state().depth_mask, c.depth_mask_after);
        EXPECT_EQ(gl.state().depth_func, GLenum(GL_LEQUAL));
        EXPECT_EQ(gl.state().material.emission[0] == 0, c.emission_after_is_black);
        EXPECT_EQ(gl.state().line_width, c.line_width_after);
        // What went to the sink on the pop brings the emulation to the same state.
        recording_sink replay_sink;
        gl_layer mirror(replay_sink);
        set_up(mirror);
        mirror.command(w);
        change(mirror);
        for (size_t i = before; i < sink.passed.size(); ++i)
            mirror.command(sink.passed[i]);
        EXPECT_EQ(mirror.state().enabled.size(), gl.state().enabled.size());
        EXPECT_EQ(mirror.state().depth_mask, gl.state().depth_mask);
        EXPECT_EQ(mirror.state().material.emission[0], gl.state().material.emission[0]);
    }

    // Popping an empty stack changes nothing; pushes past GL's depth of 16 are ignored.
    recording_sink sink;
    gl_layer gl(sink);
    gl.pop_attrib();
    EXPECT_TRUE(sink.passed.empty());
    for (int i = 0; i < 20; ++i) {
        gl.push_attrib(GL_ENABLE_BIT);
        gl.command(make_command(OP_ENABLE, GL_FOG));
    }
    for (int i = 0; i < 16; ++i)
        gl.pop_attrib();
    EXPECT_FALSE(gl.is_enabled(GL_FOG));

    // The client stack keeps the unpack alignment.
    gl.push_client_attrib(GL_CLIENT_PIXEL_STORE_BIT);
    gl.pixel_store(GL_UNPACK_ALIGNMENT, 1);
    EXPECT_EQ(gl.unpack_alignment(), 1);
    gl.pop_client_attrib();
    EXPECT_EQ(gl.unpack_alignment(), 4);
}

TEST(WebGl, QuadricsFaceTheirOrientationAndTheSilhouetteTracesOnlyTheRim) {
    // Every filled triangle of a disk faces +z from outside and -z from inside.
    for (GLenum orientation : {GLenum(100020), GLenum(100021)}) {
        recording_sink sink;
        gl_layer gl(sink);
        glu_quadric q;
        q.orientation = orientation;
        q.texture = true;
        gl.disk(q, 0.5, 2, 12, 3);
        ASSERT_EQ(sink.draws.size(), 3u);
        for (const drawn &d : sink.draws) {
            ASSERT_EQ(d.mode, GLenum(GL_TRIANGLE_STRIP));
            for (size_t i = 0; i + 2 < d.vertices.size(); ++i) {
                const gl_vertex &a = d.vertices[i], &b = d.vertices[i + 1], &c = d.vertices[i + 2];
                float z = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
                if (i % 2) z = -z;
                EXPECT_GT(orientation == 100020 ? z : -z, 0) << "triangle " << i;
                EXPECT_EQ(a.nz, orientation == 100020 ? 1.0f : -1.0f);
                EXPECT_NEAR(a.s, a.x / 4 + 0.5f, 1e-6);
            }
        }
    }
    const struct {
        GLenum style;
        size_t loops, spokes;
    } styles[] = {{100013, 2, 0}, {100011, 4, 1}};
    for (const auto &s : styles) {
        recording_sink sink;
        gl_layer gl(sink);
        glu_quadric q;
        q.draw_style = s.style;
        gl.disk(q, 1, 2, 16, 3);
        size_t loops = 0, spokes = 0;
        for (const drawn &d : sink.draws) {
            loops += d.mode == GL_LINE_LOOP;
            spokes += d.mode == GL_LINES;
            if (d.mode == GL_LINE_LOOP) {
                EXPECT_EQ(d.vertices.size(), 16u);
            }
        }
        EXPECT_EQ(loops, s.loops);
        EXPECT_EQ(spokes, s.spokes);
    }
    // A straight cylinder's normals lie flat and its vertices on the radius.
    recording_sink sink;
    gl_layer gl(sink);
    gl.cylinder(glu_quadric{}, 3, 3, 10, 8, 2);
    ASSERT_EQ(sink.draws.size(), 2u);
    for (const gl_vertex &v : sink.draws[1].vertices) {
        EXPECT_NEAR(std::hypot(v.x, v.y), 3, 1e-5);
        EXPECT_NEAR(v.nz, 0, 1e-6);
        EXPECT_NEAR(v.nx * 3, v.x, 1e-5);
        EXPECT_TRUE(v.z == 5.0f || v.z == 10.0f);
    }
}

TEST(WebGl, UploadImagesBecomeRgbWithPowerOfTwoSides) {
    // 3 x 2 BGR texels with rows padded to 4 bytes: 9 bytes of texels and 3 of padding a row.
    const uint8_t bgr[] = {10, 20, 30, 12, 22, 32, 200, 0, 0,   99, 99, 99,
                           14, 24, 34, 16, 26, 36, 0,   0, 200, 99, 99, 99};
    gl_upload_image image;
    ASSERT_TRUE(prepare_upload_image(3, 2, GL_BGR_EXT, GL_UNSIGNED_BYTE, bgr, 4, &image));
    EXPECT_EQ(image.format, GLenum(GL_RGB));
    EXPECT_EQ(image.width, 2);
    EXPECT_EQ(image.height, 2);
    const uint8_t expect[] = {30, 20, 10, 16, 11, 106, 34, 24, 14, 118, 13, 8}; // right: pairs averaged
    ASSERT_EQ(image.bytes.size(), sizeof expect);
    EXPECT_EQ(0, std::memcmp(image.bytes.data(), expect, sizeof expect));

    // A power-of-two image keeps its texels; a wider one averages pairs.
    const uint8_t grey[] = {0, 100, 50, 150};
    ASSERT_TRUE(prepare_upload_image(4, 1, GL_LUMINANCE, GL_UNSIGNED_BYTE, grey, 1, &image));
    EXPECT_EQ(image.bytes, std::vector<uint8_t>(grey, grey + 4));
    ASSERT_TRUE(prepare_upload_image(2, 2, GL_LUMINANCE, GL_UNSIGNED_BYTE, grey, 1, &image));
    EXPECT_EQ(image.bytes, std::vector<uint8_t>(grey, grey + 4)) << "alignment 1 reads rows unpadded";

    EXPECT_FALSE(prepare_upload_image(2, 2, GL_RGB, GL_FLOAT, grey, 1, &image));
    EXPECT_FALSE(prepare_upload_image(0, 2, GL_RGB, GL_UNSIGNED_BYTE, grey, 1, &image));
    EXPECT_FALSE(prepare_upload_image(2, 2, 0x1234, GL_UNSIGNED_BYTE, grey, 1, &image));
}

TEST(WebKeys, BrowserSymbolsBecomeSdl12NumbersAndBack) {
    const struct {
        int web;
        int sdl12;
        const char *name;
    } keys[] = {
        {1106, SDLK_UP, "up"},
        {1105, SDLK_DOWN, "down"},
        {1104, SDLK_LEFT, "left"},
        {1103, SDLK_RIGHT, "right"},
        {27, SDLK_ESCAPE, "escape"},
        {32, SDLK_SPACE, "space"},
        {13, SDLK_RETURN, "return"},
        {8, SDLK_BACKSPACE, "backspace"},
        {'a', SDLK_a, "a"},
        {'z', SDLK_z, "z"},
        {'0', SDLK_0, "0"},
        {1249, SDLK_LSHIFT, "left shift"},
        {1253, SDLK_RSHIFT, "right shift"},
        {1248, SDLK_LCTRL, "left ctrl"},
        {1254, SDLK_RALT, "right alt"},
        {1082, SDLK_F1, "f1"},
        {1130, SDLK_F15, "f15"},
        {1122, SDLK_KP0, "[0]"},
        {1111, SDLK_KP_PLUS, "[+]"},
        {1112, SDLK_KP_ENTER, "enter"},
        {1099, SDLK_PAGEUP, "page up"},
        {127, SDLK_DELETE, "delete"},
        {316, SDLK_PRINT, "print screen"},
        {'[', SDLK_LEFTBRACKET, "["},
    };
    for (const auto &k : keys) {
        EXPECT_EQ(sdl12_key_from_web(k.web), k.sdl12) << k.name;
        EXPECT_EQ(web_key_from_sdl12(k.sdl12), k.web) << k.name;
        EXPECT_STREQ(sdl12_key_name(k.sdl12), k.name);
    }
    // The browser's own codes for a few signs, and what SDL 1.2 has no number for.
    EXPECT_EQ(sdl12_key_from_web(186), SDLK_SEMICOLON);
    EXPECT_EQ(sdl12_key_from_web(189), SDLK_MINUS);
    EXPECT_EQ(sdl12_key_from_web('%'), 0);
    EXPECT_EQ(sdl12_key_from_web('A'), 0);
    EXPECT_EQ(sdl12_key_from_web(1024 | 300), 0);
    EXPECT_STREQ(sdl12_key_name(0), "unknown key");
    EXPECT_STREQ(sdl12_key_name(SDLK_LMETA), "left meta");
    // Every SDL 1.2 key the browser reports comes back as itself, and stays below the game's table.
    for (int sym = 1; sym < SDLK_LAST; ++sym) {
        int web = web_key_from_sdl12(sym);
        if (web) {
            EXPECT_EQ(sdl12_key_from_web(web), sym) << sym;
        }
    }
    for (int web = 0; web < 2048; ++web)
        EXPECT_LT(sdl12_key_from_web(web), int(SDLK_LAST));
}

namespace {

std::vector<uint8_t> wav(int tag, int channels, int freq, int bits, std::vector<uint8_t> samples,
                         bool list_chunk = false, int cut = 0) {
    std::string w;
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            w += static_cast<char>(v >> (8 * i));
    };
    auto put16 = [&](uint16_t v) {
        w += static_cast<char>(v);
        w += static_cast<char>(v >> 8);
    };
    w += "RIFF";
    put32(0);
    w += "WAVE";
    if (list_chunk) w += std::string("LIST\3\0\0\0\1\2\3\0", 12); // odd-sized, padded to even
    w += "fmt ";
    put32(16);
    put16(static_cast<uint16_t>(tag));
    put16(static_cast<uint16_t>(channels));
    put32(static_cast<uint32_t>(freq));
    put32(static_cast<uint32_t>(freq * channels * bits / 8));
    put16(static_cast<uint16_t>(channels * bits / 8));
    put16(static_cast<uint16_t>(bits));
    w += "data";
    put32(static_cast<uint32_t>(samples.size()));
    w.append(samples.begin(), samples.end());
    w.resize(w.size() - cut);
    return std::vector<uint8_t>(w.begin(), w.end());
}

} // namespace

TEST(WebPad, StandardButtonsTakeTheDesktopLayoutsNumbers) {
    const pad_layout &l = PAD_LAYOUT;
    const int cases[][2] = {{0, l.button_a}, {1, l.button_b},   {8, l.button_back}, {9, l.button_start},
                            {12, l.dpad_up}, {13, l.dpad_down}, {14, l.dpad_left},  {15, l.dpad_right}};
    for (const auto &c : cases)
        EXPECT_EQ(sdl12_pad_button_from_standard(c[0]), c[1]) << "standard button " << c[0];
    // X, Y, the shoulders, triggers, stick presses and the home button press nothing the game reads.
    const int others[] = {2, 3, 4, 5, 6, 7, 10, 11, 16};
    for (int b : others) {
        int n = sdl12_pad_button_from_standard(b);
        for (int used : {l.button_a, l.button_b, l.button_back, l.button_start, l.dpad_up, l.dpad_down,
                         l.dpad_left, l.dpad_right})
            EXPECT_NE(n, used) << "standard button " << b;
    }
}

TEST(WebAudio, WavImagesAreReadOrRefusedWithAReason) {
    const struct {
        const char *name;
        std::vector<uint8_t> image;
        const char *error; // null: read
        uint16_t format;
        int channels;
        size_t bytes;
    } cases[] = {
        {"8-bit mono", wav(1, 1, 8000, 8, {128, 255, 0}), nullptr, WAV_U8, 1, 3},
        {"16-bit stereo after a padded chunk", wav(1, 2, 22050, 16, {1, 2, 3, 4, 5, 6, 7, 8}, true), nullptr,
         WAV_S16LSB, 2, 8},
        {"samples cut short keep whole frames", wav(1, 2, 16000, 16, {1, 2, 3, 4, 5, 6, 7, 8}, false, 3),
         nullptr, WAV_S16LSB, 2, 4},
        {"compressed", wav(2, 1, 8000, 4, {1, 2}), "compressed", 0, 0, 0},
        {"24-bit", wav(1, 1, 8000, 24, {1, 2, 3}), "unsupported layout", 0, 0, 0},
        {"six channels", wav(1, 6, 8000, 16, {}), "unsupported layout", 0, 0, 0},
        {"no RIFF", {'R', 'I', 'F', 'X', 0, 0, 0, 0, 'W', 'A', 'V', 'E'}, "not a RIFF", 0, 0, 0},
        {"format cut", wav(1, 1, 8000, 8, {}, false, 14), "format chunk cut short", 0, 0, 0},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        wav_sound s;
        std::string error;
        bool ok = read_wav(c.image.data(), c.image.size(), &s, &error);
        if (c.error) {
            EXPECT_FALSE(ok);
            EXPECT_NE(error.find(c.error), std::string::npos) << error;
            continue;
        }
        ASSERT_TRUE(ok) << error;
        EXPECT_EQ(s.format, c.format);
        EXPECT_EQ(s.channels, c.channels);
        EXPECT_EQ(s.data.size(), c.bytes);
    }
    wav_sound s;
    std::string error;
    EXPECT_FALSE(read_wav(nullptr, 0, &s, &error));
}

TEST(WebAudio, SamplesConvertToTheDeviceFormatAndMixClipped) {
    std::vector<uint8_t> out;
    std::string error;
    // 8-bit mono at 8000 Hz to the device's 16-bit stereo at 16000 Hz: each frame twice.
    const uint8_t u8[] = {128, 255, 0};
    ASSERT_TRUE(convert_samples(u8, 3, WAV_U8, 1, 8000, WAV_S16LSB, 2, 16000, &out, &error));
    ASSERT_EQ(out.size(), 6u * 4);
    auto s16 = [&](size_t i) { return static_cast<int16_t>(out[2 * i] | out[2 * i + 1] << 8); };
    const int expect[] = {0, 0, 0, 0, 32512, 32512, 32512, 32512, -32768, -32768, -32768, -32768};
    for (size_t i = 0; i < 12; ++i)
        EXPECT_EQ(s16(i), expect[i]) << i;
    // 16-bit stereo at 32000 Hz to mono at 16000: every other frame, its channels averaged.
    const int16_t st[] = {100, 300, -5, -5, -1000, 0, 7, 7};
    ASSERT_TRUE(convert_samples(reinterpret_cast<const uint8_t *>(st), sizeof st, WAV_S16LSB, 2, 32000,
                                WAV_S16LSB, 1, 16000, &out, &error));
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(s16(0), 200);
    EXPECT_EQ(s16(1), -500);
    EXPECT_EQ(converted_frames(11025, 11025, 16000), 16000u);
    EXPECT_FALSE(convert_samples(u8, 3, 0x8020, 1, 8000, WAV_S16LSB, 2, 16000, &out, &error));
    EXPECT_FALSE(convert_samples(u8, 3, WAV_U8, 3, 8000, WAV_S16LSB, 2, 16000, &out, &error));

    // Mixing scales by level / 128 toward zero and clips at the format's ends.
    int16_t dst[] = {30000, -30000, 10, 10};
    const int16_t src[] = {10000, -10000, -3, 3};
    mix_samples(reinterpret_cast<uint8_t *>(dst), reinterpret_cast<const uint8_t *>(src), sizeof dst,
                WAV_S16LSB, 64);
    EXPECT_EQ(dst[0], 32767);
    EXPECT_EQ(dst[1], -32768);
    EXPECT_EQ(dst[2], 9);
    EXPECT_EQ(dst[3], 11);
    mix_samples(reinterpret_cast<uint8_t *>(dst), reinterpret_cast<const uint8_t *>(src), sizeof dst,
                WAV_S16LSB, 0);
    EXPECT_EQ(dst[2], 9);
}
