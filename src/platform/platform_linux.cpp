// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// Where Linux keeps the game's two files: the working directory, which is the player's own
// directory when the game is started through the launcher.

#include "platform/platform.h"

game_files locate_game_files() {
    return {"hollowmere.data", "hollowmere.cfg", "replays"};
}
