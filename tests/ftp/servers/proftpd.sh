#!/usr/bin/env bash
# proftpd for the tests, in the foreground on loopback, from its own configuration, with one
# virtual user (its own password file, no PAM) mapped onto the system user that vsftpd.sh made.
# proftpd conflicts with vsftpd as an installed package, so it is unpacked (once) into a cache
# folder instead, with the shared libraries it needs that this machine lacks. It is built
# without ident lookups; reverse DNS lookups are turned off (each cost a delay per login).
# Usage: proftpd.sh PORT USER PASSWORD FOLDER STATE_FOLDER
set -euo pipefail
port=$1 user=$2 password=$3 folder=$4 state=$5
cache=${ZARVENTO_TEST_SERVERS:-/var/cache/zarvento-test-servers}
unpacked=$cache/proftpd
libraries=$unpacked/usr/lib/x86_64-linux-gnu

# The library packages a package depends on, first choice of each alternative.
library_dependencies() {
    apt-cache depends "$1" | awk '/^ +\|?(Pre)?Depends: lib/ { print $2 }' | sort -u
}
installed() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q "install ok installed"; }

# Test programs start their servers at the same time: one unpacks, the others wait for it.
mkdir -p "$cache"
exec 9>"$cache/proftpd.lock"
flock 9
if [ ! -x "$unpacked/usr/sbin/proftpd" ]; then
    rm -rf "$cache/debs/proftpd" "$unpacked.new"
    mkdir -p "$cache/debs/proftpd" "$unpacked.new"
    wanted=(proftpd-core) fetched=()
    while ((${#wanted[@]})); do
        package=${wanted[0]} wanted=("${wanted[@]:1}")
        [[ " ${fetched[*]} " == *" $package "* ]] && continue
        fetched+=("$package")
        for dependency in $(library_dependencies "$package"); do
            installed "$dependency" || wanted+=("$dependency")
        done
    done
    (cd "$cache/debs/proftpd" && apt-get download "${fetched[@]}" >/dev/null)
    for deb in "$cache"/debs/proftpd/*.deb; do dpkg-deb -x "$deb" "$unpacked.new"; done
    rm -rf "$unpacked" && mv "$unpacked.new" "$unpacked"
fi
exec 9>&-
export LD_LIBRARY_PATH=$libraries
if missing=$(ldd "$unpacked/usr/sbin/proftpd" | grep "not found"); then
    echo "proftpd lacks shared libraries: $missing" >&2
    exit 1
fi

uid=$(id -u "$user") gid=$(id -g "$user")
chown "$user" "$folder"
printf '%s:%s:%s:%s::%s:/bin/false\n' "$user" "$(openssl passwd -6 "$password")" "$uid" "$gid" \
    "$folder" >"$state/passwd"
chmod 600 "$state/passwd"
cat >"$state/proftpd.conf" <<CONF
ServerType standalone
DefaultAddress 127.0.0.1
SocketBindTight on
Port $port
PassivePorts 49152 65534
User $user
Group $(id -gn "$user")
Umask 022
AllowOverwrite on
UseIPv6 off
UseReverseDNS off
WtmpLog off
ScoreboardFile $state/proftpd.scoreboard
PidFile $state/proftpd.pid
DelayTable none
AuthOrder mod_auth_file.c
AuthUserFile $state/passwd
AuthPAM off
RequireValidShell off
CONF
exec "$unpacked/usr/sbin/proftpd" --nodaemon --config "$state/proftpd.conf"
