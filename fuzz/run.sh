#!/usr/bin/env bash
# Builds the libFuzzer target in build/fuzz (clang++, ASan + UBSan) and fuzzes
# the engine for a bounded time.
#
#   fuzz/run.sh [SECONDS] [LIBFUZZER-OPTION...]     (default 20 seconds)
#
# The working corpus is build/fuzz/corpus: every run puts the seeds there
# (fuzz/corpus/*.html and samples/*.html, each behind two option headers, see
# fuzz/engine_fuzz.cpp) and libFuzzer adds what it finds. A crashing input is
# saved under build/fuzz/artifacts/; replay it with
#   build/fuzz/bin/engine_fuzz build/fuzz/artifacts/crash-...
set -euo pipefail

root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$root"
# shellcheck source=tools/deps.sh
source tools/deps.sh
vorlax_need_packages "${VORLAX_PKGS_NATIVE[@]}" "${VORLAX_PKGS_FUZZ[@]}"

seconds=${1:-20}
[ $# -gt 0 ] && shift

tree=build/fuzz
if [ ! -f "$tree/build.ninja" ]; then
    cmake -G Ninja -S . -B "$tree" -DCMAKE_CXX_COMPILER=clang++ \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVORLAX_FUZZ=ON -DVORLAX_TESTS=OFF >/dev/null
fi
cmake --build "$tree" --target engine_fuzz >/dev/null

corpus=$tree/corpus
mkdir -p "$corpus" "$tree/artifacts"
# Option headers: the defaults (Column 79), and everything switched on with
# Column 40, UTF-8 input, tables left, TAB separators, AltString images.
for seed in fuzz/corpus/* samples/*.html; do
    [ -f "$seed" ] || continue
    name=$(basename "$seed")
    { printf '\x4f\x00\x4e\x1e\x00'; cat "$seed"; } > "$corpus/seed-default-$name"
    { printf '\x28\x00\xff\xbf\x05'; cat "$seed"; } > "$corpus/seed-all-$name"
done

export ASAN_OPTIONS=${ASAN_OPTIONS:-abort_on_error=0:detect_leaks=1:halt_on_error=1}
export UBSAN_OPTIONS=${UBSAN_OPTIONS:-halt_on_error=1:print_stacktrace=1}
exec "$tree/bin/engine_fuzz" \
    -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -max_len=16384 \
    -dict=fuzz/tags.dict -artifact_prefix="$tree/artifacts/" -print_final_stats=1 \
    "$@" "$corpus"
