// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Whole pictures of the game with its generated pack, drawn on a real GL context (SDL's
// offscreen driver) and compared with the reference pictures in tests/pictures: a seeded game
// seen from behind the tank and from above, the title with the name entry, and both menu
// pages. Any change to what reaches the screen shows up here; where the change is meant, run
// the test with HOLLOWMERE_UPDATE_PICTURES=1, look at the new pictures and commit them.

#include "combat/combat.h"
#include "core/core.h"
#include "menu/menu.h"
#include "pack/pack.h"
#include "render/render.h"
#include "support/test_support.h"
#include "world/world.h"

#include <SDL/SDL.h>
#include <gtest/gtest.h>
#include <png.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

constexpr int W = 320, H = 240;

// Draws a frame and compares it with the reference of that name; llvmpipe may round an edge
// differently on another processor, so a few pixels may differ, none by much.
void expect_frame(const char *name) {
    draw_frame(game);
    std::vector<uint8_t> got(W * H * 3), want(got.size());
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, W, H, GL_RGB, GL_UNSIGNED_BYTE, got.data());
    std::string reference = std::string(HOLLOWMERE_SOURCE_DIR "/tests/pictures/") + name + ".png";
    png_image image{};
    image.version = PNG_IMAGE_VERSION, image.width = W, image.height = H, image.format = PNG_FORMAT_RGB;
    // GL's rows run bottom up, hence the negative row strides.
    auto write = [&](const std::string &file) {
        return png_image_write_to_file(&image, file.c_str(), 0, got.data(), -W * 3, nullptr);
    };
    if (getenv("HOLLOWMERE_UPDATE_PICTURES")) {
        ASSERT_TRUE(write(reference));
        return;
    }
    png_image ref{};
    ref.version = PNG_IMAGE_VERSION;
    ASSERT_TRUE(png_image_begin_read_from_file(&ref, reference.c_str())) << reference;
    ref.format = PNG_FORMAT_RGB;
    ASSERT_EQ(ref.width * ref.height, unsigned(W * H)) << reference;
    ASSERT_TRUE(png_image_finish_read(&ref, nullptr, want.data(), -W * 3, nullptr)) << reference;
    int differing = 0;
    for (size_t i = 0; i < got.size(); i += 3)
        differing += std::abs(got[i] - want[i]) > 24 || std::abs(got[i + 1] - want[i + 1]) > 24 ||
                     std::abs(got[i + 2] - want[i + 2]) > 24;
    if (differing > 8) {
        std::string drawn = std::string("picture_") + name + ".png";
        write(drawn);
        ADD_FAILURE() << name << ": " << differing << " pixels differ from " << reference
                      << "; drawn: " << drawn;
    }
}

} // namespace

TEST(Pictures, ASeededGameTheTitleAndTheMenuLookAsTheyDid) {
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    ASSERT_NE(SDL_SetVideoMode(W, H, 32, SDL_OPENGL), nullptr) << SDL_GetError();
    game_record *g = make_test_game();
    g->settings.width = W, g->settings.height = H;
    testing::internal::CaptureStdout();
    g->pack = load_pack(HOLLOWMERE_PACK_FILE);
    ASSERT_NE(g->pack, nullptr);
    seed_random(17);
    gl_setup(g);
    register_game_tank_types(g);
    new_game(g);
    testing::internal::GetCapturedStdout();
    g->flags = FLAG_PLAYING;

    // A fight under way: enemies in play, missiles, smoke, an explosion, a barrel carried off.
    driver_options o; // ticks of 0.02 s
    for (int i = 0; i < 750; ++i) {
        drive_pilot(g, o);
        headless_tick(g, o);
    }
    expect_frame("play");
    g->settings.view_mode = 1;
    expect_frame("overhead");
    g->settings.view_mode = 0;

    g->flags = FLAG_GAME_OVER | FLAG_QUALIFIES;
    strcpy(g->player_name, "ab%d");
    g->name_cursor = 4;
    g->game_time = 40.75f;
    instructions_scroll = 12.0f;
    expect_frame("title");

    g->flags = FLAG_PLAYING | FLAG_MENU;
    build_menus();
    settings_menu->current = settings_menu->first->next->next;
    expect_frame("menu");
    menu_page = 2;
    expect_frame("controls");
    SDL_Quit();
}
