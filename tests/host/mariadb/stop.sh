#!/usr/bin/env bash
# Stops the test server that start.sh started for this state folder and removes its data folder.
# Harmless when none is running.
#
#   stop.sh <state folder>
set -uo pipefail

state=$1
data=$(cat "$state/datadir" 2>/dev/null || true)
pid=$(cat "$state/pid" 2>/dev/null || true)

# Only a mariadbd serving our own data folder is ours to stop.
ours() {
    [ -n "$pid" ] && [ -n "$data" ] && cat "/proc/$pid/cmdline" 2>/dev/null | tr '\0' ' ' |
        grep -q -- "--datadir=$data "
}

if ours; then
    kill -TERM "$pid" 2>/dev/null
    for _ in $(seq 1 120); do
        kill -0 "$pid" 2>/dev/null || break
        sleep 0.25
    done
    ours && kill -KILL "$pid" 2>/dev/null
fi

case "$data" in
*/zarvento-mariadb.*) rm -rf "$data" ;;
esac
rm -f "$state/pid" "$state/datadir" "$state/connection.ini" "$state"/server.{pem,key,csr}
exit 0
