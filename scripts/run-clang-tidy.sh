#!/bin/sh
# Runs clang-tidy (checks and naming rules in .clang-tidy) over the library's sources, using the
# compile commands of a configured build folder (default: build).
set -eu
cd "$(dirname "$0")/.."
build="${1:-build}"
git ls-files 'font/*.cpp' 'graphics/*.cpp' | grep -v '^graphics/opengl/' |
  xargs clang-tidy -p "$build" --quiet --extra-arg=-Wno-unknown-warning-option
