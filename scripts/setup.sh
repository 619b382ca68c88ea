#!/usr/bin/env bash
# Installs what Pictavo needs to build, test and run (Debian packages), then
# configures and builds. Safe to run again: installed packages are skipped and
# the build is incremental.
#
#   scripts/setup.sh          release build in build/
#   scripts/setup.sh --ci     sanitizer build of the program and tests in build-ci/
set -euo pipefail

here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
mode="${1:-release}"

packages=(
  cmake ninja-build g++ pkg-config
  libfreeimage-dev libraw-dev qt6-base-dev libgl-dev libarchive-dev zlib1g-dev
  libfontconfig-dev fontconfig fonts-liberation fonts-dejavu-core
  libgtest-dev libgmock-dev
  # The desktop entry's MIME types come from shared-mime-info; the tests
  # validate the installed files with the desktop's own tools.
  shared-mime-info desktop-file-utils appstream groff-base libglib2.0-bin
  # Camera metadata: Exiv2 reads it; pngcheck checks the files in the tests.
  libexiv2-dev pngcheck
  # LibRaw's own developer, which the tests and the benchmark hold Auto's
  # rendering against; GNU parallel runs the manual's archive recipe.
  libraw-bin parallel
  # The package as a Debian maintainer checks it (dpkg-buildflags gives the
  # hardening flags), and the completion run in bash with its helpers.
  dpkg-dev lintian bash-completion
  # A real X server with a window manager, driven as a user would, for the
  # window tests that only such a server shows.
  xvfb openbox xdotool
  # The locale sources the tests build a comma-decimal locale from.
  locales
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if ((${#missing[@]})); then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -eq 0 ]; then sudo=""; else sudo="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -q
  $sudo apt-get install -y -q --no-install-recommends "${missing[@]}"
fi

case "$mode" in
  release|--release)
    build="$here/build"
    cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DPICTAVO_TESTS=OFF >/dev/null
    ;;
  --ci)
    build="$here/build-ci"
    cmake -S "$here" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Debug -DPICTAVO_SANITIZE=ON -DPICTAVO_TESTS=ON >/dev/null
    ;;
  *)
    echo "usage: $0 [--ci]" >&2
    exit 2
    ;;
esac
cmake --build "$build" --parallel "$(nproc)"
