// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Rendering without a window: the texture channel table and its refusal of damaged bitmaps, OBJ
// and material parsing with their malformed cases, and the text layout rules.

#include "render/render.h"

#include "combat/combat.h"
#include "core/core.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>

namespace {

geo *parse(const std::string &text) {
    return parse_obj("object_test", text.c_str(), text.size() + 1);
}

// One line on stderr, starting with `prefix`.
void expect_one_line(const std::string &err, const std::string &prefix, const std::string &why) {
    EXPECT_EQ(err.rfind(prefix, 0), 0u) << why << ": " << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << why << ": " << err;
}

const std::string square_header = "# a test mesh\n"
                                  "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0.5 2 -1\n"
                                  "vn 0 0 1\nvt 0 0\nvt 1 1\n";

} // namespace

TEST(TextureConversion, ChannelTableTakesTheStoredBytesInOrderAndDamagedBitmapsAreRefused) {
    // First pixel stored B 10, G 20, R 30; the second 2, 2, 1 so that alpha (5 / 3) shows it rounds down.
    std::vector<uint8_t> bgr = {10, 20, 30, 2, 2, 1};
    bgr.resize(4 * 4 * 3);
    const auto good = make_bmp(4, 4, bgr);
    int32_t w = 0, h = 0;
    std::vector<uint8_t> px;
    const std::vector<uint8_t> expected[] = {
        {10, 2}, {10, 20, 2, 2}, {30, 20, 10, 1, 2, 2}, {30, 20, 10, 20, 1, 2, 2, 1}};
    for (int channels = 1; channels <= 4; ++channels) {
        ASSERT_TRUE(convert_texture("texture_t", good.data(), good.size(), channels, &w, &h, &px));
        EXPECT_EQ(std::pair(w, h), std::pair(4, 4));
        ASSERT_EQ(px.size(), 16u * channels);
        EXPECT_EQ(std::vector<uint8_t>(px.begin(), px.begin() + 2 * channels), expected[channels - 1])
            << channels << " channels";
    }

    auto with = [&](std::initializer_list<std::pair<size_t, uint8_t>> changes) {
        auto b = good;
        for (auto [at, value] : changes)
            b[at] = value;
        return b;
    };
    // Each refusal is one line that says what is wrong, whatever else the header holds.
    const std::tuple<std::vector<uint8_t>, int, const char *> cases[] = {
        {std::vector<uint8_t>(good.begin(), good.end() - 1), 3, "too short for 4 x 4 pixels"},
        {std::vector<uint8_t>(good.begin(), good.begin() + 20), 3,
         "too short for a bitmap header (20 bytes)"},
        {{}, 3, "too short for a bitmap header (0 bytes)"},
        {good, 0, "cannot convert to 0 channels"},
        {good, 5, "cannot convert to 5 channels"},
        {with({{28, 8}}), 3, "8 bits per pixel, only 24 are supported"},
        {with({{18, 0xff}, {19, 0xff}, {20, 0xff}, {21, 0x7f}}), 3, "too short for 2147483647 x 4 pixels"},
        {with({{22, 0xff}, {23, 0xff}, {24, 0xff}, {25, 0xff}}), 3, "bad size 4 x -1"},
        {with({{14, 0xff}, {15, 0xff}, {16, 0xff}, {17, 0xff}}), 3,
         "too short for 4 x 4 pixels"}, // offset overflows
    };
    for (const auto &[bytes, channels, message] : cases) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(convert_texture("texture_x", bytes.data(), bytes.size(), channels, &w, &h, &px))
            << message;
        expect_one_line(testing::internal::GetCapturedStderr(), std::string("texture_x: ") + message,
                        message);
    }
}

