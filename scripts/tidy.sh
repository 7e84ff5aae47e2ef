#!/usr/bin/env bash
# clang-tidy (.clang-tidy) over the product code, two files at a time, with
# the compile commands of a finished build: the forms' and the meta-object
# headers must exist. Any finding fails.
#   scripts/tidy.sh [BUILD_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:-build}
root=$(pwd)
if [ ! -f "$build/compile_commands.json" ]; then
  echo "tidy: no $build/compile_commands.json; run make build first" >&2
  exit 1
fi
product="^$root/(app|engine|store|ui|platform)/"
start=$(date +%s)
run-clang-tidy -p "$build" -j 2 -quiet -header-filter="$product" "$product.*\.cpp$"
echo "tidy: no findings ($(( $(date +%s) - start )) s)"
