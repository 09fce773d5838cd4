// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The settings file: an exact image of the settings block, read once at start-up and written
// at exit. Reading checks every field and puts back the default of a field that is out of
// range, so a damaged file can never stop the game from starting; writing goes through a
// temporary file beside it (beside the target of a link) renamed over the old one, so a failed
// write never loses the old settings; a file made read-only is left as it is.

#include "core/core.h"
#include "platform/platform.h"

#include <SDL/SDL_keysym.h>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

const int resolution_table[4][2] = {{640, 480}, {800, 600}, {1024, 768}, {1280, 1024}};
const int bit_depth_table[2] = {16, 32};
const float smoke_detail_table[6] = {3.0f, 2.25f, 1.5f, 1.0f, 0.75f, 0.5f};

namespace {
struct file_closer {
    void operator()(FILE *f) const { fclose(f); }
};
using file_handle = std::unique_ptr<FILE, file_closer>;
} // namespace

static const char *const default_name = "quenby";

void default_settings(settings_block *s) {
    zero_bytes(s, sizeof *s);
    s->version = 1;
    s->fullscreen = 0;
    s->width = 640;
    s->height = 480;
    s->bit_depth = 16;
    s->smoke_detail = 1.5f;
    s->audio_level = 0.8f;
    s->display_flags = -1;
    s->view_mode = 0;
    s->key_left = SDLK_LEFT;
    s->key_right = SDLK_RIGHT;
    s->key_forward = SDLK_UP;
    s->key_reverse = SDLK_DOWN;
    s->key_fire = SDLK_SPACE;
    for (int i = 0; i < HIGH_SCORE_COUNT; ++i) {
        s->high_scores[i] = 10000 - 1000 * i;
        memcpy(s->high_names[i], default_name, strlen(default_name) + 1);
    }
}

static float nearest_smoke_detail(float v) {
    float best = smoke_detail_table[0];
    for (float step : smoke_detail_table)
        if (std::fabs(step - v) < std::fabs(best - v)) best = step;
    return best;
}

int check_settings(settings_block *s) {
    settings_block d;
    default_settings(&d);
    int mended = 0;
    auto mend = [&mended](auto &field, const auto &fallback) {
        field = fallback;
        ++mended;
    };
    if (s->width < 320 || s->width > 8192 || s->height < 200 || s->height > 8192) {
        mend(s->width, d.width);
        mend(s->height, d.height);
    }
    if (s->bit_depth != 16 && s->bit_depth != 32) mend(s->bit_depth, d.bit_depth);
    if (!std::isfinite(s->smoke_detail) || s->smoke_detail <= 0.0f) {
        mend(s->smoke_detail, d.smoke_detail);
    } else if (float nearest = nearest_smoke_detail(s->smoke_detail); nearest != s->smoke_detail) {
        // Only the menu's six steps: a hand-edited 1e-4 would ask for 400,000 puffs.
        mend(s->smoke_detail, nearest);
    }
    if (!std::isfinite(s->audio_level) || s->audio_level < 0.0f || s->audio_level > 1.0f)
        mend(s->audio_level, d.audio_level);
    if (s->view_mode != 0 && s->view_mode != 1) mend(s->view_mode, d.view_mode);
    int32_t *keys[5] = {&s->key_left, &s->key_right, &s->key_forward, &s->key_reverse, &s->key_fire};
    int32_t *default_keys[5] = {&d.key_left, &d.key_right, &d.key_forward, &d.key_reverse, &d.key_fire};
    for (int i = 0; i < 5; ++i)
        if (*keys[i] < 1 || *keys[i] >= KEY_COUNT) mend(*keys[i], *default_keys[i]);
    for (int i = 0; i < HIGH_SCORE_COUNT; ++i) {
        if (memchr(s->high_names[i], 0, NAME_LENGTH) == nullptr) {
            s->high_names[i][NAME_LENGTH - 1] = 0;
            ++mended;
        }
    }
    return mended;
}

void read_settings(game_record *g, const char *path) {
    settings_block *s = &g->settings;
    bool loaded = false;
    file_handle f(open_file(path, "rb"));
    if (f) {
        // A short file is treated as absent; a longer one is read for its first 808 bytes.
        loaded = fread(s, sizeof *s, 1, f.get()) == 1 && s->version == 1;
    }
    if (!loaded) {
        default_settings(s);
    } else {
        int mended = check_settings(s);
        if (mended) fprintf(stderr, "%s: %d damaged settings replaced by defaults\n", path, mended);
    }
    if (s->fullscreen) {
        int i = snap_resolution(s->width, s->height);
        s->width = resolution_table[i][0];
        s->height = resolution_table[i][1];
    }
    s->fullscreen = 0;
}

// Writes the block into an open file and closes it; false with errno kept on failure.
static bool write_block(FILE *raw, const settings_block &s, int *error) {
    bool ok = fwrite(&s, sizeof s, 1, raw) == 1;
    ok = (fflush(raw) == 0) && ok;
    *error = errno;
    ok = (fclose(raw) == 0) && ok;
    if (!ok && errno) *error = errno;
    return ok;
}

bool write_settings(game_record *g, const char *path) {
    // A link (settings kept in a dotfiles folder, say) stays, and its target gets the settings.
    std::string target = follow_links(path);
    if (is_read_only(target.c_str())) {
        fprintf(stderr, "%s: cannot write settings: %s\n", path, strerror(EACCES));
        return false;
    }
    std::string temp = target + ".new";
    int error = 0;
    bool ok = false;
    if (FILE *raw = open_file(temp.c_str(), "wb")) {
        ok = write_block(raw, g->settings, &error);
        if (ok && !replace_file(temp.c_str(), target.c_str())) {
            error = errno;
            ok = false;
        }
        if (!ok) remove_file(temp.c_str());
    } else {
        error = errno;
        // No file can be made beside it, but the file itself may take writes: a plain write.
        if (FILE *in_place = open_file(target.c_str(), "r+b"))
            ok = write_block(in_place, g->settings, &error);
    }
    if (!ok) fprintf(stderr, "%s: cannot write settings: %s\n", path, strerror(error));
    return ok;
}

int snap_resolution(int w, int h) {
    for (int i = 0; i < 4; ++i)
        if (w <= resolution_table[i][0] && h <= resolution_table[i][1]) return i;
    return 3; // larger than every mode: the largest one
}
