#!/usr/bin/env bash
# Database proof benchmark: the proof's load of a dump into its scratch server, with the check of
# every table and the row counts, against `mariadb < dump.sql` into an empty server, on the same
# dump (a database of a few tables and some hundred thousand rows, dumped by mariadb-dump).
# Prints proof_db_vs_mariadb ratio=R (proof / peer, median of the runs).
#   bench/proof.sh [rows] [runs]
set -euo pipefail
cd "$(dirname "$0")/.."
source scripts/packages.sh
source bench/timing.sh
install_missing "${BUILD_PACKAGES[@]}" "${BENCH_PACKAGES[@]}" mariadb-server mariadb-client

rows=${1:-300000}
runs=${2:-5}
build_bench zarvento_bench_proof
proof=$PWD/$build/bench/comprobacion/zarvento_bench_proof
work=$PWD/$build/bench-proof
rm -rf "$work"
mkdir -p "$work"
trap 'bash tests/host/mariadb/stop.sh "$work/peer" >/dev/null 2>&1 || true; rm -rf "$work"' EXIT

bash tests/host/mariadb/start.sh "$work/peer" sql >/dev/null
peer() { mariadb --no-defaults --socket="$(cat "$work/peer/datadir")/mysqld.sock" -uroot "$@"; }
peer <<SQL
CREATE DATABASE tienda;
USE tienda;
CREATE TABLE articulos (id INT PRIMARY KEY, nombre VARCHAR(60), precio DECIMAL(10,2));
CREATE TABLE ventas (id INT AUTO_INCREMENT PRIMARY KEY, articulo INT, cantidad INT,
                     fecha DATETIME, nota VARCHAR(80), KEY (articulo));
INSERT INTO articulos SELECT seq, CONCAT('Artículo ', seq), seq % 977 / 7 FROM seq_1_to_5000;
INSERT INTO ventas (articulo, cantidad, fecha, nota)
    SELECT seq % 5000 + 1, seq % 7 + 1, '2026-01-01' + INTERVAL seq MINUTE,
           CONCAT('venta ''', seq, ''' de prueba') FROM seq_1_to_$rows;
SQL
peer -e 'SELECT 1' >/dev/null
mariadb-dump --no-defaults --socket="$(cat "$work/peer/datadir")/mysqld.sock" -uroot \
    --single-transaction --routines --events --triggers --hex-blob --databases tienda \
    >"$work/tienda.sql"
du -h "$work/tienda.sql" | sed 's/^/dump size: /'

load_peer() { peer <"$work/tienda.sql"; }
ours=() theirs=()
for round in $(seq 1 "$runs"); do
    peer -e 'DROP DATABASE tienda'
    sync
    theirs+=("$(seconds load_peer)")
    sync
    ours+=("$("$proof" base "$work/tienda.sql" tienda "$work/scratch")")
done
echo "proof_db_vs_mariadb ratio=$(ratio "$(median "${ours[@]}")" "$(median "${theirs[@]}")") proof=$(median "${ours[@]}")s mariadb=$(median "${theirs[@]}")s"
