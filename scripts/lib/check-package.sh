#!/usr/bin/env bash
# Builds the .deb with CPack, unpacks it into a scratch folder and starts the
# demo host from there (offscreen, --help) to prove the package is complete.
set -euo pipefail
BUILD=${1:-build}
(cd "$BUILD" && cpack -G DEB >/dev/null)
DEB=$(ls -t "$BUILD"/orvvelmora_*.deb | head -1)
ROOT=$(mktemp -d)
trap 'rm -rf "$ROOT"' EXIT
dpkg-deb -x "$DEB" "$ROOT"
LIBDIR=$(dirname "$(find "$ROOT" -name 'libOrvVelmora.so*' | head -1)")
test -f "$ROOT/usr/include/OrvVelmora/CMail.h"
test -f "$(find "$ROOT" -name OrvVelmoraConfig.cmake | head -1)"
LD_LIBRARY_PATH=$LIBDIR QT_QPA_PLATFORM=offscreen "$ROOT/usr/bin/velmora-demo-host" --help | grep -q -- --database
echo "package ok: $(basename "$DEB") ($(dpkg-deb -f "$DEB" Depends | tr -d '\n'))"
