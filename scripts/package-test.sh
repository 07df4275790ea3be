#!/usr/bin/env bash
# Makes the Debian package (scripts/package.sh), installs it on this machine with apt-get, checks
# that its manual page names every command and option of "zarvento --ayuda", and runs the
# installed "zarvento --respaldar" as a plain user without a display: a first run makes
# the user's program folder and refuses for want of a host installation; with a setup, the copy
# is made and the agent's files are in the user's data folder (status 0); with a destination that
# is not there, status 1. As root; one run at a time on a machine; removes what it installed.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
if [ "$(id -u)" -ne 0 ]; then
    echo "Package test skipped: installing the package needs root." >&2
    exit 0
fi
exec 9>/var/lock/zarvento-package-test.lock
flock 9

package=$(bash scripts/package.sh | tail -1)
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq -o DPkg::Lock::Timeout=600 "$package" \
    >/dev/null

user=zarvento-prueba
id "$user" >/dev/null 2>&1 || useradd --create-home --shell /bin/bash "$user"
home=$(getent passwd "$user" | cut -d: -f6)
folder=$home/.local/share/zarvento
store=/var/lib/zarvento/registry
record=$store/HKEY_LOCAL_MACHINE.ini
work=$(mktemp -d /tmp/zarvento-paquete.XXXXXX)
chmod 755 "$work"
[ ! -e "$record" ] || cp -p "$record" "$work/registro-previo.ini"

cleanup() {
    rm -f "$record"
    [ ! -e "$work/registro-previo.ini" ] || cp -p "$work/registro-previo.ini" "$record"
    if dpkg -s zarvento >/dev/null 2>&1; then
        DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq -o DPkg::Lock::Timeout=600 zarvento \
            >/dev/null || true
    fi
    rm -rf "$work" "$folder" "$home/.config/zarvento"
}
trap cleanup EXIT
rm -rf "$folder" "$home/.config/zarvento"

fail() {
    echo "Package test FAILED: $*" >&2
    exit 1
}
# The installed command as the user, with no display and no environment of this shell.
as_user() {
    runuser -u "$user" -- env -i HOME="$home" PATH=/usr/bin:/bin LANG=C.UTF-8 \
        zarvento --respaldar >"$work/salida" 2>"$work/errores"
}
crlf() { printf '%s\r\n' "$@"; }

[ "$(stat -c '%U %a' "$store")" = "root 755" ] || fail "$store is not root's with mode 755"
desktop-file-validate /usr/share/applications/zarvento.desktop
[ "$(readlink -f /usr/bin/zarvento)" = /usr/lib/zarvento/zarvento ] || fail "/usr/bin/zarvento"
# The manual page is installed and names every command and option the program's help lists.
[ "$(man -w zarvento)" = /usr/share/man/man1/zarvento.1.gz ] || fail "no manual page"
page=$(zcat /usr/share/man/man1/zarvento.1.gz | sed 's/\\-/-/g')
for option in $(zarvento --ayuda | grep -o -- '--[a-z]*' | sort -u); do
    grep -qw -- "$option" <<<"$page" || fail "the manual page does not name $option"
done

# No host installation recorded: refused, and the user's program folder is made, private.
status=0
as_user || status=$?
[ "$status" = 1 ] || fail "without a host installation the status was $status, not 1"
grep -q "Quillon Premium" "$work/errores" || fail "no reason given: $(cat "$work/errores")"
[ "$(stat -c '%U %a' "$folder")" = "$user 700" ] || fail "$folder is not the user's, mode 700"

# The host's installer records its installation for every user to read.
mkdir -p "$work"/{quillon,documentos/cartas,copias}
echo "Estimado cliente" >"$work/documentos/cartas/pedido.txt"
chown -R "$user" "$work/copias"
crlf '[SOFTWARE\Merovia\Quillon Premium]' "Ruta de instalación=\"$work/quillon\"" >"$record"
chmod 644 "$record"
settings() {
    crlf '[Configuración]' 'Respaldos variados=N' 'Respaldo en FTP=N' "Ruta destino=$1" \
        'Hora del respaldo=23:00' "Ruta de Quillon Premium=$work/quillon" \
        | runuser -u "$user" -- tee "$folder/zarvento.ini" >/dev/null
}
settings "$work/copias"
crlf "$work/documentos" | runuser -u "$user" -- tee "$folder/RutasARespaldar.txt" >/dev/null
runuser -u "$user" -- touch "$folder/RutasDATAaRespaldar.txt"

as_user || fail "the backup ended with status $?: $(cat "$work/salida" "$work/errores")"
cmp "$work/documentos/cartas/pedido.txt" "$work/copias/documentos/cartas/pedido.txt" ||
    fail "the copy is not there"
grep -q "Respaldo finalizado" "$work/salida" || fail "no progress on standard output"
grep -q "Respaldo finalizado" "$folder/Bitacora.log" || fail "no Bitacora.log in $folder"
[ "$(ls /usr/lib/zarvento)" = zarvento ] || fail "files written beside the installed program"

settings "$work/no-existe"
status=0
as_user || status=$?
[ "$status" = 1 ] || fail "with a destination that is not there the status was $status, not 1"

# Removing the package leaves the user's settings alone.
DEBIAN_FRONTEND=noninteractive apt-get remove -y -qq -o DPkg::Lock::Timeout=600 zarvento >/dev/null
[ -s "$folder/zarvento.ini" ] || fail "removing the package removed the user's settings"
echo "Package test passed: $(basename "$package")"
