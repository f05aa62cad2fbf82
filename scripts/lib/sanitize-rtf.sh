#!/usr/bin/env bash
# Builds the RTF codec with clang under AddressSanitizer and UBSan (fuzz/, a
# separate build in build-sanitize-rtf/) and runs the hostile-input corpus,
# the fixture files and the fuzzing seeds through it as a CTest entry.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/lib/packages.sh
ensure_packages clang libclang-rt-14-dev qt6-base-dev ninja-build cmake
cmake -S fuzz -B build-sanitize-rtf -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DORV_FUZZER=OFF >/dev/null
cmake --build build-sanitize-rtf -j2 --target rtf_hostile
ctest --test-dir build-sanitize-rtf --output-on-failure
