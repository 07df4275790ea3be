#!/usr/bin/env bash
# FTP benchmark on loopback, every comparison against a peer measured in the same run on the
# same server:
#   upload256mb_vs_curl: a 256 MB file through the backup engine (its progress notice and event
#     pump as in a real run) against curl -T;
#   smallfiles_first_vs_lftp, smallfiles_nochange_vs_lftp: 2,000 small files in 50 folders,
#     the engine's differential run onto an empty server and again with nothing changed, against
#     lftp mirror -R doing the same;
#   restore_vs_lftp: the local benchmark's tree (20,000 files in 500 folders and 3 large files)
#     backed up once with its record, then restored from pyftpdlib into a new folder, against
#     lftp mirror of the same folder;
# each on pyftpdlib and on vsftpd (vsftpd needs root), and the small-file pair again on a
# pyftpdlib whose every reply waits 10 ms (*_rtt10ms). Prints name ratio=R (ours / peer,
# median of the runs).
#   bench/ftp.sh [runs] [megabytes] [runs of the rtt10ms pair] [files of the restored tree]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
source bench/timing.sh
install_missing "${BUILD_PACKAGES[@]}" "${TEST_PACKAGES[@]}" "${BENCH_PACKAGES[@]}"

runs=${1:-3}
megabytes=${2:-256}
slow_runs=${3:-1}
tree_files=${4:-20000}
build_bench zarvento_bench_local zarvento_bench_restore
engine=$PWD/$build/bench/local/zarvento_bench_local
restore=$PWD/$build/bench/local/zarvento_bench_restore
work=$PWD/$build/bench-ftp-work
rm -rf "$work"
mkdir -p "$work/log" "$work/big"

user=bench
password=bench-pass
pids=()
cleanup() {
    local pid
    for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
    for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null || true; done
    rm -rf "$work"
}
trap cleanup EXIT
free_port() {
    /usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
wait_listening() {
    for _ in $(seq 1 100); do
        (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null && return 0
        sleep 0.1
    done
    echo "server on port $1 did not start" >&2
    return 1
}
# start_server NAME: sets port and remote (the served folder's path as the server shows it).
start_server() {
    local name=$1 served=$work/$1-root
    mkdir -p "$served" "$work/$name-state"
    port=$(free_port)
    case $name in
    pyftpdlib)
        /usr/bin/python3 -m pyftpdlib -i 127.0.0.1 -p "$port" -u "$user" -P "$password" \
            -d "$served" -w >"$work/$name-state/log" 2>&1 &
        remote= ;;
    rtt10ms)
        /usr/bin/python3 bench/ftp/slow_pyftpd.py "$port" "$user" "$password" "$served" \
            >"$work/$name-state/log" 2>&1 &
        remote= ;;
    vsftpd)
        chmod 755 "$work" "$(dirname "$work")"
        tests/ftp/servers/vsftpd.sh "$port" "zarventobench" "$password" "$served" \
            "$work/$name-state" >"$work/$name-state/log" 2>&1 &
        remote=$served ;;
    esac
    pids+=($!)
    wait_listening "$port"
}
login_user() { [ "$1" = vsftpd ] && echo zarventobench || echo "$user"; }

# 2,000 files of 200 bytes to 8 KB in 50 folders.
python3 - "$work/small" <<'PY'
import os, sys
for i in range(2000):
    d = os.path.join(sys.argv[1], f"carpeta{i % 50:02d}")
    os.makedirs(d, exist_ok=True)
    with open(os.path.join(d, f"archivo{i:04d}.txt"), "wb") as f:
        f.write(os.urandom(200 + (i * 37) % 8000))
PY
head -c "$((megabytes * 1024 * 1024))" /dev/urandom >"$work/big/big.bin"

