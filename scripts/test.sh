#!/usr/bin/env bash
# Sets everything up, checks formatting, and runs every test: the Windows
# edition cross-built and tested under Wine; the Linux build with warnings
# as errors (its HTTP and end-to-end tests also drive the Windows edition),
# then its Debian package; and the Linux build again under the address and
# undefined-behaviour sanitizers. Then each fuzzer runs for half a minute.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh test

echo "== formatting"
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror

echo "== the run command's build"
bash scripts/check-run-build.sh

# Wine: quiet, and no prompts to fetch Mono or Gecko, which nothing here uses.
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree=;mshtml="
wineboot --init >/dev/null 2>&1 || true

echo "== Windows edition: build, installer, and unit tests under Wine"
cmake --preset windows
cmake --build --preset windows
# The end-to-end tests of the ci build install it into a new Wine prefix.
cmake --build --preset windows --target installer
xvfb-run -a -s "-screen 0 1920x1080x24 -nolisten tcp" ctest --preset windows

echo "== build and test: ci"
cmake --preset ci -DSENTREL_WINDOWS_BIN="$PWD/build-windows/bin"
cmake --build --preset ci
ctest --preset ci -j2

echo "== package"
(cd build && cpack -G DEB)

echo "== build and test: asan"
cmake --preset asan
cmake --build --preset asan
ctest --preset asan -j2

echo "== fuzz"
cmake --preset fuzz
cmake --build --preset fuzz
# The fuzzers add what they find to the corpus they are given, and the
# service's one keeps a database in $TMPDIR: both go to a scratch directory
# so the tree stays as it is. Crash inputs are kept in build-fuzz/crashes/.
fuzz_scratch="$(mktemp -d)"
trap 'rm -rf "$fuzz_scratch"' EXIT
mkdir -p build-fuzz/crashes
for target in service_request_fuzz tool_reply_fuzz; do
  cp -r "fuzz/corpus/$target" "$fuzz_scratch/$target"
  TMPDIR="$fuzz_scratch" "build-fuzz/bin/$target" -max_total_time=30 -print_final_stats=1 \
    -artifact_prefix="build-fuzz/crashes/$target-" "$fuzz_scratch/$target"
done
