// The generated pack's content, read through the game's own texture and mesh readers: mesh sizes
// and winding for the drawing transforms, the font's layout and outline rule, and the sounds'
// format, headroom and loop seams. The look of the art is judged on the game's screenshots.

#include "pack/pack.h"
#include "render/render.h"
#include "tools/pack_tool.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace {

const std::vector<uint8_t> &resource(const std::string &name) {
    static std::map<std::string, std::vector<uint8_t>> records = [] {
        std::vector<pack_record> list;
        std::string error;
        read_pack(HOLLOWMERE_PACK_FILE, &list, &error);
        std::map<std::string, std::vector<uint8_t>> m;
        for (pack_record &r : list)
            m[r.name] = std::move(r.data);
        return m;
    }();
    return records[name];
}

geo *mesh(const char *name) {
    const std::vector<uint8_t> &bytes = resource(name);
    return parse_obj(name, reinterpret_cast<const char *>(bytes.data()), bytes.size());
}

} // namespace

TEST(GeneratedMeshes, SizesSuitTheirDrawingScalesAndFacesWindOutward) {
    geo *tank = mesh("object_tank_1"), *barrel = mesh("object_barrel"), *missile = mesh("object_missile_1");
    ASSERT_TRUE(tank && barrel && missile);
    // Tank drawn at (0.09, 0.1, 0.12) with +z forward, its gun reaching past the hull.
    EXPECT_NEAR(tank->max_x - tank->min_x, 34.0f, 3.0f);
    EXPECT_NEAR(tank->min_z, -19.0f, 2.0f);
    EXPECT_GT(tank->max_z, 18.0f);
    EXPECT_NEAR(tank->min_y, 0.3f, 0.5f);
    // Barrel at scale 0.035 raised by 20; missile at 0.005 with its nose forward.
    EXPECT_EQ((std::vector<float>{barrel->min_y, barrel->max_y}), (std::vector<float>{-20, 20}));
    EXPECT_NEAR(barrel->max_x, 14.0f, 0.5f);
    EXPECT_NEAR(missile->max_z - missile->min_z, 250.0f, 1.0f);
    EXPECT_GT(missile->max_z, 100.0f);

    for (geo *g : {tank, barrel, missile}) {
        // Signed volume (positive when faces wind counter-clockwise seen from outside), and the
        // stored normals (negated by the reader) along each face's winding.
        double volume = 0;
        int against = 0;
        for (const face *f = g->faces; f; f = f->next) {
            auto corner = [&](int k) { return &g->vertices[3 * f->vertex_index[k]]; };
            const float *a = corner(0);
            for (int k = 1; k + 1 < f->count; ++k) {
                const float *b = corner(k), *c = corner(k + 1);
                volume += a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
                          a[2] * (b[0] * c[1] - b[1] * c[0]);
            }
            const float *b = corner(1), *c = corner(2);
            float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]},
                  v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
            float n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
            float along = 0;
            for (int k = 0; k < f->count; ++k) {
                const float *sn = &g->normals[3 * f->normal_index[k]];
                along -= n[0] * sn[0] + n[1] * sn[1] + n[2] * sn[2];
            }
            against += along <= 0;
        }
        EXPECT_GT(volume, 0.0) << g->name;
        EXPECT_EQ(against, 0) << g->name;
        free_geo(g);
    }
}

TEST(GeneratedTextures, FontHasSixteenByEightOutlinedCellsFromTheTop) {
    const std::vector<uint8_t> &bmp = resource("texture_font");
    struct {
        int32_t width = 0, height = 0;
        std::vector<uint8_t> data;
    } font;
    ASSERT_TRUE(
        convert_texture("texture_font", bmp.data(), bmp.size(), 2, &font.width, &font.height, &font.data));
    int cell = font.width / 16;
    EXPECT_EQ(cell * 16, font.width);
    EXPECT_EQ(cell * 8, font.height);
    EXPECT_GE(cell, 32);
    // Ink of one glyph's cell in one channel (0 luminance, 1 coverage); row 0 of cells is at the top.
    auto ink = [&](int code, int channel) {
        long sum = 0;
        for (int y = 0; y < cell; ++y)
            for (int x = 0; x < cell; ++x)
                sum += font.data[(size_t(font.height - 1 - (code / 16 * cell + y)) * font.width +
                                  (code % 16) * cell + x) *
                                     2 +
                                 channel];
        return sum;
    };
    EXPECT_GT(ink('A', 0), 0);
    EXPECT_GT(ink('A', 1), ink('A', 0)) << "the coverage rim is wider than the letter";
    EXPECT_EQ(ink(' ', 1), 0);
    EXPECT_GT(ink('M', 0), ink('.', 0));
    for (size_t i = 0; i < font.data.size(); i += 2)
        ASSERT_LE(font.data[i], font.data[i + 1]) << "texel " << i / 2;
}

TEST(GeneratedSounds, MonoSixteenBitAtTheOutputRateWithHeadroomAndSeamlessEngineLoops) {
    for (const char *name : game_resource_names) {
        if (kind_of(name) != resource_kind::sound) continue;
        std::vector<uint8_t> bytes = resource(name);
        SDL_AudioSpec format{};
        Uint8 *buffer = nullptr;
        Uint32 length = 0;
        ASSERT_TRUE(
            SDL_LoadWAV_RW(SDL_RWFromMem(bytes.data(), int(bytes.size())), 1, &format, &buffer, &length))
            << name;
        std::vector<int16_t> s(length / 2);
        memcpy(s.data(), buffer, s.size() * 2);
        SDL_FreeWAV(buffer);
        ASSERT_GT(s.size(), 100u) << name;
        EXPECT_EQ(format.freq, 16000) << name;
        EXPECT_EQ(format.channels, 1) << name;
        EXPECT_EQ(format.format, AUDIO_S16LSB) << name;
        int peak = 0;
        double step = 0;
        for (size_t i = 0; i < s.size(); ++i) {
            peak = std::max(peak, std::abs(int(s[i])));
            if (i) step += std::fabs(double(s[i]) - s[i - 1]) / double(s.size() - 1);
        }
        EXPECT_LE(peak, 0.9 * 32767) << name;
        EXPECT_GE(peak, 0.1 * 32767) << name;
        // An engine loop joins no harder than an ordinary step of its waveform.
        bool loop = std::string(name).starts_with("audio_engine");
        EXPECT_TRUE(!loop || std::fabs(double(s.front()) - s.back()) < step * 4) << name;
    }
}
