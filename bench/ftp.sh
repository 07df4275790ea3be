#!/usr/bin/env bash
# FTP benchmark against one pyftpdlib server on loopback, started once for every comparison:
#   1. a 256 MB upload through the client's block-wise upload (an event and a pump per 255-byte
#      block) against curl -T of the same file; prints upload256mb_vs_curl ratio=R (ours / curl,
#      median of the runs).
#   2. a route of small files through the backup engine against lftp (see the marked place below).
#   bench/ftp.sh [runs] [megabytes]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
install_missing "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" "${BENCH_PACKAGES[@]}"

runs=${1:-3}
megabytes=${2:-256}
build=build-bench
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DZARVENTO_BUILD_BENCH=ON -DZARVENTO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target zarvento_bench_ftp >/dev/null
uploader=$PWD/$build/bench/ftp/zarvento_bench_ftp
work=$PWD/$build/bench-ftp-work
rm -rf "$work"
mkdir -p "$work/root" "$work/local"

user=bench
password=bench-pass
port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
server=127.0.0.1:$port
/usr/bin/python3 -m pyftpdlib -i 127.0.0.1 -p "$port" -u "$user" -P "$password" -d "$work/root" -w \
    >"$work/server.log" 2>&1 &
server_pid=$!
cleanup() {
    kill "$server_pid" 2>/dev/null || true
    wait "$server_pid" 2>/dev/null || true
    rm -rf "$work"
}
trap cleanup EXIT
for _ in $(seq 1 100); do
    (exec 3<>"/dev/tcp/127.0.0.1/$port") 2>/dev/null && break
    sleep 0.1
done

seconds() {
    local start end
    start=$(date +%s.%N)
    "$@" >/dev/null
    end=$(date +%s.%N)
    echo "$end - $start" | bc -l
}
median() { printf '%s\n' "$@" | sort -g | awk '{a[NR]=$1} END {print a[int((NR+1)/2)]}'; }
ratio() { echo "scale=3; $1 / $2" | bc -l | sed 's/^\./0./'; }

# 1. Large file upload.
big=$work/local/big.bin
head -c "$((megabytes * 1024 * 1024))" /dev/urandom >"$big"
ours=() peer=()
for _ in $(seq 1 "$runs"); do
    rm -f "$work/root/ours.bin" "$work/root/peer.bin"
    ours+=("$(seconds "$uploader" "$server" "$user" "$password" "$big" /ours.bin)")
    peer+=("$(seconds curl -sS -T "$big" -u "$user:$password" "ftp://$server/peer.bin")")
done
cmp -s "$big" "$work/root/ours.bin" && echo "uploaded copy identical to the source"
echo "upload${megabytes}mb_vs_curl ratio=$(ratio "$(median "${ours[@]}")" "$(median "${peer[@]}")") ours=$(median "${ours[@]}")s curl=$(median "${peer[@]}")s"
rm -f "$big" "$work/root/ours.bin" "$work/root/peer.bin"

# 2. Small files through the backup engine against lftp.
# ---- engine route vs lftp: added with the engine's FTP destination ----
# The server above ($server, $user, $password, served folder $work/root) is still running here.
# ---- end of the engine route comparison ----
