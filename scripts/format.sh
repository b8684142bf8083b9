#!/usr/bin/env bash
# Formats every C++ source of the repository with its .clang-format.
set -euo pipefail
cd "$(dirname "$0")/.."
dirs=()
for d in src tests bench fuzz; do [ -d "$d" ] && dirs+=("$d"); done
find "${dirs[@]}" \( -name '*.cpp' -o -name '*.h' \) -print0 | xargs -0 -r clang-format -i
