#!/usr/bin/env bash
# Installs what is missing (Debian 12, as root), builds the agent, lays out a demo setup in
# demo/ with a private report server (MariaDB on a loopback port, the schema from sql/) and
# starts the agent on it; the agent makes its overdue backup at once. The script then prints
# Bitacora.log, the destination tree and the run records the agent stored. Without a display the
# agent runs on the offscreen platform and is stopped with the server; with a display the window
# is left up, restored, and the script says how to stop both.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD
demo=$root/demo
build=$root/build-demo
report_ca=$build/central-ca

demo_build() {
    source scripts/packages.sh
    install_missing "${BUILD_PACKAGES[@]}" "${DEMO_PACKAGES[@]}" mariadb-server
    # The machine-wide registry store of this build lives inside demo/, so the demo never
    # touches the system's own folder. The report server's certificate comes from a CA of the
    # demo's own, which the build brings beside the agent (central-ca.pem).
    bash tests/host/mariadb/ca.sh "$report_ca"
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DZARVENTO_BUILD_TESTS=OFF \
        -DZARVENTO_MACHINE_REGISTRY_DIR="$demo/registro" -DZARVENTO_CENTRAL_CA="$report_ca/ca.pem"
    cmake --build "$build" -j"$(nproc)" --target zarvento
}

# Text files of the demo end their lines with CR LF, as the agent writes them.
crlf() { printf '%s\r\n' "$@"; }

demo_layout() {
    rm -rf "$demo"
    mkdir -p "$demo"/{copias,quillon,registro,config}
    cp -r "$build/zarvento" "$demo/programa"

    # Sample documents with subfolders, and the host product's data folder.
    mkdir -p "$demo/documentos/Cartas/2026" "$demo/documentos/Facturas/Diciembre" \
        "$demo/quillon/data/tienda"
    echo "Estimado cliente: le confirmamos su pedido." >"$demo/documentos/Cartas/2026/pedido.txt"
    echo "Reunión del lunes a las 10:00." >"$demo/documentos/Cartas/nota.txt"
    seq 1 2000 | sed 's/^/línea /' >"$demo/documentos/Facturas/Diciembre/factura-0042.txt"
    echo "Lista de precios" >"$demo/documentos/precios.txt"
    head -c 300000 /dev/urandom >"$demo/quillon/data/tienda/ventas.ibd"
    echo "tabla de ventas" >"$demo/quillon/data/tienda/ventas.frm"

    # The host product's installation, recorded in the machine store for its folder.
    crlf '[SOFTWARE\Merovia\Quillon Premium]' \
        "Ruta de instalación=\"$demo/quillon\"" >"$demo/registro/HKEY_LOCAL_MACHINE.ini"

    local two_days_ago
    two_days_ago=$(date -d '2 days ago' +%Y-%m-%d)
    crlf '[Configuración]' \
        'Respaldos variados=S' \
        'Ciclo=S' \
        'En rutas destino, primero el día=S' \
        'Respaldo en FTP=N' \
        'FTP servidor=DATO SIN DEFINIR' \
        'FTP usuario=DATO SIN DEFINIR' \
        'FTP password=DATO SIN DEFINIR' \
        "Ruta destino=$demo/copias" \
        'Respaldo diferencial=S' \
        'Incluir subdirectorios=S' \
        'Hora del respaldo=23:00' \
        "Ruta de Quillon Premium=$demo/quillon" \
        '[Resultado]' \
        "Último respaldo=$two_days_ago" >"$demo/programa/zarvento.ini"
    crlf "$demo/documentos" >"$demo/programa/RutasARespaldar.txt"
    crlf "$demo/quillon/data/tienda" >"$demo/programa/RutasDATAaRespaldar.txt"
}

