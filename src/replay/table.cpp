// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// The high-score table's replays. The settings file holds only scores and names, so an entry's
// recorded game is found by what the entry is: a file "entry-SCORE-NAME-DATE.hmr" in the
// replay folder (the name in hex, the date the game's start) belongs to the entry of that score
// and name, the newest such file to the best such entry. Entries keep their games however the
// table is shifted, also by another copy of the game; a file that no entry stands for any more
// is removed when the table next changes.

#include "replay/replay.h"

#include "core/core.h"
#include "platform/platform.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

std::string hex_name(const char *name) {
    std::string out;
    char two[3];
    for (size_t i = 0; i < NAME_LENGTH - 1 && name[i]; ++i) {
        snprintf(two, sizeof two, "%02x", static_cast<unsigned char>(name[i]));
        out += two;
    }
    return out;
}

struct kept_file {
    std::string file;
    int score;
    std::string name; // in hex
    long long date;
    bool taken;
};

std::vector<kept_file> kept_files() {
    std::vector<kept_file> out;
    for (const std::string &f : folder_files(replay_folder_path().c_str())) {
        int score = 0, used = 0;
        long long date = 0;
        char name[2 * NAME_LENGTH + 1] = "";
        // entry-SCORE-NAME-DATE.hmr; an empty name leaves two dashes together
        if (sscanf(f.c_str(), "entry-%d-%40[0-9a-f]-%lld.hmr%n", &score, name, &date, &used) == 3 ||
            sscanf(f.c_str(), "entry-%d--%lld.hmr%n", &score, &date, &used) == 2)
            if (static_cast<size_t>(used) == f.size()) out.push_back({f, score, name, date, false});
    }
    // Newest first, so that the best entry of a score and name takes the latest game.
    std::sort(out.begin(), out.end(), [](const kept_file &a, const kept_file &b) { return a.date > b.date; });
    return out;
}

// Which kept file each entry of the table has ("" for none); the rest are left untaken.
std::vector<std::string> match_entries(const game_record *g, std::vector<kept_file> &files) {
    std::vector<std::string> paths(HIGH_SCORE_COUNT);
    for (int i = 0; i < HIGH_SCORE_COUNT; ++i) {
        std::string name = hex_name(g->settings.high_names[i]);
        for (kept_file &k : files)
            if (!k.taken && k.score == g->settings.high_scores[i] && k.name == name) {
                k.taken = true;
                paths[i] = replay_folder_path() + "/" + k.file;
                break;
            }
    }
    return paths;
}

} // namespace

std::vector<std::string> table_replay_paths(const game_record *g) {
    if (replay_folder_path().empty()) return std::vector<std::string>(HIGH_SCORE_COUNT);
    std::vector<kept_file> files = kept_files();
    return match_entries(g, files);
}

std::string entry_replay_path(const game_record *g, int entry) {
    if (entry < 0 || entry >= HIGH_SCORE_COUNT) return "";
    return table_replay_paths(g)[entry];
}

void keep_replay_for_entry(game_record *g, int score, const char *name) {
    replay *r = finished_recording();
    if (!r || replay_folder_path().empty()) return;
    r->player = std::string(name, strnlen(name, NAME_LENGTH - 1));
    rewrite_last_replay(); // the latest game, now with its player's name
    std::string file = replay_folder_path() + "/entry-" + std::to_string(score) + "-" + hex_name(name) + "-" +
                       std::to_string(static_cast<long long>(r->date)) + ".hmr";
    write_replay_file(*r, file);
    prune_table_replays(g);
}

void prune_table_replays(const game_record *g) {
    if (replay_folder_path().empty()) return;
    std::vector<kept_file> files = kept_files();
    match_entries(g, files);
    for (const kept_file &k : files)
        if (!k.taken) remove_file((replay_folder_path() + "/" + k.file).c_str());
}
