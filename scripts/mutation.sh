#!/usr/bin/env bash
# SPDX-FileCopyrightText: 2026 The Hollowmere developers
# SPDX-License-Identifier: GPL-3.0-or-later

# Mutation testing of the unit and GL tests: scripts/mutation.sh [COUNT] [SEED] (200 and 1 by
# default). Slow (a rebuild and a test run per mutant), so never part of the test command.
set -euo pipefail
exec python3 "$(dirname "$0")/mutation.py" "$@"