# The report server of the demo: a private MariaDB on a free loopback port with the schema, a
# certificate for 127.0.0.1 from the demo's CA and TLS required, and an account for the agent
# that may only add and read rows. The agent takes the account from equipo.ini at its first
# start, as a machine given its own account would.
report_state=$root/build-demo/mariadb-demo
report_start() {
    bash "$root/tests/host/mariadb/start.sh" "$report_state" "$root/sql" --ca "$report_ca" \
        >/dev/null
    local port password
    port=$(sed -n 's/^port=//p' "$report_state/connection.ini")
    password="Demo-$RANDOM$RANDOM"
    report_sql <<SQL
CREATE USER 'zarvento_demo'@'127.0.0.1' IDENTIFIED BY '$password';
GRANT INSERT, SELECT ON orlanet_liberaktq.* TO 'zarvento_demo'@'127.0.0.1';
SQL
    crlf '[Servidor central]' 'Usuario=zarvento_demo' "Password=$password" "Puerto=$port" \
        >"$demo/registro/equipo.ini"
    echo "Report server: MariaDB on 127.0.0.1:$port over TLS only, database orlanet_liberaktq"
}
report_sql() {
    mariadb --no-defaults --socket="$(cat "$report_state/datadir")/mysqld.sock" -uroot \
        orlanet_liberaktq "$@"
}
report_stop() { bash "$root/tests/host/mariadb/stop.sh" "$report_state" >/dev/null 2>&1 || true; }

# Starts the agent in the background; its start-at-log-on entry and per-user store go to
# demo/config, its applications menu entry and icon to demo/datos, instead of the user's own.
demo_start() {
    XDG_CONFIG_HOME="$demo/config" XDG_DATA_HOME="$demo/datos" "$demo/programa/zarvento" "$@" \
        >"$demo/agente.salida" 2>&1 &
    agent_pid=$!
}

# Waits until the agent's first review (and so its catch-up run) has ended.
demo_wait_for_review() {
    local log="$demo/programa/Bitacora.log"
    for _ in $(seq 1 120); do
        if grep -q "Configuración revisada" "$log" 2>/dev/null; then
            return 0
        fi
        if ! kill -0 "$agent_pid" 2>/dev/null; then
            echo "The agent ended before its review:" >&2
            cat "$demo/agente.salida" >&2
            return 1
        fi
        sleep 0.5
    done
    echo "The agent's review did not end within 60 seconds." >&2
    return 1
}

demo_report() {
    echo "===== $demo/programa/Bitacora.log"
    cat "$demo/programa/Bitacora.log"
    echo "===== $demo/copias"
    (cd "$demo/copias" && find . | sort)
    echo "===== the proof of the copy (read back from $demo/copias)"
    grep -E "Copia comprobada|Copia con fallas" "$demo/programa/Bitacora.log" ||
        echo "(no proof: the run did not end well)"
    echo "===== the same copy proven on demand, every file read back: zarvento --comprobar"
    XDG_CONFIG_HOME="$demo/config" XDG_DATA_HOME="$demo/datos" "$demo/programa/zarvento" \
        --comprobar || echo "(exit status $?)"
    echo "===== report server: the run (rdamovtos), one row per backed-up folder (rdamovtosdetalle)"
    echo "      and the proof of its copy (rdacomprobaciones)"
    report_sql -t -e 'SELECT * FROM rdamovtos; SELECT * FROM rdamovtosdetalle;
        SELECT * FROM rdacomprobaciones;'
}

# Brings the agent's window up, restored, on the display (it starts minimised).
demo_restore() {
    local window
    window=$(xdotool search --sync --pid "$agent_pid" --classname zarvento 2>/dev/null | head -1)
    [ -n "$window" ] || return 0
    xdotool windowmap "$window" 2>/dev/null || true
    xdotool windowactivate "$window" 2>/dev/null || true
    agent_window=$window
}

demo_stop() {
    kill "$agent_pid" 2>/dev/null || true
    wait "$agent_pid" 2>/dev/null || true
}

main() {
    demo_build
    demo_layout
    trap report_stop EXIT
    report_start
    if [ -z "${DISPLAY:-}" ]; then
        export QT_QPA_PLATFORM=offscreen
    fi
    demo_start
    if ! demo_wait_for_review; then
        demo_stop
        exit 1
    fi
    demo_report
    if [ -n "${DISPLAY:-}" ]; then
        trap - EXIT
        demo_restore
        echo "The agent keeps running (process $agent_pid), its window up and its icon in the"
        echo "tray; close it with its x button or the tray menu's \"Cerrar\", or: kill $agent_pid"
        echo "Then stop the report server: bash tests/host/mariadb/stop.sh $report_state"
    else
        demo_stop
        echo "Agent and report server stopped."
    fi
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    main "$@"
fi
