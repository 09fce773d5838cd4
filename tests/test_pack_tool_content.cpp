// The generated pack's content, read through the game's own texture and mesh readers: mesh
// sizes and winding for the drawing transforms, the font's layout and outline rule, the sky's
// seam and black foot, the ground's tiling, and the sounds' format, headroom and loop seams.

#include "pack/pack.h"
#include "render/render.h"
#include "tools/pack_tool.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace {

const std::map<std::string, std::vector<uint8_t>> &pack() {
    static std::map<std::string, std::vector<uint8_t>> records = [] {
        std::vector<pack_record> list;
        std::string error;
        read_pack(HOLLOWMERE_PACK_FILE, &list, &error);
        std::map<std::string, std::vector<uint8_t>> m;
        for (pack_record &r : list)
            m[r.name] = std::move(r.data);
        return m;
    }();
    return records;
}

struct texels {
    int32_t width = 0, height = 0, channels = 0;
    std::vector<uint8_t> data;
    // Row 0 is texture coordinate t = 0, the bottom of the picture.
    uint8_t at(int x, int y, int c) const {
        return data[(static_cast<size_t>(y) * width + x) * channels + c];
    }
};

texels load(const std::string &name, int channels) {
    texels t;
    t.channels = channels;
    const std::vector<uint8_t> &bytes = pack().at(name);
    EXPECT_TRUE(convert_texture(name, bytes.data(), bytes.size(), channels, &t.width, &t.height, &t.data));
    return t;
}

geo *mesh(const std::string &name) {
    const std::vector<uint8_t> &bytes = pack().at(name);
    geo *g = parse_obj(name.c_str(), reinterpret_cast<const char *>(bytes.data()), bytes.size());
    EXPECT_NE(g, nullptr) << name;
    return g;
}

// Signed volume from the windings (divergence theorem): positive when faces wind
// counter-clockwise seen from outside.
double enclosed_volume(const geo *g) {
    double volume = 0;
    for (const face *f = g->faces; f; f = f->next)
        for (int k = 1; k + 1 < f->count; ++k) {
            const float *a = &g->vertices[3 * f->vertex_index[0]];
            const float *b = &g->vertices[3 * f->vertex_index[k]];
            const float *c = &g->vertices[3 * f->vertex_index[k + 1]];
            volume += (a[0] * (b[1] * c[2] - b[2] * c[1]) - a[1] * (b[0] * c[2] - b[2] * c[0]) +
                       a[2] * (b[0] * c[1] - b[1] * c[0])) /
                      6.0;
        }
    return volume;
}

// Faces whose stored normals (negated by the reader, so flipped back here) point against
// their winding.
int faces_against_normals(const geo *g) {
    int bad = 0;
    for (const face *f = g->faces; f; f = f->next) {
        const float *a = &g->vertices[3 * f->vertex_index[0]];
        const float *b = &g->vertices[3 * f->vertex_index[1]];
        const float *c = &g->vertices[3 * f->vertex_index[2]];
        float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]}, v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
        float n[3] = {u[1] * v[2] - u[2] * v[1], u[2] * v[0] - u[0] * v[2], u[0] * v[1] - u[1] * v[0]};
        float sum = 0;
        for (int k = 0; k < f->count; ++k) {
            const float *sn = &g->normals[3 * f->normal_index[k]];
            sum -= n[0] * sn[0] + n[1] * sn[1] + n[2] * sn[2];
        }
        if (sum <= 0) ++bad;
    }
    return bad;
}

std::vector<int16_t> samples(const std::string &name, SDL_AudioSpec *format) {
    std::vector<uint8_t> bytes = pack().at(name);
    Uint8 *buffer = nullptr;
    Uint32 length = 0;
    SDL_RWops *rw = SDL_RWFromMem(bytes.data(), static_cast<int>(bytes.size()));
    if (!SDL_LoadWAV_RW(rw, 1, format, &buffer, &length)) return {};
    std::vector<int16_t> out(length / 2);
    memcpy(out.data(), buffer, out.size() * 2);
    SDL_FreeWAV(buffer);
    return out;
}

} // namespace

