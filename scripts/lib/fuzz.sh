#!/usr/bin/env bash
# Fuzzes the parsers that read what others send with libFuzzer, one after the
# other, for the given number of seconds in all (default 60): the RTF codec
# half of the time, the SMTP reply reader and the address check a quarter each.
# Each corpus grows in build-fuzz/corpus-<name>, seeded from fuzz/corpus-<name>
# (the RTF reader also from fuzz/corpus and the fixture files); a crash leaves
# its input in build-fuzz/ and makes the script fail.
set -euo pipefail
cd "$(dirname "$0")/../.."
source scripts/lib/packages.sh
ensure_packages clang libclang-rt-14-dev qt6-base-dev ninja-build cmake
seconds=${1:-60}
cmake -S fuzz -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DCMAKE_CXX_COMPILER=clang++ -DORV_FUZZER=ON >/dev/null
cmake --build build-fuzz -j2 --target rtf_fuzzer smtp_reply_fuzzer smtp_address_fuzzer
cd build-fuzz

# fuzz NAME SECONDS MAX_LEN SEEDS...
fuzz() {
    local name=$1 time=$2 max_len=$3
    shift 3
    mkdir -p "corpus-$name"
    echo "== $name fuzzer, $time seconds"
    QT_QPA_PLATFORM=offscreen "./${name}_fuzzer" -max_total_time="$time" -max_len="$max_len" -timeout=10 \
        -rss_limit_mb=2048 -print_final_stats=1 "corpus-$name" "$@"
}
quarter=$((seconds / 4))
fuzz rtf $((seconds - 2 * quarter)) 16384 ../fuzz/corpus ../../shared/fixtures/rtf
fuzz smtp_reply "$quarter" 20000 ../fuzz/corpus-smtp-reply
fuzz smtp_address "$quarter" 512 ../fuzz/corpus-smtp-address
