// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// A long soak of the whole game without a window: the scripted pilot under stress settings
// (scatter, multi, fast and explosive missiles held, firing without pause, the finest smoke)
// for hours of game time, with a new game whenever one ends or has run for a while. Prints the
// resident memory and the peak counts of missiles, puffs and explosions per stretch, so that
// growth shows. Usage: soak [HOURS_OF_GAME_TIME]   (default 2)

#include "combat/combat.h"
#include "core/core.h"
#include "world/world.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

long status_kb(const char *field) {
    FILE *f = fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long kb = -1;
    size_t n = strlen(field);
    while (fgets(line, sizeof line, f))
        if (strncmp(line, field, n) == 0) kb = atol(line + n + 1);
    fclose(f);
    return kb;
}

template <typename T> int length_of(const T *p) {
    int n = 0;
    for (; p; p = p->next) ++n;
    return n;
}

int missiles_in_flight(const game_record *g) {
    int n = 0;
    for (const player_tank *t = g->player; t; t = t->next) n += length_of(t->missiles);
    for (const enemy_tank *t = g->enemies; t; t = t->next) n += length_of(t->missiles);
    return n;
}

} // namespace

int main(int argc, char **argv) {
    double hours = argc > 1 ? atof(argv[1]) : 2.0;
    driver_options o;
    o.tick = 1.0f / 60;
    o.held_actions = ACT_FIRE;
    o.power_ups = MISSILE_SCATTER | MISSILE_MULTI | MISSILE_FAST | MISSILE_EXPLOSIVE;
    o.smoke_level = 5;
    o.stop_at_game_over = false;
    game_record *g = start_headless_game(o);

    const double report_every = 600;   // seconds of game time per line
    const double game_length = 900;    // a new game at the latest after this much play
    double total = 0, since_report = 0;
    int games = 1, peak_missiles = 0, peak_puffs = 0, peak_explosions = 0;
    auto wall_start = std::chrono::steady_clock::now();
    printf("%10s %6s %10s %10s %9s %8s %11s\n", "game_time", "games", "rss_kb", "peak_rss", "missiles", "puffs",
           "explosions");
    while (total < hours * 3600) {
        drive_pilot(g, o);
        headless_tick(g, o);
        total += o.tick;
        since_report += o.tick;
        peak_missiles = std::max(peak_missiles, missiles_in_flight(g));
        peak_puffs = std::max(peak_puffs, length_of(g->smoke));
        peak_explosions = std::max(peak_explosions, length_of(g->explosions));
        if ((g->flags & FLAG_GAME_OVER) || g->game_time >= game_length) {
            new_game(g);
            g->flags = FLAG_PLAYING;
            ++games;
        }
        if (since_report >= report_every) {
            since_report = 0;
            printf("%9.0fs %6d %10ld %10ld %9d %8d %11d\n", total, games, status_kb("VmRSS:"), status_kb("VmHWM:"),
                   peak_missiles, peak_puffs, peak_explosions);
            fflush(stdout);
            peak_missiles = peak_puffs = peak_explosions = 0;
        }
    }
    double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wall_start).count();
    printf("soak: %.1f h of game time in %.0f s, %d games, peak resident %ld kB\n", hours, wall, games,
           status_kb("VmHWM:"));
    free_headless_game(g);
    return 0;
}
