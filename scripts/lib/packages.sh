# Installs the Debian packages named in "$@" that are missing; runs apt-get update once.
ensure_packages() {
    local missing=()
    local pkg
    for pkg in "$@"; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q 'install ok installed'; then
            missing+=("$pkg")
        fi
    done
    if ((${#missing[@]})); then
        echo "Installing missing packages: ${missing[*]}"
        local sudo=""
        [[ $(id -u) -eq 0 ]] || sudo="sudo"
        $sudo apt-get update -qq
        DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq "${missing[@]}"
    fi
}

BUILD_PACKAGES=(cmake ninja-build g++ pkg-config googletest libgtest-dev qt6-base-dev qt6-base-dev-tools
    qt6-translations-l10n libqt6sql6-sqlite libqt6sql6-psql libgmime-3.0-dev
    libzip-dev openssl ca-certificates dpkg-dev qt6-networkauth-dev qtkeychain-qt6-dev)
# LibreOffice Calc opens the failure list in a test; the screen-reader test needs an X
# server of its own, the accessibility bus and pyatspi.
RUNTIME_TEST_PACKAGES=(python3-aiosmtpd postgresql postfix dovecot-core dovecot-submissiond unrtf sqlite3 gnome-keyring
    dbus-daemon chromium poppler-utils libreoffice-calc-nogui xvfb at-spi2-core python3-pyatspi qt6-qpa-plugins)
# clang-format 14 (Debian 12): other versions format some constructs differently.
FORMAT_PACKAGES=(clang-format)
# scripts/lib/check-package.sh: CPack's shlibdeps and debug-symbol split, lintian, pkg-config.
PACKAGE_CHECK_PACKAGES=(dpkg-dev binutils lintian pkg-config)
# scripts/lib/check-tidy.sh: clazy and clang-tidy, both on LLVM 14.
TIDY_PACKAGES=(clazy clang-tidy)
