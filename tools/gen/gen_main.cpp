// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// hollowmere-gen: synthesises every resource of the game into a directory of ordinary files
// (bitmaps, OBJ meshes, material texts, WAVs) and packs that directory with the pack tool's
// own `build`, so the game's pack and a user's rebuilt pack come from the same code.
// Usage: hollowmere-gen SOURCE_DIR OUT.data FONT.ttf

#include "tools/gen/gen_resources.h"
#include "tools/pack_tool.h"

#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

int main(int argc, char **argv) {
    if (argc != 4) {
        fprintf(stderr, "usage: hollowmere-gen SOURCE_DIR OUT.data FONT.ttf\n");
        return 2;
    }
    const fs::path dir = argv[1];
    gen::resource_list files;
    std::string error;
    gen::add_textures(files);
    if (!gen::add_font(files, argv[3], &error)) {
        fprintf(stderr, "hollowmere-gen: %s\n", error.c_str());
        return 1;
    }
    gen::add_meshes(files);
    gen::add_sounds(files);

    // Start from an empty directory so that nothing stale is packed.
    std::error_code ec;
    fs::remove_all(dir, ec);
    fs::create_directories(dir, ec);
    if (ec) {
        fprintf(stderr, "hollowmere-gen: %s: %s\n", dir.c_str(), ec.message().c_str());
        return 1;
    }
    for (const gen::resource_file &f : files) {
        fs::path path = dir / f.file_name;
        FILE *out = fopen(path.c_str(), "wb");
        if (!out || fwrite(f.bytes.data(), 1, f.bytes.size(), out) != f.bytes.size() || fclose(out) != 0) {
            fprintf(stderr, "hollowmere-gen: %s: cannot write\n", path.c_str());
            return 1;
        }
    }
    if (!build_pack(argv[2], dir.string(), &error)) {
        fprintf(stderr, "hollowmere-gen: %s\n", error.c_str());
        return 1;
    }
    std::error_code size_ec;
    auto size = fs::file_size(argv[2], size_ec);
    printf("%s: %zu resources, %ju bytes\n", argv[2], files.size(), static_cast<uintmax_t>(size));
    return 0;
}
