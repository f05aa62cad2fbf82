#!/usr/bin/env bash
# Fuzzes the RTF codec with libFuzzer for the given number of seconds
# (default 60). The corpus grows in build-fuzz-rtf/corpus, seeded from
# fuzz/corpus and the fixture files; a crash leaves its input in
# build-fuzz-rtf/ and makes the script fail.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/lib/packages.sh
ensure_packages clang libclang-rt-14-dev qt6-base-dev ninja-build cmake
seconds=${1:-60}
cmake -S fuzz -B build-fuzz-rtf -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DORV_FUZZER=ON >/dev/null
cmake --build build-fuzz-rtf -j2 --target rtf_fuzzer
mkdir -p build-fuzz-rtf/corpus
cd build-fuzz-rtf
QT_QPA_PLATFORM=offscreen ./rtf_fuzzer -max_total_time="$seconds" -max_len=16384 -timeout=10 \
    -rss_limit_mb=2048 -print_final_stats=1 corpus ../fuzz/corpus ../../shared/fixtures/rtf
