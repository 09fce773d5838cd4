// SPDX-FileCopyrightText: 2026 The Hollowmere developers
// SPDX-License-Identifier: GPL-3.0-or-later

// For the programs built to run under Node.js (sim_check.js, hollowmere-replay.js): their error
// stream without the GL emulation's notice at start-up, which says nothing to a program that
// draws nothing. Everything else they write to it goes through.
Module['printErr'] = function (text) {
  if (!/^WARNING: using emscripten GL emulation/.test(text)) console.error(text);
};
