// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Recording the game being played: from its start (the state new_game left, and the seed its
// field was built from) every frame's time, kind and controls, the menu's changes of the
// settings the tick reads, and a fingerprint after each whole second of game time. The file
// `last.hmr` in the replay folder is always the latest game: written when it ends, when it is
// left unfinished (quit, the window closed, a reset), and every 10 s of play meanwhile, so
// that a crash keeps it. Writes replace the file in one step; one that fails is reported once
// and the game goes on.

#include "replay/replay.h"

#include "core/core.h"
#include "platform/platform.h"
#include "world/world.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

namespace {

constexpr uint32_t FLUSH_MS = 10000;

replay recording;
bool recording_open = false;
std::string folder;
double next_second = 1;
uint32_t since_flush_ms = 0;
long first_tick = 0;
bool write_failed = false;
int32_t held_flags = 0; // the settings the recording's frames run under now
float held_detail = 0;

void write_recording() {
    if (folder.empty()) return;
    write_replay_file(recording, folder + "/last.hmr");
    since_flush_ms = 0;
}

void finish(game_record *g, bool complete) {
    recording.score = g->score;
    recording.ticks = static_cast<uint32_t>(game_ticks_run - first_tick);
    recording.final_fingerprint = state_fingerprint(g);
    recording.complete = complete;
    recording_open = false;
    write_recording();
}

} // namespace

bool write_replay_file(const replay &r, const std::string &path) {
    std::string temporary = path + ".new";
    std::vector<uint8_t> bytes = encode_replay(r);
    bool ok = make_folder(folder.c_str());
    if (ok) {
        FILE *f = open_file(temporary.c_str(), "wb");
        ok = f && fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
        int saved = errno;
        if (f && fclose(f) != 0) ok = false, saved = errno;
        errno = saved;
        ok = ok && replace_file(temporary.c_str(), path.c_str());
    }
    if (!ok) {
        int saved = errno;
        if (!write_failed)
            fprintf(stderr, "%s: cannot keep the game's replay: %s\n", path.c_str(), strerror(saved));
        write_failed = true; // once a run: the game goes on, its settings are still saved
        remove_file(temporary.c_str());
    }
    return ok;
}

void set_replay_folder(const std::string &where) {
    folder = where;
}

const std::string &replay_folder_path() {
    return folder;
}

replay *finished_recording() {
    return !recording_open && recording.complete ? &recording : nullptr;
}

void rewrite_last_replay() {
    write_recording();
}

const replay *current_recording() {
    return recording.start_state.empty() ? nullptr : &recording;
}

void record_start(game_record *g) {
    if (recording_open) finish(g, false);
    recording = replay{};
    recording.game_version = HOLLOWMERE_VERSION;
    recording.date = static_cast<int64_t>(std::time(nullptr));
    if (g->field) recording.field_state = random_state_bytes(field_built_from);
    recording.start_state = save_game_state(g);
    recording_open = true;
    held_flags = g->settings.display_flags;
    held_detail = g->settings.smoke_detail;
    next_second = 1;
    since_flush_ms = 0;
    first_tick = game_ticks_run;
}

void record_frame(game_record *g, int dt, uint8_t kind, int actions) {
    if (!recording_open) return;
    // A play frame after the menu changed what the tick reads carries the new settings.
    const settings_block &s = g->settings;
    if (kind == FRAME_PLAY && (s.display_flags != held_flags || s.smoke_detail != held_detail)) {
        recording.settings.push_back(
            {static_cast<uint32_t>(recording.frames.size()), s.display_flags, s.smoke_detail});
        held_flags = s.display_flags;
        held_detail = s.smoke_detail;
    }
    if (dt < 0) dt = 0;
    if (dt > 65535) dt = 65535;
    recording.frames.push_back({dt, kind, static_cast<uint8_t>(kind == FRAME_PLAY ? actions & 0x1f : 0)});
    recording.duration_ms += static_cast<uint32_t>(dt);
    since_flush_ms += static_cast<uint32_t>(dt);
}

void record_after_frame(game_record *g) {
    if (!recording_open) return;
    while (g->game_time >= next_second) {
        recording.checkpoints.push_back(state_fingerprint(g));
        next_second += 1;
    }
    if (g->flags & FLAG_GAME_OVER) {
        finish(g, true);
    } else if (since_flush_ms >= FLUSH_MS) {
        record_flush(g);
    }
}

void record_flush(game_record *g) {
    if (!recording_open) return;
    recording.score = g->score;
    recording.ticks = static_cast<uint32_t>(game_ticks_run - first_tick);
    recording.final_fingerprint = state_fingerprint(g);
    write_recording();
}

void record_stop(game_record *g) {
    if (recording_open) finish(g, false);
}