# small_files NAME SUFFIX RUNS
small_files() {
    local name=$1 suffix=$2 count=$3 u
    u=$(login_user "$name")
    local first_ours=() first_peer=() same_ours=() same_peer=()
    for _ in $(seq 1 "$count"); do
        rm -rf "${work:?}/$name-root/e" "${work:?}/$name-root/l"
        first_ours+=("$(seconds "$engine" "$work/small" "$remote/e" differential "$work/log" "127.0.0.1:$port" "$u" "$password")")
        same_ours+=("$(seconds "$engine" "$work/small" "$remote/e" differential "$work/log" "127.0.0.1:$port" "$u" "$password")")
        first_peer+=("$(seconds lftp -u "$u,$password" -e "set cmd:fail-exit yes; mirror -R $work/small $remote/l/small; quit" "ftp://127.0.0.1:$port")")
        same_peer+=("$(seconds lftp -u "$u,$password" -e "set cmd:fail-exit yes; mirror -R $work/small $remote/l/small; quit" "ftp://127.0.0.1:$port")")
    done
    diff -r "$work/small" "$work/$name-root/e/small" >/dev/null || echo "$name: engine copy differs from the source"
    echo "smallfiles_first_vs_lftp$suffix ratio=$(ratio "$(median "${first_ours[@]}")" "$(median "${first_peer[@]}")") ours=$(median "${first_ours[@]}")s lftp=$(median "${first_peer[@]}")s"
    echo "smallfiles_nochange_vs_lftp$suffix ratio=$(ratio "$(median "${same_ours[@]}")" "$(median "${same_peer[@]}")") ours=$(median "${same_ours[@]}")s lftp=$(median "${same_peer[@]}")s"
}

# big_file NAME SUFFIX
big_file() {
    local name=$1 suffix=$2 u
    u=$(login_user "$name")
    local ours=() peer=()
    for _ in $(seq 1 "$runs"); do
        rm -rf "${work:?}/$name-root/b" "${work:?}/$name-root/peer.bin"
        ours+=("$(seconds "$engine" "$work/big" "$remote/b" full "$work/log" "127.0.0.1:$port" "$u" "$password")")
        peer+=("$(seconds curl -sS -T "$work/big/big.bin" -u "$u:$password" "ftp://127.0.0.1:$port/${remote:+%2F${remote#/}/}peer.bin")")
    done
    cmp -s "$work/big/big.bin" "$work/$name-root/b/big/big.bin" || echo "$name: uploaded copy differs from the source"
    echo "upload${megabytes}mb_vs_curl$suffix ratio=$(ratio "$(median "${ours[@]}")" "$(median "${peer[@]}")") ours=$(median "${ours[@]}")s curl=$(median "${peer[@]}")s"
}

# restore_tree NAME SUFFIX
restore_tree() {
    local name=$1 suffix=$2 u round
    u=$(login_user "$name")
    local ours=() peer=()
    "$restore" respaldar "$work/tree" "$remote/r" "127.0.0.1:$port" "$u" "$password"
    for round in $(seq 1 "$runs"); do
        sync
        ours+=("$(seconds "$restore" restaurar "$remote/r" "$work/rx$round" "127.0.0.1:$port" "$u" "$password")")
        sync
        peer+=("$(seconds lftp -u "$u,$password" -e "set cmd:fail-exit yes; mirror $remote/r/tree $work/ry$round/tree; quit" "ftp://127.0.0.1:$port")")
    done
    diff -r "$work/tree" "$work/rx$runs/tree" >/dev/null || echo "$name: restored tree differs from the source"
    echo "restore_vs_lftp$suffix ratio=$(ratio "$(median "${ours[@]}")" "$(median "${peer[@]}")") ours=$(median "${ours[@]}")s lftp=$(median "${peer[@]}")s"
}

start_server pyftpdlib
big_file pyftpdlib ""
small_files pyftpdlib "" "$runs"
make_tree "$work/tree" "$tree_files" 500 3
restore_tree pyftpdlib ""
if [ "$(id -u)" -eq 0 ]; then
    start_server vsftpd
    big_file vsftpd _vsftpd
    small_files vsftpd _vsftpd "$runs"
else
    echo "vsftpd skipped: it needs root to make its login user" >&2
fi
start_server rtt10ms
small_files rtt10ms _rtt10ms "$slow_runs"
