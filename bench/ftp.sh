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
source bench/timing.sh
install_missing "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" "${BENCH_PACKAGES[@]}"

runs=${1:-3}
megabytes=${2:-256}
build_bench zarvento_bench_ftp zarvento_bench_local
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
# 2000 small files in 50 folders: the engine (one fresh login per folder attempt and per upload,
# as the agent does) against one lftp session mirroring the same tree.
engine=$PWD/$build/bench/local/zarvento_bench_local
python3 - "$work/small" <<'PY'
import os, sys
for i in range(2000):
    d = os.path.join(sys.argv[1], f"carpeta{i % 50:02d}")
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, f"archivo{i:04d}.txt"), "wb") as f:
        f.write(os.urandom(200 + (i * 37) % 8000))
PY
mkdir -p "$work/log"
ours=() peer=()
for _ in $(seq 1 "$runs"); do
    rm -rf "$work/root/e" "$work/root/l"
    ours+=("$(seconds "$engine" "$work/small" /e full "$work/log" "$server" "$user" "$password")")
    peer+=("$(seconds lftp -u "$user,$password" -e "set cmd:fail-exit yes; mirror -R $work/small /l/small; quit" "ftp://$server")")
done
diff -r "$work/small" "$work/root/e/small" >/dev/null && echo "engine upload identical to the source"
echo "smallfiles_vs_lftp ratio=$(ratio "$(median "${ours[@]}")" "$(median "${peer[@]}")") ours=$(median "${ours[@]}")s lftp=$(median "${peer[@]}")s"
