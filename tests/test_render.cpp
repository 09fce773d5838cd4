// Rendering without a window: texture conversion and its refusal of damaged bitmaps, OBJ and
// material parsing with their malformed cases, tank type registration with an empty pack.

#include "render/render.h"

#include "combat/combat.h"
#include "core/core.h"
#include "pack/pack.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>

namespace {

std::vector<uint8_t> four_by_four() {
    std::vector<uint8_t> bgr(4 * 4 * 3, 0);
    bgr[0] = 10;
    bgr[1] = 20;
    bgr[2] = 30;
    return bgr;
}

geo *parse(const std::string &text) {
    return parse_obj("object_test", text.c_str(), text.size() + 1);
}

std::vector<int> corners(const face *f) {
    return {f->vertex_index.begin(), f->vertex_index.end()};
}

const std::string square_header = "# a test mesh\n"
                                  "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0.5 2 -1\n"
                                  "vn 0 0 1\nvt 0 0\nvt 1 1\n";

} // namespace

TEST(TextureConversion, ChannelTableTakesTheStoredBytesInOrder) {
    auto bmp = make_bmp(4, 4, four_by_four());
    int32_t w = 0, h = 0;
    std::vector<uint8_t> px;

    ASSERT_TRUE(convert_texture("texture_t", bmp.data(), bmp.size(), 3, &w, &h, &px));
    EXPECT_EQ(w, 4);
    EXPECT_EQ(h, 4);
    ASSERT_EQ(px.size(), 4u * 4 * 3);
    EXPECT_EQ(px[0], 30);
    EXPECT_EQ(px[1], 20);
    EXPECT_EQ(px[2], 10);

    ASSERT_TRUE(convert_texture("texture_t", bmp.data(), bmp.size(), 2, &w, &h, &px));
    ASSERT_EQ(px.size(), 4u * 4 * 2);
    EXPECT_EQ(px[0], 10);
    EXPECT_EQ(px[1], 20);

    ASSERT_TRUE(convert_texture("texture_t", bmp.data(), bmp.size(), 1, &w, &h, &px));
    ASSERT_EQ(px.size(), 4u * 4);
    EXPECT_EQ(px[0], 10);

    ASSERT_TRUE(convert_texture("texture_t", bmp.data(), bmp.size(), 4, &w, &h, &px));
    ASSERT_EQ(px.size(), 4u * 4 * 4);
    EXPECT_EQ(px[0], 30);
    EXPECT_EQ(px[3], 20);
    // The second pixel is black: its alpha is 0.
    EXPECT_EQ(px[7], 0);
}

TEST(TextureConversion, AlphaRoundsDown) {
    std::vector<uint8_t> bgr(4 * 4 * 3, 0);
    bgr[0] = 1;
    bgr[1] = 1;
    bgr[2] = 2; // (1 + 1 + 2) / 3 = 1
    auto bmp = make_bmp(4, 4, bgr);
    int32_t w, h;
    std::vector<uint8_t> px;
    ASSERT_TRUE(convert_texture("texture_t", bmp.data(), bmp.size(), 4, &w, &h, &px));
    EXPECT_EQ(px[3], 1);
}

TEST(TextureConversion, DamagedBitmapsAreRefusedWithOneLine) {
    auto good = make_bmp(4, 4, four_by_four());
    int32_t w = 0, h = 0;
    std::vector<uint8_t> px;

    auto expect_refused = [&](std::vector<uint8_t> bytes, const char *why) {
        testing::internal::CaptureStderr();
        EXPECT_FALSE(convert_texture("texture_x", bytes.data(), bytes.size(), 3, &w, &h, &px)) << why;
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(err.rfind("texture_x: ", 0), 0u) << why << ": " << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << why << ": " << err;
    };

    auto truncated = good;
    truncated.resize(truncated.size() - 1);
    expect_refused(truncated, "one byte short of its pixels");
    expect_refused(std::vector<uint8_t>(good.begin(), good.begin() + 20), "cut inside the header");
    expect_refused({}, "empty");

    auto eight_bit = good;
    eight_bit[28] = 8;
    expect_refused(eight_bit, "8 bits per pixel");

    auto huge = good;
    huge[18] = huge[19] = huge[20] = 0xff;
    huge[21] = 0x7f; // width 2^31 - 1
    expect_refused(huge, "size far past the data");

    auto negative = good;
    negative[22] = negative[23] = negative[24] = negative[25] = 0xff; // height -1
    expect_refused(negative, "negative height");

    auto header = good;
    header[14] = 0xff;
    header[15] = 0xff;
    header[16] = 0xff;
    header[17] = 0xff; // pixels would start past the end, and the offset would overflow 32 bits
    expect_refused(header, "header size beyond the data");
}

