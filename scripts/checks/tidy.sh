#!/usr/bin/env bash
# Static checks: clang-tidy (the checks of .clang-tidy, and of the
# .clang-tidy files of tests/, bench/ and fuzz/, which leave out the static
# analyzer) over every C++ source of src/, tests/, bench/ and fuzz/ that the
# Linux build compiles (generated files left out), with the compile commands
# of a clang build in build/tidy. The sources are checked JOBS at a time (2),
# the slowest (those that include Qt or GoogleTest) first, so that no core
# waits at the end. Any finding fails the script.
#
#   scripts/checks/tidy.sh                  # everything
#   scripts/checks/tidy.sh src/keys         # only sources under these paths
set -euo pipefail
cd "$(dirname "$0")/../.."

started=$SECONDS
build=${BUILD:-build/tidy}
jobs=${JOBS:-2}
tidy=$(command -v clang-tidy-14 || command -v clang-tidy)

# Configure only (plus Qt's generated moc sources and the Wayland protocol
# headers, which the sources need); nothing else is compiled.
CC=${CC:-clang} CXX=${CXX:-clang++} cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug \
    -DORVANEL_BUILD_TESTS=ON -DORVANEL_BUILD_BENCH=ON -DORVANEL_BUILD_UI=ON \
    -DORVANEL_BUILD_X11=ON -DORVANEL_FUZZ=ON >/dev/null
autogen=$(ninja -C "$build" -t targets all |
    sed -n 's/^\([A-Za-z0-9_]*_\(autogen\|protocol_headers\)\): .*/\1/p' | sort -u)
if [ -n "$autogen" ]; then
    # shellcheck disable=SC2086
    cmake --build "$build" -j "$jobs" --target $autogen >/dev/null
fi

root=$(pwd)
paths=("$@")
[ ${#paths[@]} -eq 0 ] && paths=(src tests bench fuzz)
regex="^$root/($(IFS='|'; echo "${paths[*]%/}"))/"
# The sources of the compile commands, slowest first: a source that includes
# Qt or GoogleTest takes several times as long as one that does not.
sources=$(python3 - "$build/compile_commands.json" "$regex" <<'EOF'
import json, os, re, sys
commands, pattern = json.load(open(sys.argv[1])), re.compile(sys.argv[2])
files = sorted({c["file"] for c in commands if pattern.match(c["file"])})
def weight(path):
    text = open(path, errors="replace").read()
    heavy = re.search(r'#include [<"](Q|gtest/|gmock/|benchmark/)', text) is not None
    return (heavy, os.path.getsize(path))
print("\n".join(sorted(files, key=weight, reverse=True)))
EOF
)
if [ -z "$sources" ]; then
    echo "clang-tidy: no sources under ${paths[*]}" >&2
    exit 1
fi

logs=$(mktemp -d)
trap 'rm -rf "$logs"' EXIT
status=0
# One clang-tidy per source; each writes its own log.
printf '%s\n' "$sources" | xargs -P "$jobs" -I{} sh -c \
    '"$0" -p "$1" -quiet "$3" >"$2/$(echo "$3" | tr / _).log" 2>&1' \
    "$tidy" "$build" "$logs" {} || status=$?

# Only the findings, without the count of warnings suppressed in system
# headers.
cat "$logs"/*.log | grep -E '(warning|error):' | sort -u || true
if [ "$status" -ne 0 ] || cat "$logs"/*.log | grep -qE '(warning|error):'; then
    echo "clang-tidy: findings above" >&2
    exit 1
fi
echo "clang-tidy: no findings in $(printf '%s\n' "$sources" | wc -l) sources ($((SECONDS - started)) s)."
