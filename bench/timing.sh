# Helpers shared by the benchmarks.

# Builds the named bench drivers (Release, without the tests) into build-bench.
build=build-bench
build_bench() {
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DZARVENTO_BUILD_BENCH=ON -DZARVENTO_BUILD_TESTS=OFF >/dev/null
    cmake --build "$build" -j"$(nproc)" --target "$@" >/dev/null
}

# Seconds taken by a command, to the millisecond.
seconds() {
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
ratio() { echo "scale=3; $1 / $2" | bc -l | sed 's/^\./0./'; }

# A tree of small files of mixed sizes spread over the folders, two levels deep, plus a few large files.
make_tree() { # root files folders large
    python3 - "$@" <<'PY'
import os, random, sys
root, files, folders, large = sys.argv[1], int(sys.argv[2]), int(sys.argv[3]), int(sys.argv[4])
random.seed(7)
dirs = [os.path.join(root, f"d{i // 25:02d}", f"s{i:03d}") for i in range(folders)]
for d in dirs:
    os.makedirs(d, exist_ok=True)
blob = os.urandom(1 << 20)
for n in range(files):
    size = random.choice([200, 1500, 4000, 9000, 30000, 120000])
    start = random.randrange(0, len(blob) - size)
    with open(os.path.join(dirs[n % folders], f"f{n:06d}.dat"), "wb") as f:
        f.write(blob[start:start + size])
for n in range(large):
    with open(os.path.join(root, f"grande{n}.bin"), "wb") as f:
        for _ in range(100 + 10 * n):
            f.write(os.urandom(1 << 20))
PY
}
