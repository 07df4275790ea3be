#!/usr/bin/env bash
# Local backup benchmark: the engine against cp -a (full backup) and rsync -a (differential runs)
# on the same generated tree, a restore of its copy against cp -a, and a week of weekday folders
# against rsync --link-dest, in one run. Prints one line per comparison, ratio = engine / peer
# (median of the runs; the week's total), and the engine's peak memory at two tree sizes.
#   bench/local.sh [files] [folders] [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
source bench/timing.sh
install_missing "${BUILD_PACKAGES[@]}" "${BENCH_PACKAGES[@]}"

files=${1:-20000}
folders=${2:-500}
runs=${3:-5}
build_bench zarvento_bench_local zarvento_bench_restore zarvento_bench_proof
engine=$PWD/$build/bench/local/zarvento_bench_local
restore=$PWD/$build/bench/local/zarvento_bench_restore
proof=$PWD/$build/bench/comprobacion/zarvento_bench_proof
work=$PWD/$build/bench-work
rm -rf "$work"
mkdir -p "$work/log"

touch_one_percent() { # root round
    python3 - "$1" "$2" <<'PY'
import os, random, sys, time
root, rnd = sys.argv[1], int(sys.argv[2])
paths = sorted(os.path.join(d, f) for d, _, fs in os.walk(root) for f in fs if f.endswith(".dat"))
random.seed(100 + rnd)
stamp = time.time() + 10 * (rnd + 1)
for p in random.sample(paths, max(1, len(paths) // 100)):
    with open(p, "ab") as f:
        f.write(b"changed")
    os.utime(p, (stamp, stamp))
PY
}

echo "Generating $files files in $folders folders and 3 large files..."
make_tree "$work/src" "$files" "$folders" 3
du -sh "$work/src" | sed 's/^/tree size: /'

full_engine=() full_cp=() same_engine=() same_rsync=() changed_engine=() changed_rsync=()
proof_runs=()
# The engine's step and the peer's step of a round, in turns going first, each starting with
# nothing left to write back: a copy's delayed writes would otherwise slow whichever tool runs
# next. Full copies go to a new folder each round and are removed only at the end, as removing
# thousands of files right before a copy slows the file system's choice of new inodes for a while.
in_turns() { # engine-step peer-step
    local turn
    for turn in $(( round % 2 )) $(( 1 - round % 2 )); do
        sync
        if [ "$turn" = 0 ]; then "$1"; else "$2"; fi
    done
}
engine_full() {
    mkdir -p "$work/e$round"
    full_engine+=("$(seconds "$engine" "$work/src" "$work/e$round" full "$work/log")")
}
cp_full() {
    mkdir -p "$work/c$round"
    full_cp+=("$(seconds cp -a "$work/src" "$work/c$round/src")")
}
engine_same() { same_engine+=("$(seconds "$engine" "$work/src" "$work/e" differential "$work/log")"); }
rsync_same() { same_rsync+=("$(seconds rsync -a "$work/src/" "$work/r/src/")"); }
engine_changed() { changed_engine+=("$(seconds "$engine" "$work/src" "$work/e" differential "$work/log")"); }
rsync_changed() { changed_rsync+=("$(seconds rsync -a "$work/src/" "$work/r/src/")"); }

for round in $(seq 1 "$runs"); do
    in_turns engine_full cp_full
done
mv "$work/e$runs" "$work/e"
mkdir -p "$work/r"; rsync -a "$work/src/" "$work/r/src/"
for round in $(seq 1 "$runs"); do
    in_turns engine_same rsync_same
done
# The proof after a nothing-changed night: its sample of the copy read back and compared.
for round in $(seq 1 "$runs"); do
    sync
    proof_runs+=("$("$proof" files "$work/src" "$work/e/src" "$work/proof")")
done
for round in $(seq 1 "$runs"); do
    touch_one_percent "$work/src" "$round"
    in_turns engine_changed rsync_changed
done
diff -r "$work/src" "$work/e/src" >/dev/null && echo "engine copy identical to the source"

# Restores of one copy (with its record, as a run leaves it) into a new folder each round,
# against cp -a of the copy's folder.
"$restore" respaldar "$work/src" "$work/copia" >/dev/null
restore_engine=() restore_cp=()
engine_restore() { restore_engine+=("$(seconds "$restore" restaurar "$work/copia" "$work/x$round")"); }
cp_restore() {
    mkdir -p "$work/y$round"
    restore_cp+=("$(seconds cp -a "$work/copia/src" "$work/y$round/src")")
}
for round in $(seq 1 "$runs"); do
    in_turns engine_restore cp_restore
done
diff -r "$work/src" "$work/x$runs/src" >/dev/null && echo "restored tree identical to the source"

echo "full_vs_cp ratio=$(ratio "$(median "${full_engine[@]}")" "$(median "${full_cp[@]}")") engine=$(median "${full_engine[@]}")s cp=$(median "${full_cp[@]}")s"
echo "nochange_vs_rsync ratio=$(ratio "$(median "${same_engine[@]}")" "$(median "${same_rsync[@]}")") engine=$(median "${same_engine[@]}")s rsync=$(median "${same_rsync[@]}")s"
echo "proof_vs_full ratio=$(ratio "$(median "${proof_runs[@]}")" "$(median "${full_engine[@]}")") proof=$(median "${proof_runs[@]}")s full=$(median "${full_engine[@]}")s"
echo "changed1pct_vs_rsync ratio=$(ratio "$(median "${changed_engine[@]}")" "$(median "${changed_rsync[@]}")") engine=$(median "${changed_engine[@]}")s rsync=$(median "${changed_rsync[@]}")s"
echo "restore_vs_cp ratio=$(ratio "$(median "${restore_engine[@]}")" "$(median "${restore_cp[@]}")") restore=$(median "${restore_engine[@]}")s cp=$(median "${restore_cp[@]}")s"

# A week of differential runs into weekday folders, 1 % of the files changed before every day but
# the first: the engine sharing unchanged files between the days, rsync linking them to the day
# before (--link-dest), and the engine keeping independent copies. Each day starts after a sync,
# the three in turns going first.
week_engine=() week_rsync=() week_independent=()
engine_day() { week_engine+=("$(seconds "$engine" "$work/src" "$work/we" differential "$work/log" "$date")"); }
independent_day() { week_independent+=("$(seconds "$engine" "$work/src" "$work/wi" independent "$work/log" "$date")"); }
rsync_day() {
    local link=()
    [ "$day" -gt 0 ] && link=(--link-dest="$work/wr/d$((day - 1))/src/")
    mkdir -p "$work/wr/d$day" # rsync makes only the last level of its destination
    week_rsync+=("$(seconds rsync -a "${link[@]}" "$work/src/" "$work/wr/d$day/src/")")
}
mkdir -p "$work/we" "$work/wi" "$work/wr"
for day in 0 1 2 3 4 5 6; do
    date=$(date -d "2026-12-07 + $day days" +%F)
    [ "$day" -gt 0 ] && touch_one_percent "$work/src" $((100 + day))
    steps=(engine_day rsync_day independent_day)
    for turn in 0 1 2; do
        sync
        "${steps[$(( (turn + day) % 3 ))]}"
    done
done
sum() { printf '%s\n' "$@" | paste -sd+ | bc -l; }
kib() { du -sk "$1" | cut -f1; }
one_copy=$(kib "$work/src")
echo "week_disk_vs_one_copy ratio=$(ratio "$(kib "$work/we")" "$one_copy") rsync_linkdest=$(ratio "$(kib "$work/wr")" "$one_copy") independent=$(ratio "$(kib "$work/wi")" "$one_copy") one_copy_kib=$one_copy"
echo "week_time_vs_rsync_linkdest ratio=$(ratio "$(sum "${week_engine[@]}")" "$(sum "${week_rsync[@]}")") engine=$(sum "${week_engine[@]}")s rsync=$(sum "${week_rsync[@]}")s independent=$(sum "${week_independent[@]}")s"
rm -rf "$work/we" "$work/wi" "$work/wr"

# Peak memory of a full backup at two tree sizes (large files left out: they cost no memory).
peak() { # files
    rm -rf "$work/m" "$work/mdst"; mkdir -p "$work/mdst"
    make_tree "$work/m" "$1" "$folders" 0
    /usr/bin/time -f %M "$engine" "$work/m" "$work/mdst" full "$work/log" 2>&1 >/dev/null | tail -n 1
}
small=$(peak "$files")
big=$(peak $((files * 5)))
echo "peak_memory files=$files kib=$small files=$((files * 5)) kib=$big ratio=$(ratio "$big" "$small")"
rm -rf "$work"