TEST(GeneratedMeshes, SizesSuitTheirDrawingScales) {
    geo *tank = mesh("object_tank_1");
    ASSERT_NE(tank, nullptr);
    // Drawn at (0.09, 0.1, 0.12) with +z forward: about 36 long, 32 wide and 10 to 14 high.
    EXPECT_NEAR(tank->max_x - tank->min_x, 34.0f, 3.0f);
    EXPECT_GT(tank->max_z, 18.0f); // the gun reaches forward of the hull
    EXPECT_NEAR(-tank->min_z, 19.0f, 2.0f);
    EXPECT_NEAR(tank->min_y, 0.3f, 0.5f);
    geo *barrel = mesh("object_barrel");
    ASSERT_NE(barrel, nullptr);
    EXPECT_FLOAT_EQ(barrel->min_y, -20.0f);
    EXPECT_FLOAT_EQ(barrel->max_y, 20.0f);
    EXPECT_NEAR(barrel->max_x, 14.0f, 0.5f);
    geo *missile = mesh("object_missile_1");
    ASSERT_NE(missile, nullptr);
    EXPECT_NEAR(missile->max_z - missile->min_z, 250.0f, 1.0f);
    EXPECT_GT(missile->max_z, 100.0f); // nose forward
    for (geo *g : {tank, barrel, missile})
        free_geo(g);
}

TEST(GeneratedMeshes, FacesWindOutwardWithTheirNormals) {
    for (const char *name : {"object_tank_1", "object_barrel", "object_missile_1"}) {
        geo *g = mesh(name);
        ASSERT_NE(g, nullptr);
        EXPECT_GT(enclosed_volume(g), 0.0) << name;
        EXPECT_EQ(faces_against_normals(g), 0) << name;
        free_geo(g);
    }
}

TEST(GeneratedTextures, EveryWidthIsAMultipleOfFour) {
    for (const auto &[name, bytes] : pack()) {
        if (kind_of(name) != resource_kind::texture) continue;
        int32_t w = 0, h = 0;
        ASSERT_TRUE(bitmap_size(bytes, &w, &h)) << name;
        EXPECT_EQ(w % 4, 0) << name;
    }
}

TEST(GeneratedTextures, FontHasSixteenByEightCellsWithOutlinedGlyphs) {
    texels font = load("texture_font", 2);
    ASSERT_EQ(font.width % 16, 0);
    ASSERT_EQ(font.height % 8, 0);
    int cell = font.width / 16;
    EXPECT_EQ(cell, font.height / 8);
    EXPECT_GE(cell, 32);
    auto ink = [&](int code, int channel) {
        int x0 = (code % 16) * cell, top_row = code / 16;
        long sum = 0;
        for (int y = 0; y < cell; ++y)
            for (int x = 0; x < cell; ++x)
                sum += font.at(x0 + x, font.height - 1 - (top_row * cell + y), channel);
        return sum;
    };
    EXPECT_GT(ink('A', 0), 0);
    EXPECT_GT(ink('A', 1), ink('A', 0)); // the coverage rim is wider than the letter
    EXPECT_EQ(ink(' ', 1), 0);
    EXPECT_EQ(ink(0, 1), 0);
    EXPECT_GT(ink('M', 0), ink('.', 0));
    for (size_t i = 0; i < font.data.size(); i += 2)
        ASSERT_LE(font.data[i], font.data[i + 1]) << "texel " << i / 2;
}

