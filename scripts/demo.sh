#!/usr/bin/env bash
# Installs what is missing (Debian 12, as root), builds the agent, lays out a demo setup in
# demo/ and starts the agent on it, which makes its overdue backup at once. Without a display
# the agent runs on the offscreen platform: the script waits for the review to end, prints
# Bitacora.log and the destination tree, and stops the agent. With a display it leaves the agent
# running (minimised) and says how to stop it.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
root=$PWD
demo=$root/demo
build=$root/build-demo

demo_build() {
    source scripts/packages.sh
    install_missing "${BUILD_PACKAGES[@]}" "${DEMO_PACKAGES[@]}"
    # The machine-wide registry store of this build lives inside demo/, so the demo never
    # touches the system's own folder.
    cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DZARVENTO_BUILD_TESTS=OFF \
        -DZARVENTO_MACHINE_REGISTRY_DIR="$demo/registro"
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

# Starts the agent in the background; its start-at-log-on entry and per-user store go to
# demo/config instead of the user's own configuration folder.
demo_start() {
    XDG_CONFIG_HOME="$demo/config" "$demo/programa/zarvento" "$@" \
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
}

demo_stop() {
    kill "$agent_pid" 2>/dev/null || true
    wait "$agent_pid" 2>/dev/null || true
}

main() {
    demo_build
    demo_layout
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
        echo "The agent keeps running, minimised (process $agent_pid); close it with its x"
        echo "button, or: kill $agent_pid"
    else
        demo_stop
        echo "Agent stopped."
    fi
}

if [ "${BASH_SOURCE[0]}" = "$0" ]; then
    main "$@"
fi
