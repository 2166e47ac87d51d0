#!/usr/bin/env bash
# Builds with gcc's coverage counters, runs every test and prints the line and branch coverage
# of the panel's own code (controller/, motion/, recipe/, config/, app/, dialogs/), leaving
# out the tests, fuzz targets, benchmarks, simulator, tools and the generated moc/uic files.
#   tools/coverage.sh [build folder, default build-cov] [ctest options]
# Options after the folder choose the tests, e.g. `-L recipe` for one folder's tests alone.
# CMake takes a compiler launcher from the environment: CMAKE_CXX_COMPILER_LAUNCHER=ccache.
# The detailed per-file table is written to <build folder>/coverage.txt.
set -euo pipefail
src="$(cd "$(dirname "$0")/.." && pwd)"
build="$(realpath -m "${1:-$src/build-cov}")"
shift || true
cd "$src"
source tools/install-deps.sh
ptx_install_deps gcovr

cmake -S "$src" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPTX_COVERAGE=ON
cmake --build "$build"
# Notes files of objects no longer built (a test removed since the last run) would be read
# as code never run.
ninja -C "$build" -t cleandead >/dev/null
find "$build" -name '*.gcno' | while read -r notes; do
    [ -e "${notes%.gcno}.o" ] || rm -f "$notes"
done

# Counters from an earlier run would add to this one.
find "$build" -name '*.gcda' -delete
# A failing test still leaves its counters; report the coverage and pass the failure on.
status=0
ctest --test-dir "$build" --output-on-failure -j"$(nproc)" "$@" || status=$?

# The filter is matched from the start of each path relative to the source folder, so files
# generated into a build folder inside it (build-cov/app/...) stay out. Branches that only an
# exception or unreachable code would take are not counted.
echo "Coverage of the panel's code (details in $build/coverage.txt):"
gcovr --root "$src" --filter '(controller|motion|recipe|config|app|dialogs)/' \
      --exclude-unreachable-branches --exclude-throw-branches -j"$(nproc)" \
      --txt "$build/coverage.txt" --print-summary "$build"
exit "$status"