TEST(GeneratedTextures, SkyMeetsItselfAndFallsToBlack) {
    texels sky = load("texture_sky_1", 3);
    double seam = 0, neighbours = 0;
    for (int y = 0; y < sky.height; ++y)
        for (int c = 0; c < 3; ++c) {
            seam += std::abs(sky.at(0, y, c) - sky.at(sky.width - 1, y, c));
            neighbours += std::abs(sky.at(0, y, c) - sky.at(1, y, c));
        }
    EXPECT_LE(seam, neighbours * 1.5 + sky.height);
    int bright_at_foot = 0;
    for (int y = 0; y < sky.height / 5; ++y)
        for (int x = 0; x < sky.width; ++x)
            if (sky.at(x, y, 0) + sky.at(x, y, 1) + sky.at(x, y, 2) > 3) ++bright_at_foot;
    EXPECT_EQ(bright_at_foot, 0);
    long upper = 0;
    for (int x = 0; x < sky.width; ++x)
        upper += sky.at(x, sky.height * 3 / 10, 2);
    EXPECT_GT(upper, 0); // some sky shows above the hills
}

TEST(GeneratedTextures, GroundTilesWithoutSeams) {
    texels ground = load("texture_ground", 3);
    double across = 0, inside = 0;
    for (int i = 0; i < ground.height; ++i)
        for (int c = 0; c < 3; ++c) {
            across += std::abs(ground.at(0, i, c) - ground.at(ground.width - 1, i, c)) +
                      std::abs(ground.at(i % ground.width, 0, c) -
                               ground.at(i % ground.width, ground.height - 1, c));
            inside += std::abs(ground.at(ground.width / 2, i, c) - ground.at(ground.width / 2 - 1, i, c)) +
                      std::abs(ground.at(i % ground.width, ground.height / 2, c) -
                               ground.at(i % ground.width, ground.height / 2 - 1, c));
        }
    EXPECT_LT(across, inside * 1.5);
}

TEST(GeneratedTextures, ClampedGlowsFadeOutBeforeTheirEdges) {
    for (const char *name :
         {"texture_puff_1", "texture_puff_2", "texture_puff_3", "texture_flash_1", "texture_streaks_2"}) {
        texels t = load(name, 2);
        // A wall streak stands on the ground: only its foot (row 0) may be lit.
        int first_row = std::string(name) == "texture_streaks_2" ? 1 : 0;
        int lit_edge = 0;
        auto lit = [&](int x, int y) { return t.at(x, y, 0) > 8 || t.at(x, y, 1) > 8; };
        for (int x = 0; x < t.width; ++x)
            lit_edge += (first_row == 0 && lit(x, 0)) + lit(x, t.height - 1);
        for (int y = first_row; y < t.height; ++y)
            lit_edge += lit(0, y) + lit(t.width - 1, y);
        EXPECT_EQ(lit_edge, 0) << name;
        EXPECT_GT(t.at(t.width / 2, t.height / 2, 0), 0) << name;
    }
}

TEST(GeneratedSounds, MonoSixteenBitAtTheOutputRateWithHeadroom) {
    for (const char *name : game_resource_names) {
        if (kind_of(name) != resource_kind::sound) continue;
        SDL_AudioSpec format{};
        std::vector<int16_t> s = samples(name, &format);
        ASSERT_FALSE(s.empty()) << name;
        EXPECT_EQ(format.freq, 16000) << name;
        EXPECT_EQ(format.channels, 1) << name;
        EXPECT_EQ(format.format, AUDIO_S16LSB) << name;
        int peak = 0;
        for (int16_t v : s)
            peak = std::max(peak, std::abs(static_cast<int>(v)));
        EXPECT_LE(peak, 0.9 * 32767) << name;
        EXPECT_GE(peak, 0.1 * 32767) << name;
    }
}

TEST(GeneratedSounds, EngineLoopsJoinWithoutAClick) {
    for (const char *name : {"audio_engine_fast", "audio_engine_slow"}) {
        SDL_AudioSpec format{};
        std::vector<int16_t> s = samples(name, &format);
        ASSERT_GT(s.size(), 1000u);
        double step = 0;
        for (size_t i = 1; i < s.size(); ++i)
            step += std::fabs(double(s[i]) - s[i - 1]);
        step /= static_cast<double>(s.size() - 1);
        double join = std::fabs(double(s.front()) - s.back());
        EXPECT_LT(join, step * 4) << name; // no larger than an ordinary step of the waveform
    }
}
