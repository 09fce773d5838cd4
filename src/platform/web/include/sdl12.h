// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Included by the browser build ahead of every source: what SDL 1.2 has and the browser's SDL
// lacks or names differently. Its key numbers, and the swap-control attribute, which the browser
// ignores (the browser paces frames itself).
#pragma once
#include <SDL/SDL_keysym.h>

#define SDL_GL_SWAP_CONTROL static_cast<SDL_GLattr>(16)

// The browser's C library declares a struct file_handle (for a Linux call it lacks anyway) where
// glibc's keeps it out of C++; it is renamed so that the game's own name stays free.
#define file_handle web_unused_file_handle
#include <fcntl.h>
#undef file_handle
