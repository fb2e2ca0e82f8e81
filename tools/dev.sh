#!/usr/bin/env bash
# Sets up, builds and then starts Lumetra (`run`) or runs the whole test suite (`test`).
# On a fresh Debian 12 machine it first installs the packages it needs (as root, or via sudo).
#   tools/dev.sh run [lumetra arguments]
#   tools/dev.sh test [ctest arguments]
#   tools/dev.sh screenshots   (tools/screenshots.sh: the pictures in docs/images)
# LUMETRA_SANITIZE=1 builds into build-asan with AddressSanitizer and UBSan.
set -euo pipefail

top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
mode=${1:-}
shift || true

packages=(cmake ninja-build g++ pkg-config ccache
          qt6-base-dev libqt6opengl6-dev libqt6sql6-sqlite libqt6sql6-psql
          libgl-dev libglu1-mesa-dev libgl1-mesa-dri
          libgtest-dev libbenchmark-dev libsqlite3-dev)
case "$mode" in
  test) packages+=(xvfb xauth postgresql sqlite3 clang libclang-rt-14-dev locales) ;;
  run) ;;
  screenshots) packages+=(xvfb xauth) ;;
  *) echo "usage: tools/dev.sh run|test|screenshots [arguments]" >&2; exit 2 ;;
esac

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  $sudo apt-get update -qq
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# The number-formatting tests run under a comma-decimal locale as well.
if [ "$mode" = test ] && ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
  echo "Generating the de_DE.UTF-8 locale"
  sudo=""
  [ "$(id -u)" -eq 0 ] || sudo=sudo
  if [ -f /etc/locale.gen ]; then $sudo sed -i 's/^# *\(de_DE\.UTF-8 UTF-8\)/\1/' /etc/locale.gen; fi
  grep -qs '^de_DE\.UTF-8 UTF-8' /etc/locale.gen || echo 'de_DE.UTF-8 UTF-8' | $sudo tee -a /etc/locale.gen >/dev/null
  $sudo locale-gen || echo "locale-gen failed: the comma-locale tests will be skipped" >&2
fi

build="$top/build"
options=()
if [ "${LUMETRA_SANITIZE:-0}" = 1 ]; then
  build="$top/build-asan"
  options+=(-DLUMETRA_SANITIZE=ON -DCMAKE_BUILD_TYPE=Debug)
fi
if [ ! -f "$build/build.ninja" ]; then
  cmake -S "$top" -B "$build" -G Ninja "${options[@]}"
fi
if [ "$mode" = screenshots ]; then
  cmake --build "$build" --target lumetra-screenshots
else
  cmake --build "$build"
fi

case "$mode" in
  run)
    exec "$build/app/lumetra" "$@"
    ;;
  test)
    export ASAN_OPTIONS=${ASAN_OPTIONS:-detect_leaks=0}
    exec xvfb-run -a -s "-screen 0 1280x1024x24" \
      ctest --test-dir "$build" --output-on-failure "$@"
    ;;
  screenshots)
    cd "$top"
    exec xvfb-run -a -s "-screen 0 1600x1000x24" \
      "$build/tools/screenshots/lumetra-screenshots" docs/images DataSets/Cars.lumet "$@"
    ;;
esac
