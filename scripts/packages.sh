# Sourced by the scripts: installs the Debian packages a step needs when they are missing.
ensure_packages() {
    local missing=() package
    for package in "$@"; do
        dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing Debian packages: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update -qq
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

BUILD_PACKAGES=(cmake g++ make pkg-config qt6-base-dev libqt6svg6 libssl-dev libpcre2-dev libidn2-dev
                nlohmann-json3-dev)
TEST_PACKAGES=(googletest libgtest-dev libgmock-dev desktop-file-utils dpkg-dev man-db ccache clang-format)
