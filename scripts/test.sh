#!/usr/bin/env bash
# Sets everything up, checks formatting, and runs every test: the Windows
# edition cross-built and tested under Wine; the Linux build with warnings
# as errors (its HTTP and end-to-end tests also drive the Windows edition);
# and the Linux build again under the address and undefined-behaviour
# sanitizers.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh test

echo "== formatting"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

# Wine: quiet, and no prompts to fetch Mono or Gecko, which nothing here uses.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
wineboot --init >/dev/null 2>&1 || true

echo "== Windows edition: build, and unit tests under Wine"
cmake --preset windows
cmake --build --preset windows
xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" ctest --preset windows

echo "== build and test: ci"
cmake --preset ci -DSENTREL_WINDOWS_BIN="$PWD/build-windows/bin"
cmake --build --preset ci
ctest --preset ci -j2

echo "== build and test: asan"
cmake --preset asan
cmake --build --preset asan
ctest --preset asan -j2
