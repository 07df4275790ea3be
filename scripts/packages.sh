# Debian packages the project needs, and a helper that installs only the missing ones.
BUILD_PACKAGES=(cmake g++ make pkg-config qt6-base-dev libcurl4-openssl-dev libmariadb-dev
    libqt6svg6 qt6-translations-l10n)
TEST_PACKAGES=(libgtest-dev libgmock-dev mariadb-server mariadb-client python3-pyftpdlib
    python3-openssl vsftpd dbus-daemon clang-format git openssl openssh-server)
DEMO_PACKAGES=(xvfb xauth imagemagick icewm xdotool)
BENCH_PACKAGES=(rsync lftp curl time bc)
# Making and checking the Debian package (file and dpkg-shlibdeps for CPack's dependencies).
PACKAGE_PACKAGES=(dpkg-dev file lintian desktop-file-utils)

install_missing() {
    local missing=() p
    for p in "$@"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    ((${#missing[@]})) || return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Missing Debian packages (run as root to install them): ${missing[*]}" >&2
        return 1
    fi
    echo "Installing: ${missing[*]}"
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
