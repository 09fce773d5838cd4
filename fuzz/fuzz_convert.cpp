// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Fuzzes the conversions of `hollowmere-pack build`: the first byte picks the file's name (a
// colour, luminance or luminance-and-coverage texture, a sound, a mesh, an MTL or a material
// text), the rest is the file. A converted result must pass verify's check of its kind.
#include "tools/pack_convert.h"
#include "tools/pack_tool.h"

#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    static const char *const files[] = {"texture_ground.png", "texture_puff_1.bmp", "texture_font.png",
                                        "audio_shot.wav",     "object_tank_1.obj",  "material_tank.mtl",
                                        "material_tank.txt"};
    const std::string file = files[data[0] % std::size(files)];
    converted_file c = convert_resource_file(file, std::vector<uint8_t>(data + 1, data + size));
    if (!c.ok) {
        if (c.note.empty() || c.note.find('\n') != std::string::npos) __builtin_trap();
        return 0;
    }
    const std::string name = file.substr(0, file.find('.'));
    std::vector<std::string> problems;
    switch (kind_of(name)) {
    case resource_kind::texture:
        problems = check_texture(name, c.data);
        break;
    case resource_kind::sound:
        problems = check_sound(name, c.data);
        break;
    case resource_kind::mesh:
        problems = check_mesh(name, c.data);
        break;
    default:
        problems = check_material(name, c.data);
        break;
    }
    if (!problems.empty()) __builtin_trap();
    return 0;
}
