#!/usr/bin/env bash
# Builds the Debian packages from an existing build folder and checks them the
# way a packager and a host developer would:
#   - control fields and contents of every package (dpkg-deb),
#   - lintian on the three packages (errors fail the check, the rest is shown),
#   - a tiny host built against liborvvelmora-dev and liborvvelmora0 unpacked
#     into a scratch root, once with find_package and once with pkg-config,
#     then started offscreen.
# Nothing is installed system-wide; everything happens below a temporary folder.
#   scripts/lib/check-package.sh [BUILD_DIR]
set -euo pipefail
SOURCE=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$(realpath "${1:-build}")
source "$SOURCE/scripts/lib/packages.sh"
ensure_packages "${PACKAGE_CHECK_PACKAGES[@]}"

WORK=$(mktemp -d)
trap 'rm -rf "$WORK"' EXIT
OUT=$WORK/out
ROOT=$WORK/root
MA=$(dpkg-architecture -qDEB_HOST_MULTIARCH)
FAILURES=0
# Qt wants a private runtime folder and complains on stderr without one.
export XDG_RUNTIME_DIR=$WORK/runtime
mkdir -m 700 "$XDG_RUNTIME_DIR"

fail() {
    echo "FAIL: $*" >&2
    FAILURES=$((FAILURES + 1))
}
# expect DESCRIPTION COMMAND...: a failing command is a failed check, not the end of the run.
expect() {
    local what=$1
    shift
    "$@" >/dev/null 2>&1 || fail "$what"
}
expect_not() {
    local what=$1
    shift
    if "$@" >/dev/null 2>&1; then fail "$what"; fi
}
the_only() {
    local matches=("$OUT"/$1)
    [[ ${#matches[@]} -eq 1 && -f ${matches[0]} ]] || { echo "FAIL: expected one $1, found: ${matches[*]}" >&2; exit 1; }
    echo "${matches[0]}"
}
field() { dpkg-deb -f "$1" "$2"; }
has_path() { dpkg-deb -c "$1" | awk '{print $6}' | grep -qx "./$2"; }
has_debug_info() { readelf -S "$1" | grep -q '\.debug_info'; }
build_id() { readelf -n "$1" | sed -n 's/.*Build ID: \([0-9a-f]*\).*/\1/p'; }

# Debian packages live under /usr, and only there does GNUInstallDirs choose the
# multiarch library folder. Build folders configured before that was the default
# still name /usr/local; reconfiguring changes install paths only, nothing compiled.
PREFIX=$(sed -n 's/^CMAKE_INSTALL_PREFIX:PATH=//p' "$BUILD/CMakeCache.txt")
if [[ $PREFIX != /usr ]]; then
    echo "-- $BUILD was configured for $PREFIX, packages need /usr: reconfiguring"
    cmake -B "$BUILD" -DCMAKE_INSTALL_PREFIX=/usr >/dev/null
fi

# cpack packs whatever the build folder holds; bring it up to date first.
cmake --build "$BUILD" -j2 >/dev/null

echo "-- cpack"
if ! cpack --config "$BUILD/CPackConfig.cmake" -B "$OUT" >"$WORK/cpack.log" 2>&1; then
    cat "$WORK/cpack.log" >&2
    echo "FAIL: cpack" >&2
    exit 1
fi
RUNTIME=$(the_only 'liborvvelmora[0-9]*_*.deb')
DEV=$(the_only 'liborvvelmora-dev_*.deb')
DEMO=$(the_only 'orvvelmora-demo_*.deb')
RUNTIME_DBG=$(the_only 'liborvvelmora[0-9]*-dbgsym_*.ddeb')
DEMO_DBG=$(the_only 'orvvelmora-demo-dbgsym_*.ddeb')
VERSION=$(field "$RUNTIME" Version)
UPSTREAM=${VERSION%-*}
MAJOR=${UPSTREAM%%.*}
LIB=usr/lib/$MA/libOrvVelmora.so

echo "-- control fields"
expect "runtime package is named after the SONAME" test "$(field "$RUNTIME" Package)" = "liborvvelmora$MAJOR"
expect "runtime Depends computed from the library" grep -q libqt6widgets6 <<<"$(field "$RUNTIME" Depends)"
expect_not "runtime Depends free of QtTest" grep -q libqt6test <<<"$(field "$RUNTIME" Depends)"
expect "runtime Recommends qt6-translations-l10n" grep -q qt6-translations-l10n <<<"$(field "$RUNTIME" Recommends)"
expect "runtime ships a shlibs file" grep -qx "libOrvVelmora $MAJOR liborvvelmora$MAJOR (>= $VERSION)" \
    <(dpkg-deb --ctrl-tarfile "$RUNTIME" | tar -xOf - ./shlibs)
expect "dev Depends on exactly this runtime" grep -qF "liborvvelmora$MAJOR (= $VERSION)" <<<"$(field "$DEV" Depends)"
expect "dev Depends on the Qt headers" grep -q qt6-base-dev <<<"$(field "$DEV" Depends)"
expect "demo Depends on exactly this runtime" grep -qF "liborvvelmora$MAJOR (= $VERSION)" <<<"$(field "$DEMO" Depends)"
expect "demo Depends on the SQLite driver" grep -q libqt6sql6-sqlite <<<"$(field "$DEMO" Depends)"
expect "dbgsym belongs to its package" grep -qF "liborvvelmora$MAJOR (= $VERSION)" <<<"$(field "$RUNTIME_DBG" Depends)"

echo "-- contents"
expect "runtime: versioned library" has_path "$RUNTIME" "$LIB.$UPSTREAM"
expect "runtime: SONAME link" has_path "$RUNTIME" "$LIB.$MAJOR"
expect_not "runtime: no development link" has_path "$RUNTIME" "$LIB"
expect_not "runtime: no headers" grep -q usr/include <(dpkg-deb -c "$RUNTIME")
expect "runtime: copyright" has_path "$RUNTIME" usr/share/doc/liborvvelmora$MAJOR/copyright
for f in usr/include/OrvVelmora/CMail.h usr/include/OrvVelmora/OrvVelmora.h usr/include/OrvVelmora/Version.h \
    "$LIB" usr/lib/$MA/cmake/OrvVelmora/OrvVelmoraConfig.cmake usr/lib/$MA/cmake/OrvVelmora/OrvVelmoraTargets.cmake \
    usr/lib/$MA/pkgconfig/orvvelmora.pc; do
    expect "dev: $f" has_path "$DEV" "$f"
done
expect "demo: host" has_path "$DEMO" usr/bin/velmora-demo-host
expect "demo: data script" has_path "$DEMO" usr/share/orvvelmora-demo/make_demo_db.py
expect_not "demo: no library of its own" grep -q libOrvVelmora <(dpkg-deb -c "$DEMO")

dpkg-deb -x "$RUNTIME" "$ROOT"
dpkg-deb -x "$DEV" "$ROOT"
dpkg-deb -x "$DEMO" "$WORK/demo"
dpkg-deb -x "$RUNTIME_DBG" "$WORK/dbg"
expect_not "runtime library stripped" has_debug_info "$ROOT/$LIB.$UPSTREAM"
expect_not "demo host stripped" has_debug_info "$WORK/demo/usr/bin/velmora-demo-host"
expect "SONAME follows the major version" grep -q "Library soname: \[libOrvVelmora.so.$MAJOR\]" \
    <(readelf -d "$ROOT/$LIB.$UPSTREAM")
expect_not "library does not link QtTest" grep -q libQt6Test <(readelf -d "$ROOT/$LIB.$UPSTREAM")
# The public API and nothing else: the C entry points and the classes of include/OrvVelmora.
beyond_public_api() {
    nm -D --defined-only "$ROOT/$LIB.$UPSTREAM" | awk '$2 ~ /^[A-Z]$/ { $1 = $2 = ""; print substr($0, 3) }' |
        c++filt | grep -v -e '^OrvVelmora_' -e '^OrvVelmora::CMail::' -e '^OrvVelmora::ColorScheme::' \
        -e ' for OrvVelmora::ColorScheme$'
}
expect "library exports only the public API" test -z "$(beyond_public_api)"
expect_not "library keeps CMail::Internal to itself" grep -q 'CMail::Internal' <(nm -D --defined-only "$ROOT/$LIB.$UPSTREAM" | c++filt)
expect "demo host from the package starts" grep -q -- --database \
    <(LD_LIBRARY_PATH=$ROOT/usr/lib/$MA QT_QPA_PLATFORM=offscreen "$WORK/demo/usr/bin/velmora-demo-host" --help)
ID=$(build_id "$ROOT/$LIB.$UPSTREAM")
DEBUG_FILE=$WORK/dbg/usr/lib/debug/.build-id/${ID:0:2}/${ID:2}.debug
expect "dbgsym holds the library's debug information (build id $ID)" has_debug_info "$DEBUG_FILE"

echo "-- lintian"
LINTIAN_RC=0
lintian --fail-on error --tag-display-limit 0 "$RUNTIME" "$DEV" "$DEMO" >"$WORK/lintian.log" 2>&1 || LINTIAN_RC=$?
# As root lintian warns that it should not run as root; that line is not about the packages.
grep -v 'running with root privileges' "$WORK/lintian.log" || true
if grep -q '^E:' "$WORK/lintian.log"; then
    fail "lintian reports errors"
elif ((LINTIAN_RC)); then
    fail "lintian failed (exit status $LINTIAN_RC)"
fi

# start_host LABEL BINARY: the host must load the unpacked library and report the packaged version.
start_host() {
    local label=$1 binary=$2 output
    expect "$label host uses the unpacked library" grep -q "$ROOT/$LIB.$MAJOR" <(ldd "$binary")
    output=$(QT_QPA_PLATFORM=offscreen "$binary" 2>/dev/null) || true
    echo "   $(ldd "$binary" | grep -o "libOrvVelmora[^(]*")"
    echo "   started: ${output:-no output}"
    expect "$label host starts" test "$output" = "tiny host ok $UPSTREAM"
}
HOST_SRC=$SOURCE/tests/component/host

echo "-- tiny host with find_package"
if cmake -S "$HOST_SRC" -B "$WORK/host-cmake" -G Ninja -DCMAKE_PREFIX_PATH="$ROOT/usr" >"$WORK/host-cmake.log" 2>&1 &&
    cmake --build "$WORK/host-cmake" >>"$WORK/host-cmake.log" 2>&1; then
    grep "^OrvVelmora_DIR:PATH=" "$WORK/host-cmake/CMakeCache.txt" | sed 's/^/   /'
    expect "find_package found the unpacked package" grep -q "^OrvVelmora_DIR:PATH=$ROOT/" "$WORK/host-cmake/CMakeCache.txt"
    start_host find_package "$WORK/host-cmake/tiny-host"
else
    cat "$WORK/host-cmake.log" >&2
    fail "tiny host with find_package does not build"
fi

echo "-- tiny host with pkg-config"
# orvvelmora.pc names /usr like every Debian .pc file; pkg-config leaves system
# folders out of its flags, so the scratch root is added the way a sysroot would be.
export PKG_CONFIG_PATH=$ROOT/usr/lib/$MA/pkgconfig
INCLUDEDIR=$(pkg-config --variable=includedir orvvelmora)
LIBDIR=$(pkg-config --variable=libdir orvvelmora)
PC_FLAGS=$(pkg-config --cflags --libs orvvelmora)
echo "   pkg-config --cflags --libs orvvelmora: $PC_FLAGS"
expect "pkg-config version" test "$(pkg-config --modversion orvvelmora)" = "$UPSTREAM"
expect "pkg-config includedir holds the headers" test -f "$ROOT$INCLUDEDIR/OrvVelmora/CMail.h"
expect "pkg-config libdir holds the library" test -e "$ROOT$LIBDIR/libOrvVelmora.so"
mkdir -p "$WORK/host-pc"
# shellcheck disable=SC2086 # PC_FLAGS is a list of flags
if c++ -std=c++20 -fPIC "$HOST_SRC/main.cpp" -o "$WORK/host-pc/tiny-host" -I"$ROOT$INCLUDEDIR" -L"$ROOT$LIBDIR" \
    -Wl,-rpath,"$ROOT$LIBDIR" $PC_FLAGS >"$WORK/host-pc.log" 2>&1; then
    start_host pkg-config "$WORK/host-pc/tiny-host"
else
    cat "$WORK/host-pc.log" >&2
    fail "tiny host with pkg-config does not build"
fi

for deb in "$RUNTIME" "$DEV" "$DEMO" "$RUNTIME_DBG" "$DEMO_DBG"; do
    echo "package: $(basename "$deb") $(du -k "$deb" | cut -f1) KiB packed, Installed-Size $(field "$deb" Installed-Size) KiB"
done
if ((FAILURES)); then
    echo "package check: $FAILURES failure(s)" >&2
    exit 1
fi
echo "package check ok: $VERSION"
