#!/bin/bash
# Builds the library and its tests for Windows with mingw-w64 and runs them under Wine, headless.
#   usage: run-tests.sh [BUILD_DIR]    (default: build-windows in the repository)
set -euo pipefail
root="$(cd "$(dirname "$0")/../.." && pwd)"
build="${1:-$root/build-windows}"
mkdir -p "$build"
build="$(cd "$build" && pwd)"

"$root/scripts/windows/build-dependencies.sh" "$build/deps" "$build/prefix"

# Debian's Wine has no preloader to reserve the addresses Windows keeps fixed, so now and then
# address-space randomisation maps something where Wine wants its shared user data, and a
# process dies before main ("failed to map the shared user data: c0000018"; a few runs in ten
# met one). Everything that starts Wine (the build too: it lists each test program's tests) runs
# without randomisation where the system allows it.
no_aslr=""
if setarch "$(uname -m)" -R true 2> /dev/null; then no_aslr="setarch $(uname -m) -R"; fi

# A private, quiet Wine prefix: Wine's own errors only, which then appear in a failed test's
# output. One wineserver stays up for the whole run and Wine's services are started once up
# front; otherwise every test process pays for Wine's start-up.
export WINEDEBUG=-all,err+all WINEARCH=win64 WINEPREFIX="$build/wineprefix"
# A crashing test ends at once instead of waiting in Wine's debugger.
export WINEDLLOVERRIDES="mscoree,mshtml=;winedbg.exe=d"
export VENNICOR_WINDOWS_PREFIX="$build/prefix"
# The dependencies' DLLs (libepoxy's), as Wine sees their folder: through drive Z:.
export WINEPATH="Z:${VENNICOR_WINDOWS_PREFIX//\//\\}\\bin"
unset DISPLAY WAYLAND_DISPLAY
if [ ! -f "$WINEPREFIX/system.reg" ]; then
  $no_aslr wineboot -i > /dev/null 2>&1
fi
wineserver -k > /dev/null 2>&1 || true
wineserver -w
wineserver -p
trap 'wineserver -k || true' EXIT
$no_aslr wine cmd /c exit > /dev/null 2>&1

# Only the mingw libraries may answer pkg-config (libepoxy), never the Linux ones.
export PKG_CONFIG_LIBDIR="$VENNICOR_WINDOWS_PREFIX/lib/pkgconfig"
unset PKG_CONFIG_PATH
cmake -S "$root" -B "$build/project" -G Ninja \
  -DCMAKE_TOOLCHAIN_FILE="$root/cmake/toolchains/mingw-w64-x86_64.cmake" \
  -DCMAKE_BUILD_TYPE=Release -DVENNICOR_BUILD_BENCHMARKS=OFF -DVENNICOR_BUILD_TOOLS=OFF \
  -DVENNICOR_INSTALL=OFF -DVENNICOR_TEXT_LAYOUT=ON -DVENNICOR_BUILD_OPENGL=ON \
  -DVENNICOR_BUILD_SDL=ON -DVENNICOR_BUILD_D3D11=ON -DVENNICOR_BUILD_EXAMPLES=ON
$no_aslr cmake --build "$build/project"

# Failed tests get one more run, named in the log, as a second line against Wine failing to
# start a process; a test that fails again fails the job. $wrap runs ctest under Xvfb.
# CTEST_ARGS: further ctest arguments, e.g. "-R Lookup".
wrap=()
run_tests() {
  if ! $no_aslr "${wrap[@]}" ctest --test-dir "$build/project" --output-on-failure "$@" ${CTEST_ARGS:-}; then
    echo "Some tests failed under Wine; running the failed ones once more:" >&2
    $no_aslr "${wrap[@]}" ctest --test-dir "$build/project" --output-on-failure --rerun-failed
  fi
}
run_tests -LE 'install|gl|sdl|d3d11'

# The GL tests, the SDL tests of the Direct3D renderer and the Direct3D 11 tests need a window
# (wined3d makes one for its GL context), so Wine needs an X display: Xvfb, where Mesa's software
# rasterizer draws (wined3d too). Without one they are not
# run, and the job says so (CI fails instead).
if command -v xvfb-run > /dev/null; then
  wrap=(xvfb-run -a -s "-screen 0 640x480x24")
  run_tests -L 'gl|sdl|d3d11'
  # The sdl2 example as a Windows program, 30 frames on SDL's default renderer (Direct3D).
  rm -f "$build/project/sdl2.png"
  $no_aslr "${wrap[@]}" wine "$build/project/examples/sdl2.exe" --frames 30 \
    --screenshot "$build/project/sdl2.png" --font /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
  test -s "$build/project/sdl2.png"
  # The d3d11 example: its own window and swap chain, 90 frames. A screen larger than its
  # 640 x 480 client area, which the window's frame would otherwise clip.
  rm -f "$build/project/d3d11.png"
  $no_aslr xvfb-run -a -s "-screen 0 800x600x24" wine "$build/project/examples/d3d11.exe" \
    --frames 90 --screenshot "$build/project/d3d11.png" \
    --font /usr/share/fonts/truetype/dejavu/DejaVuSans.ttf
  test -s "$build/project/d3d11.png"
elif [ -n "${CI:-}" ]; then
  echo "xvfb-run is missing: the GL, SDL and Direct3D 11 tests cannot run (scripts/windows/setup-debian.sh)" >&2
  exit 1
else
  echo "NOT RUN: the GL, SDL and Direct3D 11 tests under Wine need xvfb-run (Debian: xvfb)" >&2
fi
