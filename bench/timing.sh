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