TEST(ObjParsing, ReadsEveryKindInReverseTextOrderOnlyWithinItsLengthAndRefusesMalformedTextWithOneLine) {
    geo *g = parse(square_header + "f 1/1/1 2/1/1 3/2/1\n"
                                   "f 1/1/1 2/1/1 3/2/1 4/2/1\n"
                                   "s off\n"
                                   "f 5/1/1 4/1/1 3/1/1 2/1/1 1/1/1\n"
                                   "f 4/1/1\t3/1/1  1/1/1\n");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(std::pair(g->vertex_count, g->texcoord_count), std::pair(5, 2));
    EXPECT_EQ(g->normals, (std::vector<float>{-0.0f, -0.0f, -1.0f}));
    EXPECT_EQ((std::vector<float>{g->min_x, g->max_x, g->min_y, g->max_y, g->min_z, g->max_z}),
              (std::vector<float>{0, 1, 0, 2, -1, 0}));

    // Newest first: the last triangle, the pentagon, the quad, the first triangle.
    const std::vector<int> expected[] = {{3, 2, 0}, {4, 3, 2, 1, 0}, {0, 1, 2, 3}, {0, 1, 2}};
    const face *f = g->faces;
    for (const auto &e : expected) {
        ASSERT_NE(f, nullptr);
        EXPECT_EQ(std::pair(f->vertex_index, f->count), std::pair(e, static_cast<int>(e.size())));
        f = f->next;
    }
    EXPECT_EQ(f, nullptr);
    EXPECT_EQ(g->faces->next->next->texcoord_index[3], 1);
    free_geo(g);

    // No terminator: the bytes past the stated length must not be read as part of the mesh.
    std::string text = square_header + "f 1/1/1 2/1/1 3/2/1";
    std::string bytes = text + "\nf 9/9/9 9/9/9 9/9/9\n";
    g = parse_obj("object_test", bytes.data(), text.size());
    ASSERT_TRUE(g && g->faces);
    EXPECT_EQ(g->faces->next, nullptr);
    free_geo(g);

    g = parse("f 1/1/1 2/1/1 3/1/1\r\nv 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\nvn 0 1 0\r\nvt 0 0\r\n");
    ASSERT_TRUE(g && g->faces) << "a face on the first line and Windows line ends";
    EXPECT_EQ(g->faces->count, 3);
    free_geo(g);

    // Malformed text is refused with one line.
    const std::string one = "v 0 0 0\nvn 0 0 1\nvt 0 0\n";
    const std::pair<std::string, const char *> cases[] = {
        {"v 1 2\n", "vertex with two numbers"},
        {"v 0 0 0\nvn 0 x 1\n", "normal that does not parse"},
        {"v 0 0 0\nvt 0\n", "texture coordinate with one number"},
        {one + "f 1/1/1 2/1/1 1/1/1\n", "vertex index out of range"},
        {one + "f 1/1/1 1/2/1 1/1/1\n", "texture index out of range"},
        {one + "f 1/1/1 1/1/2 1/1/1\n", "normal index out of range"},
        {one + "f 0/1/1 1/1/1 1/1/1\n", "zero index"},
        {one + "f -1/-1/-1 1/1/1 1/1/1\n", "negative index"},
        {one + "f 1//1 1//1 1//1\n", "corner without texture index"},
        {one + "f 1/1/1 1/1/1 1\n", "last corner with one index"},
        {one + "f 99999999999999999999/1/1\n", "index past the integer range"},
        {one + "f\n", "face without corners"},
        {"v 0 0 0\nfoo 1 2 3\n", "another line starting with f"},
        {"f 1/1/1 1/1/1 1/1/1\n", "face in a mesh without vertices"},
    };
    for (const auto &[text, why] : cases) {
        testing::internal::CaptureStderr();
        g = parse(text);
        expect_one_line(testing::internal::GetCapturedStderr(), "object_test: line ", why);
        EXPECT_EQ(g, nullptr) << why;
        free_geo(g);
    }
}

TEST(MaterialParsing, KeywordsAreReadAfterACommentButNotAtTheFirstByte) {
    const std::string body = "emit 0.5 0.5 0.5\nambient 0.2 0.2 0.2\ndiffuse 0.8 0.8 0.8\nspecular 1 1 1\n";
    std::string text = "# tank paint\n" + body;
    material *m = parse_material(text.c_str(), text.size() + 1);
    ASSERT_NE(m, nullptr);
    const float expect[4][4] = {
        {0.5f, 0.5f, 0.5f, 1}, {0.2f, 0.2f, 0.2f, 1}, {0.8f, 0.8f, 0.8f, 1}, {1, 1, 1, 1}};
    const float *got[4] = {m->emission, m->ambient, m->diffuse, m->specular};
    for (int k = 0; k < 4; ++k)
        for (int i = 0; i < 4; ++i)
            EXPECT_FLOAT_EQ(got[k][i], expect[k][i]) << k << "," << i;
    delete m;

    // At the first byte a keyword counts as absent; the first occurrence counts even inside a word.
    for (const std::string &t : {body, std::string("# emitter\nemit 1 1 1\n")}) {
        m = parse_material(t.c_str(), t.size());
        EXPECT_EQ(std::pair(m->emission[0], m->emission[3]), std::pair(0.0f, 1.0f)) << t;
        delete m;
    }

    // Cut inside the numbers: the third one is not there, and nothing past the length is read.
    text = "# x\ndiffuse 0.1 0.2 0.3";
    m = parse_material(text.c_str(), text.size() - 4);
    EXPECT_EQ((std::vector<float>{m->diffuse[0], m->diffuse[1], m->diffuse[2]}),
              (std::vector<float>{0.1f, 0.2f, 0}));
    delete m;
}