TEST(ObjParsing, ReadsEveryKindInReverseTextOrderWithNegatedNormals) {
    geo *g = parse(square_header + "f 1/1/1 2/1/1 3/2/1\n"
                                   "f 1/1/1 2/1/1 3/2/1 4/2/1\n"
                                   "s off\n"
                                   "f 5/1/1 4/1/1 3/1/1 2/1/1 1/1/1\n"
                                   "f 4/1/1\t3/1/1  1/1/1\n");
    ASSERT_NE(g, nullptr);
    EXPECT_EQ(g->name, "object_test");
    EXPECT_EQ(g->vertex_count, 5);
    EXPECT_EQ(g->normal_count, 1);
    EXPECT_EQ(g->texcoord_count, 2);
    EXPECT_FLOAT_EQ(g->normals[0], 0.0f);
    EXPECT_FLOAT_EQ(g->normals[2], -1.0f);
    EXPECT_FLOAT_EQ(g->texcoords[2], 1.0f);

    // Newest first: the last triangle, the pentagon, the quad, the first triangle.
    const face *f = g->faces;
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(corners(f), (std::vector<int>{3, 2, 0}));
    f = f->next;
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->count, 5);
    EXPECT_EQ(corners(f), (std::vector<int>{4, 3, 2, 1, 0}));
    f = f->next;
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(f->count, 4);
    EXPECT_EQ(f->texcoord_index[3], 1);
    f = f->next;
    ASSERT_NE(f, nullptr);
    EXPECT_EQ(corners(f), (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(f->next, nullptr);
    free_geo(g);
}

TEST(ObjParsing, BoundingBoxFollowsTheVertices) {
    geo *g = parse(square_header);
    ASSERT_NE(g, nullptr);
    EXPECT_FLOAT_EQ(g->min_x, 0);
    EXPECT_FLOAT_EQ(g->max_x, 1);
    EXPECT_FLOAT_EQ(g->min_y, 0);
    EXPECT_FLOAT_EQ(g->max_y, 2);
    EXPECT_FLOAT_EQ(g->min_z, -1);
    EXPECT_FLOAT_EQ(g->max_z, 0);
    free_geo(g);

    g = parse("v -3 4 5\n");
    ASSERT_NE(g, nullptr);
    EXPECT_FLOAT_EQ(g->min_x, -3);
    EXPECT_FLOAT_EQ(g->max_x, -3);
    EXPECT_FLOAT_EQ(g->min_z, 5);
    EXPECT_EQ(g->faces, nullptr);
    free_geo(g);
}

TEST(ObjParsing, TextWithoutTerminatorOrFinalLineFeedIsReadWithinItsLength) {
    std::string text = square_header + "f 1/1/1 2/1/1 3/2/1";
    // A copy with no terminator, followed by bytes that must not be read as part of the mesh.
    std::vector<char> bytes(text.begin(), text.end());
    std::string tail = "\nf 9/9/9 9/9/9 9/9/9\n";
    bytes.insert(bytes.end(), tail.begin(), tail.end());
    geo *g = parse_obj("object_test", bytes.data(), text.size());
    ASSERT_NE(g, nullptr);
    ASSERT_NE(g->faces, nullptr);
    EXPECT_EQ(g->faces->next, nullptr);
    EXPECT_EQ(corners(g->faces), (std::vector<int>{0, 1, 2}));
    free_geo(g);
}

TEST(ObjParsing, FaceOnTheFirstLineAndWindowsLineEndsAreRead) {
    geo *g = parse("f 1/1/1 2/1/1 3/1/1\r\nv 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\nvn 0 1 0\r\nvt 0 0\r\n");
    ASSERT_NE(g, nullptr);
    ASSERT_NE(g->faces, nullptr);
    EXPECT_EQ(g->faces->count, 3);
    EXPECT_FLOAT_EQ(g->normals[1], -1.0f);
    free_geo(g);
}

TEST(ObjParsing, MalformedTextIsRefusedWithOneLine) {
    const char *cases[][2] = {
        {"v 1 2\n", "vertex with two numbers"},
        {"v 0 0 0\nvn 0 x 1\n", "normal that does not parse"},
        {"v 0 0 0\nvt 0\n", "texture coordinate with one number"},
        {"v 0 0 0\nvn 0 0 1\nvt 0 0\nf 1/1/1 2/1/1 1/1/1\n", "vertex index out of range"},
        {"v 0 0 0\nvn 0 0 1\nvt 0 0\nf 1/1/1 1/2/1 1/1/1\n", "texture index out of range"},
        {"v 0 0 0\nvn 0 0 1\nvt 0 0\nf 1/1/1 1/1/2 1/1/1\n", "normal index out of range"},
        {"v 0 0 0\nvn 0 0 1\nvt 0 0\nf 0/1/1 1/1/1 1/1/1\n", "zero index"},
        {"v 0 0 0\nvn 0 0 1\nvt 0 0\nf -1/-1/-1 1/1/1 1/1/1\n", "negative index"},
        {"v 0 0 0\nvn 0 0 1\nvt 0 0\nf 1//1 1//1 1//1\n", "corner without texture index"},
        {"v 0 0 0\nvn 0 0 1\nvt 0 0\nf 1/1/1 1/1/1 1\n", "last corner with one index"},
        {"v 0 0 0\nvn 0 0 1\nvt 0 0\nf 99999999999999999999/1/1\n", "index past the integer range"},
        {"v 0 0 0\nvn 0 0 1\nvt 0 0\nf\n", "face without corners"},
        {"v 0 0 0\nfoo 1 2 3\n", "another line starting with f"},
        {"f 1/1/1 1/1/1 1/1/1\n", "face in a mesh without vertices"},
    };
    for (const auto &c : cases) {
        testing::internal::CaptureStderr();
        geo *g = parse(c[0]);
        std::string err = testing::internal::GetCapturedStderr();
        EXPECT_EQ(g, nullptr) << c[1];
        EXPECT_EQ(err.rfind("object_test: line ", 0), 0u) << c[1] << ": " << err;
        EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << c[1] << ": " << err;
        free_geo(g);
    }
}

TEST(MaterialParsing, KeywordsAfterACommentAreRead) {
    std::string text = "# tank paint\nemit 0 0 0\nambient 0.2 0.2 0.2\ndiffuse 0.8 0.8 0.8\nspecular 1 1 1\n";
    material *m = parse_material(text.c_str(), text.size() + 1);
    ASSERT_NE(m, nullptr);
    const float expect[4][4] = {{0, 0, 0, 1}, {0.2f, 0.2f, 0.2f, 1}, {0.8f, 0.8f, 0.8f, 1}, {1, 1, 1, 1}};
    const float *got[4] = {m->emission, m->ambient, m->diffuse, m->specular};
    for (int k = 0; k < 4; ++k)
        for (int i = 0; i < 4; ++i)
            EXPECT_FLOAT_EQ(got[k][i], expect[k][i]) << k << "," << i;
    delete m;
}

TEST(MaterialParsing, KeywordAtTheFirstByteCountsAsAbsent) {
    std::string text = "emit 0.5 0.5 0.5\nambient 0.2 0.2 0.2\ndiffuse 0.8 0.8 0.8\nspecular 1 1 1\n";
    material *m = parse_material(text.c_str(), text.size() + 1);
    EXPECT_FLOAT_EQ(m->emission[0], 0.0f);
    EXPECT_FLOAT_EQ(m->emission[3], 1.0f);
    EXPECT_FLOAT_EQ(m->ambient[0], 0.2f);
    delete m;

    // The first occurrence counts even inside a longer word.
    text = "# emitter\nemit 1 1 1\n";
    m = parse_material(text.c_str(), text.size());
    EXPECT_FLOAT_EQ(m->emission[0], 0.0f);
    delete m;
}

TEST(MaterialParsing, TextIsReadOnlyWithinItsLength) {
    std::string text = "# x\ndiffuse 0.1 0.2 0.3";
    // Cut inside the numbers: the third one is not there.
    material *m = parse_material(text.c_str(), text.size() - 4);
    EXPECT_FLOAT_EQ(m->diffuse[0], 0.1f);
    EXPECT_FLOAT_EQ(m->diffuse[1], 0.2f);
    EXPECT_FLOAT_EQ(m->diffuse[2], 0.0f);
    delete m;
}

TEST(TankTypes, RegistrationWithAnEmptyPackLeavesNullMeshes) {
    game_record *g = make_test_game();
    register_tank_type(g, "player", 120.0f, 35.0f, 100.0f, 1.6f, 0.3f, 100.0f, "object_tank_1",
                       "texture_tank_1", "material_tank");
    register_tank_type(g, "grunt", 90.0f, 15.0f, 100.0f, 1.6f, 3.0f, 100.0f, "object_tank_1",
                       "texture_tank_1", "material_tank");
    ASSERT_NE(g->tank_types, nullptr);
    EXPECT_EQ(g->tank_types->name, "grunt");
    tank_type *p = find_tank_type(g, "player");
    ASSERT_NE(p, nullptr);
    EXPECT_EQ(p->geo, nullptr);
    EXPECT_FLOAT_EQ(p->turn_rate, 120.0f);
    EXPECT_FLOAT_EQ(p->reload_time, 0.3f);
    tank_type *q = find_tank_type(g, "grunt");
    ASSERT_NE(q, nullptr);
    EXPECT_FLOAT_EQ(q->top_speed, 15.0f);
    EXPECT_EQ(find_tank_type(g, "gruntx"), nullptr);
    EXPECT_EQ(load_texture(g, "texture_tank_1", 3, GL_CLAMP), nullptr);
    EXPECT_EQ(texture_registry, nullptr);
    while (tank_type *t = g->tank_types) {
        g->tank_types = t->next;
        delete t;
    }
    free_test_game(g);
}

TEST(TextLayout, FormattingIsBoundedToTheBuffer) {
    char buffer[TEXT_BUFFER_SIZE + 16];
    memset(buffer, 'z', sizeof buffer);
    std::string long_name(400, 'a');
    size_t n = format_text(buffer, "%s!", long_name.c_str());
    EXPECT_EQ(n, TEXT_BUFFER_SIZE - 1);
    EXPECT_EQ(buffer[TEXT_BUFFER_SIZE - 1], 0);
    EXPECT_EQ(buffer[TEXT_BUFFER_SIZE], 'z');
    // A typed "%" reaches the screen as itself.
    EXPECT_EQ(format_text(buffer, "%s", "50%d"), 4u);
    EXPECT_STREQ(buffer, "50%d");
}

TEST(ScoreLine, ShowsScoreBarrelsAndFrameRate) {
    game_record *g = make_test_game();
    g->score = 0;
    g->barrels_left = 18;
    g->frame_ms_avg = 20.0f;
    char line[TEXT_BUFFER_SIZE];
    format_score_line(g, line);
    EXPECT_STREQ(line, "SCORE: 000000   BARRELS: 18  FPS: 50.00");

    g->score = -7;
    g->barrels_left = 3;
    g->frame_ms_avg = 0;
    format_score_line(g, line);
    EXPECT_STREQ(line, "SCORE: -00007   BARRELS: 03  FPS: 0.00");

    g->settings.display_flags &= ~SHOW_FPS;
    format_score_line(g, line);
    EXPECT_STREQ(line, "SCORE: -00007   BARRELS: 03");
    free_test_game(g);
}

TEST(FrameTiming, ShieldBlinkAndMessageBlink) {
    player_tank t{};
    t.alive = 1;
    EXPECT_TRUE(player_tank_visible(&t));
    t.shield = 0.25f;
    EXPECT_FALSE(player_tank_visible(&t));
    t.shield = 0.15f;
    EXPECT_TRUE(player_tank_visible(&t));
    t.alive = 0;
    EXPECT_FALSE(player_tank_visible(&t));
    EXPECT_FALSE(player_tank_visible(nullptr));

    t.message = "HOMING MISSILES";
    t.message_timer = 2.1f;
    EXPECT_FALSE(hud_message_visible(&t));
    t.message_timer = 2.5f;
    EXPECT_TRUE(hud_message_visible(&t));
    t.message = nullptr;
    EXPECT_FALSE(hud_message_visible(&t));
}

TEST(FrameTiming, TitleAlternatesAndInstructionsRiseAndWrap) {
    EXPECT_TRUE(title_shows_game_over(4.9f));
    EXPECT_FALSE(title_shows_game_over(5.0f));
    EXPECT_FALSE(title_shows_game_over(14.9f));
    EXPECT_TRUE(title_shows_game_over(15.0f));

    EXPECT_DOUBLE_EQ(instructions_offset(0), -50.0);
    EXPECT_NEAR(instructions_offset(1), -45.0, 1e-9);
    // 231 units of text take 46.2 seconds; then it starts again from below.
    EXPECT_NEAR(instructions_offset(46.0f), 180.0, 1e-3);
    EXPECT_NEAR(instructions_offset(46.3f), -49.5, 1e-3);
}
