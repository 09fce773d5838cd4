// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Rendering: GL state and display-list handles, textures, meshes and materials, tank types,
// the bitmap font, the frame with its camera, HUD and text screens, and the radar.
// Everything loaded here lives for the whole run; display lists and textures are renewed
// after a video-mode switch so that their owners never notice it.
#pragma once

#include <GL/gl.h>
#include <cstdint>
#include <string>
#include <vector>

struct game_record;
struct tank;

// --- display-list handles ---
struct dlist {
    uint32_t id;
    int32_t dirty; // 1: compile before the next call
    dlist *next;
};
extern dlist *dlist_registry;
dlist *new_dlist();
void gl_setup(game_record *game);
// False when the mode was refused or the window could not be made.
bool set_video_mode(int fullscreen, int width, int height, int bits);
// Before video first starts, in a window: the SDL 1.2 layer's direct path unless the player chose.
void choose_window_path();
inline constexpr const char *window_caption = "Hollowmere";

// --- textures ---
struct texture {
    std::string name;
    int32_t width;
    int32_t height;
    int32_t channels;            // 1 to 4
    std::vector<uint8_t> pixels; // converted texels, kept for re-upload
    const uint8_t *texels; // or, for colour, the bitmap's BGR rows in the pack (it outlives the texture)
    GLenum wrap_s;
    GLenum wrap_t;
    GLuint gl_name;
    texture *next;
};
extern texture *texture_registry;
texture *load_texture(game_record *game, const char *name, int channels, GLenum wrap);
void reload_textures();
// The BGR rows of a texture resource, bottom row first, after checking its header against its size;
// null with a message on bad data.
const uint8_t *bitmap_texels(const std::string &name, const uint8_t *data, size_t size, int channels,
                             int32_t *width, int32_t *height);
// Converts the pixels of a texture resource (no GL); false with a message on bad data.
bool convert_texture(const std::string &name, const uint8_t *data, size_t size, int channels, int32_t *width,
                     int32_t *height, std::vector<uint8_t> *pixels);

// --- meshes and materials ---
struct face {
    int32_t count;
    std::vector<int32_t> vertex_index;
    std::vector<int32_t> normal_index;
    std::vector<int32_t> texcoord_index;
    face *next;
};

struct material {
    float emission[4];
    float ambient[4];
    float diffuse[4];
    float specular[4];
};

struct geo {
    dlist *list;
    std::string name;
    int32_t vertex_count;
    std::vector<float> vertices; // x, y, z
    int32_t normal_count;
    std::vector<float> normals; // negated from the text
    int32_t texcoord_count;
    std::vector<float> texcoords; // u, v
    float min_x, min_y, min_z;
    float max_x, max_y, max_z;
    face *faces; // reverse text order
    struct material *material;
    struct texture *texture;
};

// Parses OBJ-subset text of the given length; null with a message on malformed text.
geo *parse_obj(const char *name, const char *text, size_t length);
geo *load_geo(game_record *game, const char *name);
// Parses material text; never fails (absent keywords leave zeros).
material *parse_material(const char *text, size_t length);
material *load_material(game_record *game, const char *name);
void draw_geo(geo *g);
// Releases a mesh that is not part of the game's lifetime (tests, tools).
void free_geo(geo *g);

// --- tank types ---
struct tank_type {
    std::string name;
    struct geo *geo;
    float turn_rate;
    float top_speed;
    float param3; // unused by any behaviour
    float radius;
    float reload_time;
    float param6; // unused by any behaviour
    tank_type *next;
};
void register_tank_type(game_record *game, const char *name, float turn_rate, float top_speed, float param3,
                        float radius, float reload_time, float param6, const char *object,
                        const char *texture_name, const char *material_name);
tank_type *find_tank_type(game_record *game, const char *name);
// The two types the game plays with: the player's tank and the enemies' "grunt".
void register_game_tank_types(game_record *game);
dlist *unit_quad();

// --- font and text ---
extern texture *font_texture;
extern int text_centred;
int build_font(game_record *game);
void draw_text(const char *format, ...) __attribute__((format(printf, 1, 2)));
void draw_glyph_decal(game_record *game, int code);
constexpr size_t TEXT_BUFFER_SIZE = 256;
// Formats into a TEXT_BUFFER_SIZE buffer, truncating; returns the length of the text kept.
size_t format_text(char *buffer, const char *format, ...) __attribute__((format(printf, 2, 3)));
// Where a text of `length` characters starts, in glyph units: centred texts start left of the origin.
double text_start(size_t length, int centred);

// --- frame drawing ---
extern float camera_distance;
extern float camera_tilt;
extern float camera_spin;
extern float instructions_scroll;
void draw_frame(game_record *game);
void draw_scene(game_record *game);
void draw_hud(game_record *game);
void draw_title_panel(game_record *game);
void draw_instructions(game_record *game, float clock);
void draw_name_entry(game_record *game, const char *prompt, const char *name, int max_length, int length);
// Over a replay shown: its line under the score line, and its closing words (three lines, or
// none) in the middle of the screen.
void draw_replay_overlay(game_record *game, const char *line, const std::string *closing);
// The frame's timing decisions, kept apart from the drawing so that they can be checked alone.
struct player_tank;
bool player_tank_visible(const player_tank *t); // alive, and not in the dark phase of its shield blink
bool hud_message_visible(const player_tank *t); // a power-up message in the lit part of its blink
bool title_shows_game_over(float game_time);    // else the high-score list
double instructions_offset(float clock);        // vertical position of the first instructions line
// The HUD's score line into a TEXT_BUFFER_SIZE buffer; returns its length.
size_t format_score_line(const game_record *game, char *buffer);

// --- radar ---
void draw_radar(game_record *game);
