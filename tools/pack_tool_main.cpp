// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// hollowmere-pack: the command that builds, lists, extracts and verifies resource packs; the
// work itself lives in the pack tool's routines, which the resource generator shares.

#include "tools/pack_tool.h"

int main(int argc, char **argv) {
    return pack_tool_main(argc, argv);
}
