#!/bin/sh
# Fails when a tracked C++ file differs from what clang-format makes of it.
set -eu
cd "$(dirname "$0")/.."
if ! command -v clang-format > /dev/null; then
  if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq clang-format > /dev/null
fi
git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run --Werror
echo "clang-format: clean"
