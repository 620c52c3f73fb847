#!/bin/bash
# Fuzzes font files against a FreeType built from Debian's own source package with
# AddressSanitizer, UndefinedBehaviorSanitizer and fuzzer coverage, so that faults inside
# FreeType show too (the system's FreeType is not instrumented). Runs as root (apt-get source
# needs deb-src entries, which this adds as scripts/windows/build-dependencies.sh does).
#   usage: scripts/fuzz-freetype-asan.sh [WORK_DIR [SECONDS]]
# WORK_DIR (default build-fuzz-freetype) keeps the FreeType source, its build, the library's
# fuzz build and the corpus between runs; SECONDS (default 600) is how long the fuzzer runs.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
work="$(realpath -m "${1:-$root/build-fuzz-freetype}")"
seconds="${2:-600}"
mkdir -p "$work"

# Source packages need a deb-src entry: a copy of the machine's own Debian entry.
if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    sed 's/^Types: deb$/Types: deb-src/' /etc/apt/sources.list.d/debian.sources \
      > /etc/apt/sources.list.d/vennicor-deb-src.sources
  else
    sed -n 's/^deb /deb-src /p' /etc/apt/sources.list > /etc/apt/sources.list.d/vennicor-deb-src.list
  fi
  apt-get update -qq
fi
if ! ls -d "$work"/freetype-[0-9]*/ > /dev/null 2>&1; then
  # The security archive may lack the sources of its own updates; the release has them.
  (cd "$work" && { apt-get source -qq freetype || apt-get source -qq freetype/bookworm; })
fi
source_dir="$(ls -d "$work"/freetype-[0-9]*/ | head -n 1)"

# A static FreeType without optional dependencies, instrumented like the fuzz build.
prefix="$work/prefix"
if [ ! -f "$prefix/lib/libfreetype.a" ]; then
  flags="-fsanitize=fuzzer-no-link,address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g -O1"
  CC=clang-14 cmake -S "$source_dir" -B "$work/freetype-build" -G Ninja \
    -DCMAKE_BUILD_TYPE=RelWithDebInfo -DCMAKE_C_FLAGS="$flags" -DCMAKE_INSTALL_PREFIX="$prefix" \
    -DBUILD_SHARED_LIBS=OFF -DFT_DISABLE_ZLIB=ON -DFT_DISABLE_BZIP2=ON -DFT_DISABLE_PNG=ON \
    -DFT_DISABLE_HARFBUZZ=ON -DFT_DISABLE_BROTLI=ON > /dev/null
  cmake --build "$work/freetype-build" > /dev/null
  cmake --install "$work/freetype-build" > /dev/null
fi

# The library's fuzzers, linked against that FreeType instead of the system's.
CC=clang-14 CXX=clang++-14 cmake -S "$root" -B "$work/fuzz-build" -G Ninja \
  -DVENNICOR_BUILD_FUZZERS=ON -DVENNICOR_BUILD_TESTS=OFF -DVENNICOR_BUILD_BENCHMARKS=OFF \
  -DVENNICOR_BUILD_TOOLS=OFF -DVENNICOR_BUILD_EXAMPLES=OFF -DVENNICOR_BUILD_OPENGL=OFF \
  -DVENNICOR_INSTALL=OFF \
  -DFREETYPE_LIBRARY="$prefix/lib/libfreetype.a" \
  -DFREETYPE_INCLUDE_DIR_ft2build="$prefix/include/freetype2" \
  -DFREETYPE_INCLUDE_DIR_freetype2="$prefix/include/freetype2" > /dev/null
cmake --build "$work/fuzz-build" --target vennicor_fuzz_font_file vennicor_fuzz_text

corpus="$work/corpus/font-file"
mkdir -p "$corpus" "$work/artifacts"
"$work/fuzz-build/fuzz/vennicor_fuzz_font_file" -max_total_time="$seconds" -print_final_stats=1 \
  -rss_limit_mb=2048 -artifact_prefix="$work/artifacts/" \
  "$corpus" "$work/fuzz-build/fuzz/corpus/seeds/font-file"
