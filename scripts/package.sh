#!/usr/bin/env bash
# Installs what is missing (Debian 12, as root), builds a Release program and makes its Debian
# package with CPack, checks it with lintian and desktop-file-validate, and prints its path.
set -euo pipefail
cd "$(dirname "${BASH_SOURCE[0]}")/.."
source scripts/packages.sh
install_missing "${BUILD_PACKAGES[@]}" "${PACKAGE_PACKAGES[@]}"

build=${ZARVENTO_PACKAGE_BUILD:-build-package}
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Release -DZARVENTO_BUILD_TESTS=OFF >/dev/null
cmake --build "$build" -j"$(nproc)" --target zarvento
rm -f "$build"/zarvento_*.deb
(cd "$build" && cpack -G DEB >/dev/null)
package=$(ls "$PWD/$build"/zarvento_*.deb)

desktop-file-validate packaging/zarvento.desktop
# Errors fail the package; warnings are shown.
lintian --fail-on error "$package"
echo "$package"
