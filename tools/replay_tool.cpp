// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// hollowmere-replay: tells what a recorded game (.hmr) holds, and verifies recorded games by
// playing them again headless, with no window, sound or pack, as fast as the machine allows.
//   hollowmere-replay info FILE
//   hollowmere-replay verify FILE...
// Exit status 0 when every file is read (info) or verifies (verify), 1 otherwise.

#include "platform/platform.h"
#include "replay/replay.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

namespace {

std::string minutes(uint64_t ms) {
    char text[32];
    snprintf(text, sizeof text, "%" PRIu64 ":%02" PRIu64, ms / 60000, ms / 1000 % 60);
    return text;
}

int info(const char *path) {
    replay r;
    std::string why;
    if (!read_replay_file(path, &r, &why)) {
        fprintf(stderr, "%s: %s\n", path, why.c_str());
        return 1;
    }
    char date[32] = "?";
    time_t t = static_cast<time_t>(r.date);
    if (const struct tm *utc = gmtime(&t)) strftime(date, sizeof date, "%Y-%m-%dT%H:%M:%SZ", utc);
    printf("format: %u\nsimulation: %u\nversion: %s\nplayer: %s\nscore: %d\nduration: %s\nticks: %u\n"
           "complete: %s\ndate: %s\nfingerprint: %016" PRIx64 "\n",
           r.format, r.simulation, r.game_version.c_str(), r.player.c_str(), r.score,
           minutes(r.duration_ms).c_str(), r.ticks, r.complete ? "yes" : "no", date, r.final_fingerprint);
    return 0;
}

int verify(int count, char **paths) {
    int failed = 0;
    for (int i = 0; i < count; ++i) {
        const char *path = paths[i];
        replay r;
        std::string why;
        if (!read_replay_file(path, &r, &why)) {
            printf("%s: %s\n", path, why.c_str());
            ++failed;
            continue;
        }
        playback_result p = verify_replay(r);
        switch (p.outcome) {
        case PLAYBACK_VERIFIED:
            if (p.score != r.score) {
                printf("%s: drifted: the game ends with score %d, the file says %d\n", path, p.score,
                       r.score);
                ++failed;
            } else {
                printf("%s: verified: score %d, %u ticks, fingerprint %016" PRIx64 "\n", path, p.score,
                       p.ticks, p.fingerprint);
            }
            break;
        case PLAYBACK_DRIFTED:
            printf("%s: drifted at %s\n", path, minutes(uint64_t{p.drift_second} * 1000).c_str());
            ++failed;
            break;
        case PLAYBACK_OTHER_SIMULATION:
            printf("%s: another simulation version (the file's %u, this game's %u)\n", path, r.simulation,
                   SIMULATION_VERSION);
            ++failed;
            break;
        default:
            printf("%s: %s\n", path, p.fault.c_str());
            ++failed;
            break;
        }
    }
    return failed ? 1 : 0;
}

int usage() {
    fprintf(stderr, "usage: hollowmere-replay info FILE\n       hollowmere-replay verify FILE...\n");
    return 1;
}

} // namespace

int main(int argc, char **argv) {
    if (argc == 3 && strcmp(argv[1], "info") == 0) return info(argv[2]);
    if (argc >= 3 && strcmp(argv[1], "verify") == 0) return verify(argc - 2, argv + 2);
    return usage();
}
