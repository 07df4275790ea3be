#!/usr/bin/env bash
# A test CA and a server certificate for 127.0.0.1 signed by it, for the FTPS servers.
# Usage: certificates.sh FOLDER   (writes ca.pem, server.pem, server.key)
set -euo pipefail
cd "$1"
openssl req -x509 -newkey rsa:2048 -nodes -keyout ca.key -out ca.pem -days 3 \
    -subj "/CN=Zarvento test CA" 2>/dev/null
openssl req -newkey rsa:2048 -nodes -keyout server.key -out server.csr -subj "/CN=127.0.0.1" \
    2>/dev/null
printf 'subjectAltName=IP:127.0.0.1\n' >server.ext
openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -out server.pem \
    -days 3 -extfile server.ext 2>/dev/null
chmod 644 server.key
