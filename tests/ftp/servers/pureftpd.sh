#!/usr/bin/env bash
# pure-ftpd for the tests, in the foreground on loopback, logging in the system user that
# vsftpd.sh made. pure-ftpd conflicts with vsftpd as an installed package, so it is unpacked
# (once) into a cache folder instead of being installed.
# Usage: pureftpd.sh PORT USER FOLDER
set -euo pipefail
port=$1 user=$2 folder=$3
cache=${ZARVENTO_TEST_SERVERS:-/var/cache/zarvento-test-servers}
# Test programs start their servers at the same time: one unpacks, the others wait for it.
mkdir -p "$cache"
exec 9>"$cache/pure-ftpd.lock"
flock 9
if [ ! -x "$cache/pure-ftpd/usr/sbin/pure-ftpd" ]; then
    mkdir -p "$cache/debs" "$cache/pure-ftpd"
    (cd "$cache/debs" && apt-get download pure-ftpd pure-ftpd-common >/dev/null)
    for deb in "$cache"/debs/pure-ftpd*.deb; do dpkg-deb -x "$deb" "$cache/pure-ftpd"; done
fi
exec 9>&-
chown "$user" "$folder"
# -l unix: system accounts; -E: no anonymous logins; -H: no reverse lookups.
exec "$cache/pure-ftpd/usr/sbin/pure-ftpd" -S "127.0.0.1,$port" -l unix -E -H
