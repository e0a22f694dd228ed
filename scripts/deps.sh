#!/usr/bin/env bash
# Installs the Debian packages that building and testing Quorvik need.
# As root the missing ones are installed with apt-get; otherwise the exact
# command is printed and the script fails, so nothing half-works.
# With --bench it also installs what bench/run.sh needs.
set -euo pipefail

packages=(
    g++ make cmake pkg-config
    qt6-base-dev libgl-dev
    libssl-dev openssl
    libidn2-dev
    qt6-translations-l10n
    libgtest-dev libgmock-dev
    nginx
    dante-server
    tinyproxy
    fonts-dejavu-core
    xvfb xauth x11-utils
    dpkg-dev desktop-file-utils appstream man-db groff-base bash-completion
    clang libclang-rt-14-dev
)
bench_packages=(
    hyperfine time jq curl libcurl4-openssl-dev libbenchmark-dev xdotool imagemagick
)
if [ "${1:-}" = "--bench" ]; then
    packages+=("${bench_packages[@]}")
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$p")
    fi
done

[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ]; then
    echo "Missing packages. Please run as root:" >&2
    echo "apt-get install -y ${missing[*]}" >&2
    exit 1
fi

export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"
