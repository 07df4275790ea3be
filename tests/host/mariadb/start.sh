#!/usr/bin/env bash
# Starts a private MariaDB server on loopback for the tests and loads the schema.
#
#   start.sh <state folder> <sql folder> [--tls required|offered|off] [--ca <folder>]
#
# Registered as the CTest fixture "mariadb" (FIXTURES_SETUP); stop.sh is its cleanup. A test that
# needs the server says FIXTURES mariadb and reads the INI file named by the CMake variable
# ZARVENTO_MARIADB_CONNECTION_FILE (<state folder>/connection.ini), section [mariadb]:
#   host, port, database       where the server listens and the schema's database
#   user, password             a user with every right on the database
#   readonly_user, readonly_password   a user that may only read it
#   socket, datadir            the server's socket file (root may log in there without a
#                              password) and its data folder
#   ca                         the CA certificate that signs the server's (empty without TLS)
#   other_ca                   another CA's certificate, which signs nothing here
# tests/support/MariaDbServer.h reads this file.
#
# TLS: "required" (the default) serves a certificate for 127.0.0.1 signed by the harness's CA
# and refuses clients without TLS over TCP (require_secure_transport; the socket file stays
# open to root); "offered" serves the same certificate without refusing anyone; "off" has no
# TLS at all. The CA is made by ca.sh in the --ca folder (default <state folder>/ca) unless it
# is there already, so servers and builds can share one.
#
# The data folder is a fresh temporary directory; a server left over from an earlier run of the
# same state folder is stopped first, so it never blocks a new one.
set -euo pipefail

state=$1
sql=$2
shift 2
tls=required
ca=$state/ca
while [ $# -gt 0 ]; do
    case $1 in
    --tls) tls=$2 ;;
    --ca) ca=$2 ;;
    *) echo "start.sh: unknown option $1" >&2 && exit 2 ;;
    esac
    shift 2
done
here=$(cd "$(dirname "$0")" && pwd)

mkdir -p "$state"
bash "$here/stop.sh" "$state" >/dev/null 2>&1 || true

data=$(mktemp -d "${TMPDIR:-/tmp}/zarvento-mariadb.XXXXXX")
echo "$data" >"$state/datadir"
socket=$data/mysqld.sock
rm -f "$state/connection.ini"

port=$(python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')

run_as=()
[ "$(id -u)" -eq 0 ] && run_as=(--user=root)

# The server's certificate, for 127.0.0.1 only, signed by the harness's CA.
tls_options=(--skip-ssl)
ca_file=
other_ca_file=
if [ "$tls" != off ]; then
    bash "$here/ca.sh" "$ca"
    ca_file=$(cd "$ca" && pwd)/ca.pem
    other_ca_file=$(dirname "$ca_file")/other-ca.pem
    openssl req -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -subj "/CN=127.0.0.1" \
        -keyout "$state/server.key" -out "$state/server.csr" 2>/dev/null
    openssl x509 -req -in "$state/server.csr" -CA "$ca_file" -CAkey "${ca_file%.pem}.key" \
        -days 30 -set_serial "$RANDOM$RANDOM" -extfile <(echo "subjectAltName=IP:127.0.0.1") \
        -out "$state/server.pem" 2>/dev/null
    tls_options=(--ssl-ca="$ca_file" --ssl-cert="$state/server.pem" --ssl-key="$state/server.key")
    if [ "$tls" = required ]; then
        tls_options+=(--require-secure-transport=ON)
    fi
fi

# A temporary folder of the server's own: the shared one is cleaned by other programs too.
mkdir -p "$state/tmp"
mariadb-install-db --no-defaults --datadir="$data" --auth-root-authentication-method=normal \
    --skip-test-db --skip-name-resolve --tmpdir="$state/tmp" "${run_as[@]}" \
    >"$state/install.log" 2>&1 || {
    cat "$state/install.log" >&2
    exit 1
}

setsid /usr/sbin/mariadbd --no-defaults --datadir="$data" --socket="$socket" --port="$port" \
    --bind-address=127.0.0.1 --skip-networking=0 --skip-name-resolve --tmpdir="$state/tmp" \
    "${run_as[@]}" --pid-file="$data/mariadbd.pid" --log-error="$state/server.log" \
    --innodb-buffer-pool-size=16M --innodb-log-file-size=8M --skip-log-bin \
    --max-connections=50 "${tls_options[@]}" </dev/null >/dev/null 2>&1 &
starter=$!

admin() { mariadb --no-defaults --socket="$socket" -uroot "$@"; }

for _ in $(seq 1 120); do
    if admin -e 'SELECT 1' >/dev/null 2>&1; then
        break
    fi
    if ! kill -0 "$starter" 2>/dev/null; then
        echo "The MariaDB server ended while starting:" >&2
        cat "$state/server.log" >&2
        exit 1
    fi
    sleep 0.25
done
admin -e 'SELECT 1' >/dev/null || {
    echo "The MariaDB server did not answer within 30 seconds" >&2
    exit 1
}
# The server's own pid file names the process that stop.sh ends.
cp "$data/mariadbd.pid" "$state/pid"

user=zarvento_test
password="Pw-$RANDOM$RANDOM"
readonly_user=zarvento_lector
readonly_password="Ro-$RANDOM$RANDOM"
database=orlanet_liberaktq

for file in "$sql"/*.sql; do
    admin <"$file"
done
admin <<SQL
CREATE USER '$user'@'127.0.0.1' IDENTIFIED BY '$password';
GRANT ALL PRIVILEGES ON \`$database\`.* TO '$user'@'127.0.0.1';
CREATE USER '$readonly_user'@'127.0.0.1' IDENTIFIED BY '$readonly_password';
GRANT SELECT ON \`$database\`.* TO '$readonly_user'@'127.0.0.1';
SQL

cat >"$state/connection.ini" <<INI
[mariadb]
host=127.0.0.1
port=$port
database=$database
user=$user
password=$password
readonly_user=$readonly_user
readonly_password=$readonly_password
socket=$socket
datadir=$data
ca=$ca_file
other_ca=$other_ca_file
INI
echo "MariaDB test server on 127.0.0.1:$port, TLS $tls (data in $data)"
