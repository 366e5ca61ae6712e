#!/usr/bin/env bash
# Fails when the run command's build (configured as scripts/run.sh does)
# would compile anything of the tests' or need a package that only the test
# command installs: on a machine that has them, nothing else would notice.
set -euo pipefail
cd "$(dirname "$0")/.."

dir="$(mktemp -d)"
trap 'rm -rf "$dir"' EXIT
cmake --preset default -DBUILD_TESTING=OFF -B "$dir" >/dev/null
if grep -E -n '/tests/|/bench/|gtest|gmock|openssl' "$dir/compile_commands.json"; then
  echo "the run command's build compiles test code or needs a test package (above)" >&2
  exit 1
fi
echo "the run command's build needs nothing of the tests"
