#!/usr/bin/env bash
# Makes the harness's certificate authority in <folder>, unless it is there already: ca.pem (its
# certificate) and ca.key, which sign the test servers' certificates, and other-ca.pem, the
# certificate of another CA that signs nothing here (trusting it instead must fail verification).
# Several scripts may run it at once.
#
#   ca.sh <folder>
set -euo pipefail

ca=$1
mkdir -p "$ca"
exec 9>"$ca/.lock"
flock 9
if [ -s "$ca/ca.pem" ] && [ -s "$ca/ca.key" ] && [ -s "$ca/other-ca.pem" ]; then
    exit 0
fi
new_ca() {
    openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 -nodes -days 3650 \
        -subj "/CN=$3" -keyout "$2" -out "$1" 2>/dev/null
}
new_ca "$ca/other-ca.pem" "$ca/other-ca.key" "Another CA"
rm -f "$ca/other-ca.key"
new_ca "$ca/ca.pem" "$ca/ca.key" "Zarvento test CA"
chmod 600 "$ca/ca.key"
