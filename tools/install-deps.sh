#!/usr/bin/env bash
# Installs the Debian 12 packages Dorvi builds and runs with, when missing.
# Sourced by test.sh and run.sh.

dorvi_install_deps() {
    local packages=(cmake g++ make pkg-config qt6-base-dev qt6-serialport-dev qt6-svg-dev
                    libqcustomplot-dev libgl-dev fonts-liberation fonts-dejavu-core poppler-utils
                    "$@")
    local missing=() p
    for p in "${packages[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    ((${#missing[@]})) || return 0
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q
    $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${missing[@]}"
}