TEST(TextLayout, FormattingIsBoundedTypedTextStaysLiteralAndTheScoreLineShowsEverything) {
    char buffer[TEXT_BUFFER_SIZE + 16];
    memset(buffer, 'z', sizeof buffer);
    EXPECT_EQ(format_text(buffer, "%s!", std::string(400, 'a').c_str()), TEXT_BUFFER_SIZE - 1);
    EXPECT_EQ(buffer[TEXT_BUFFER_SIZE - 1], 0);
    EXPECT_EQ(buffer[TEXT_BUFFER_SIZE], 'z');
    EXPECT_EQ(format_text(buffer, "%s", "50%d"), 4u);
    EXPECT_STREQ(buffer, "50%d");
    EXPECT_DOUBLE_EQ(text_start(10, 1), -4.0);
    EXPECT_DOUBLE_EQ(text_start(10, 0), 0.0);

    // The score line: score, barrels and the frame rate.
    game_record *g = make_test_game();
    g->barrels_left = 18;
    g->frame_ms_avg = 20.0f;
    char line[TEXT_BUFFER_SIZE];
    format_score_line(g, line);
    EXPECT_STREQ(line, "SCORE: 000000   BARRELS: 18  FPS: 50.00");
    g->score = -7;
    g->barrels_left = 3;
    g->settings.display_flags &= ~SHOW_FPS;
    format_score_line(g, line);
    EXPECT_STREQ(line, "SCORE: -00007   BARRELS: 03") << "without the frame rate";
    draw_glyph_decal(g, 'A'); // a power-up's letter before the font has loaded is skipped
    free_test_game(g);
}

// The blink and cycle timings the frame uses, at the edges where each one flips.
TEST(FrameTiming, BlinksAndCyclesFlipAtTheirEdges) {
    const std::tuple<float, float, bool> tanks[] = {{0, 0, false},    {-1, 0, false},   {1, 0, true},
                                                    {1, -1, true},    {1, 0.15f, true}, {1, 0.05f, false},
                                                    {1, 0.5f, false}, {1, 0.35f, true}};
    for (auto [alive, shield, visible] : tanks) {
        player_tank t{};
        t.alive = alive, t.shield = shield;
        EXPECT_EQ(player_tank_visible(&t), visible) << "alive " << alive << " shield " << shield;
    }
    EXPECT_FALSE(player_tank_visible(nullptr));
    const std::tuple<const char *, float, bool> messages[] = {{"X", 0.25f, true}, {"X", 0.125f, false},
                                                              {"X", 1.5f, true},  {"X", 1.0f, false},
                                                              {"X", 0, false},    {nullptr, 0.5f, false}};
    for (auto [message, timer, visible] : messages) {
        player_tank t{};
        t.message = message, t.message_timer = timer;
        EXPECT_EQ(hud_message_visible(&t), visible) << "timer " << timer;
    }
    const std::pair<float, bool> titles[] = {{0, true},       {4.99f, true}, {5, false},
                                             {14.99f, false}, {15, true},    {20, false}};
    for (auto [time, game_over] : titles)
        EXPECT_EQ(title_shows_game_over(time), game_over) << "time " << time;
    // The list scrolls 5 units a second from -50 and starts again after 1330 / 25 seconds.
    const std::pair<float, double> offsets[] = {{0, -50}, {1, -45}, {53, 215}, {53.25f, -49.75}};
    for (auto [clock, y] : offsets)
        EXPECT_DOUBLE_EQ(instructions_offset(clock), y) << "clock " << clock;
}
