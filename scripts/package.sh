#!/usr/bin/env bash
# Builds the Debian packages of Quillfish and checks them:
#   build-package/gui/quillfish_VERSION_amd64.deb      the desktop program and quillfish-cli
#   build-package/cli/quillfish-cli_VERSION_amd64.deb  quillfish-cli only (-DQUILL_GUI=OFF)
# Usage: scripts/package.sh [gui|cli|all]   (default all)
# Each is a release build with Debian's hardening flags (dpkg-buildflags),
# installed to /usr and packed by CPack; dpkg-shlibdeps finds the
# dependencies. Then lintian, desktop-file-validate and appstreamcli check the
# result. QUILL_PACKAGE_MAINTAINER="Name <address>" names the maintainer.
# A lab administrator installs a package with
#   sudo apt install ./build-package/gui/quillfish_*.deb
set -euo pipefail
cd "$(dirname "$0")/.."

which=${1:-all}
case $which in
    gui) flavours=(gui) ;;
    cli) flavours=(cli) ;;
    all) flavours=(gui cli) ;;
    *)
        echo "usage: $0 [gui|cli|all]" >&2
        exit 2
        ;;
esac

# The build's packages (as scripts/setup.sh) and the packaging tools.
packages=(
  build-essential cmake ninja-build pkg-config
  qt6-base-dev qt6-base-dev-tools libgl-dev
  libgumbo-dev libfreexl-dev liborcus-dev libzip-dev libcpp-httplib-dev
  dpkg-dev fakeroot file lintian desktop-file-utils appstream
)
bash scripts/apt-install.sh "${packages[@]}"

# The package's dates are those of the last commit (manual pages, changelog,
# AppStream release), so that the same sources give the same package.
if [ -z "${SOURCE_DATE_EPOCH:-}" ] && git rev-parse --git-dir >/dev/null 2>&1; then
  SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
  export SOURCE_DATE_EPOCH
fi

# Debian's compiler and linker flags: hardening (stack protector, fortify,
# read-only relocations, immediate binding), and build paths mapped away.
export DEB_BUILD_MAINT_OPTIONS=hardening=+all
CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
LDFLAGS=$(dpkg-buildflags --get LDFLAGS)
export CXXFLAGS LDFLAGS

launcher=()
if command -v ccache >/dev/null; then launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache); fi
maintainer=()
if [ -n "${QUILL_PACKAGE_MAINTAINER:-}" ]; then
  maintainer=("-DQUILL_PACKAGE_MAINTAINER=$QUILL_PACKAGE_MAINTAINER")
fi

status=0
for flavour in "${flavours[@]}"; do
  build=build-package/$flavour
  gui=ON
  [ "$flavour" = cli ] && gui=OFF
  echo "== $flavour package (QUILL_GUI=$gui) in $build"
  # The flags are read when the build folder is made.
  rm -f "$build/CMakeCache.txt"
  # CMAKE_SKIP_INSTALL_ALL_DEPENDENCY: cpack builds nothing; the target
  # quill_install_files is everything an install copies (no tests, no
  # benchmarks).
  cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
    -DQUILL_GUI=$gui -DCMAKE_SKIP_INSTALL_ALL_DEPENDENCY=ON "${launcher[@]}" "${maintainer[@]}" >/dev/null
  cmake --build "$build" --target quill_install_files
  rm -f "$build"/*.deb
  (cd "$build" && cpack -G DEB >/dev/null)
  deb=$(ls "$build"/*.deb)
  echo "== $deb"
  dpkg-deb --field "$deb"

  echo "== lintian"
  # Errors and warnings (lintian -I adds the informational tags); its exit
  # status is 0 unless it reports an error.
  lintian "$deb" || status=1

  echo "== desktop-file-validate and appstreamcli validate"
  check=$(mktemp -d)
  dpkg-deb -x "$deb" "$check"
  for desktop in "$check"/usr/share/applications/*.desktop; do
    [ -e "$desktop" ] || continue
    desktop-file-validate "$desktop" && echo "$(basename "$desktop"): valid" || status=1
  done
  for metainfo in "$check"/usr/share/metainfo/*.xml; do
    [ -e "$metainfo" ] || continue
    appstreamcli validate --no-net --pedantic "$metainfo" || status=1
  done
  rm -rf "$check"
done

echo
ls -l build-package/*/*.deb
if [ $status -ne 0 ]; then
  echo "A check above failed." >&2
fi
exit $status
