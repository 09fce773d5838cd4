// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// What differs between the systems the game runs on: opening, reading and replacing files,
// where the resource pack and the settings file live, and the environment. The subsystems
// include this header only; the build picks the files behind it for its system. Linux:
// platform_posix.cpp (files, environment), platform_linux.cpp (where the files live) and
// platform_desktop.cpp (the frame loop of a desktop process). Windows: platform_windows.cpp and
// platform_desktop.cpp. The browser: platform_posix.cpp and platform_web.cpp, with its stand-ins
// for GL, GLU and SDL in web/. File names are UTF-8 everywhere.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Opens a file in a stdio mode ("rb", "wb", "r+b"); bytes go through unchanged.
FILE *open_file(const char *path, const char *mode);

// The whole file in one block from malloc (the caller frees it), read as bytes: a regular file
// in one read of its stated size, anything else in reads of doubling size. Null with
// *open_error set to the errno of a failed open; otherwise *open_error is 0 and a read error
// ends the bytes where it happened, as a short file would (null only when memory runs out).
uint8_t *read_file_bytes(const char *path, size_t *size, int *open_error);

// Puts the file `from` in the place of `to` in one step, replacing a file that is there, so a
// reader sees the old file or the new one and never a part; false with errno set on failure.
bool replace_file(const char *from, const char *to);

// Removes a file; false with errno set on failure.
bool remove_file(const char *path);

// Makes a folder unless it is there; false with errno set on failure.
bool make_folder(const char *path);

// The names of the files in a folder (not "." and ".."), in no particular order; none when the
// folder cannot be read.
std::vector<std::string> folder_files(const char *path);

// The file a name stands for: symbolic links are followed (a relative one from the link's own
// folder), so that a link stays and its target takes what is written.
std::string follow_links(const char *path);

// Whether a regular file was made read-only (every write permission taken away): the player's
// way of keeping it as it is, which even a program that could replace it respects.
bool is_read_only(const char *path);

// Where the game's two files are. POSIX: the working directory, which the launcher sets to the
// player's own. Windows: settings in %APPDATA%\Hollowmere (made on first run) and the pack
// beside the executable, unless the player keeps a pack of their own in that folder.
struct game_files {
    std::string pack;
    std::string settings;
    std::string replays; // the folder of recorded games, beside the settings
};
game_files locate_game_files();

// Sets an environment variable for the rest of the run, as the libraries the game loads read it.
void set_environment(const char *name, const char *value);

// Why the window that video opens would reach nobody's eyes, or "" when it shows. SDL 2 (under
// the Linux build's SDL 1.2 layer) falls back to its offscreen or dummy driver when it finds no
// display, so starting succeeds and the game would run invisibly for ever; such a driver is taken
// only when the player named it in SDL_VIDEODRIVER, as the GL tests and benchmarks do.
std::string missing_display();

// Runs `frame` for the rest of the process: an endless loop on the desktops, once per browser
// frame on the web, where a page cannot block. `save` keeps the settings file: the web calls it
// after a frame that reported a checkpoint and when the page is hidden or closed, since a page
// has no exit; the desktops never call it (they save at exit).
[[noreturn]] void run_frame_loop(void (*frame)(), void (*save)());

// The game reached a point worth saving at (a name entered, the menu closed).
void settings_checkpoint();

// Before video first starts, for the game's first window.
void prepare_first_window();

// Readies video for the mode about to be set, a window or full screen; false when video could not
// start again (said on stderr). The window on screen stays until the mode is set, so that a
// refused mode leaves it. Linux: the SDL 1.2 layer over SDL 2 stretches full screen over the
// desktop only with its scaling on, and takes that choice only when video starts, so a switch
// between a window and full screen starts video again under the other. Windows: nothing to do
// (full screen is a window over the monitor, made in platform_windows.cpp). The browser: full
// screen is the page's, asked for here.
bool prepare_video_mode(bool fullscreen);

// Whether the host left its full screen on its own since last asked (the browser's Escape or
// F11), so that the game's full-screen setting follows; never on the desktops.
bool full_screen_left_by_host();
