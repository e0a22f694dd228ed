#!/usr/bin/env bash
# Installs the Debian packages that Quorvik needs. As root the missing ones
# are installed with apt-get; otherwise the exact command is printed and the
# script fails, so nothing half-works.
#     deps.sh          building (also the Debian package) and running Quorvik
#     deps.sh --test   and the tests: the servers they start, Xvfb with a
#                      window manager, the packaging checks, clang for fuzzing
#     deps.sh --bench  and bench/run.sh
# The test servers' own system services are neither started at installation
# nor left enabled: the tests start each server on a free loopback port with
# a configuration of their own.
set -euo pipefail

packages=(
    g++ make cmake pkg-config
    qt6-base-dev libgl-dev libxcb1-dev
    libssl-dev libidn2-dev ca-certificates
    qt6-translations-l10n fonts-dejavu-core
    dpkg-dev file
)
test_packages=(
    libgtest-dev libgmock-dev
    openssl
    nginx apache2 dante-server tinyproxy
    xvfb xauth x11-utils openbox
    desktop-file-utils appstream man-db groff-base bash-completion lintian
    clang libclang-rt-14-dev
)
bench_packages=(
    hyperfine time jq curl libcurl4-openssl-dev libbenchmark-dev xdotool imagemagick
)
# The system services that each server package brings.
declare -A services=([nginx]=nginx [apache2]="apache2 apache-htcacheclean" [dante-server]=danted
    [tinyproxy]=tinyproxy)

case "${1:-}" in
--test) packages+=("${test_packages[@]}") ;;
--bench) packages+=("${test_packages[@]}" "${bench_packages[@]}") ;;
"") ;;
*)
    echo "usage: deps.sh [--test | --bench]" >&2
    exit 2
    ;;
esac

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

# Debian starts a server's service as it installs it (nginx and apache2 on
# port 80, tinyproxy on 8888); a policy that refuses every start keeps them down for
# the time of the installation, unless the machine has a policy of its own.
policy=/usr/sbin/policy-rc.d
if [ ! -e "$policy" ]; then
    printf '#!/bin/sh\n# scripts/deps.sh: no service starts while it installs packages.\nexit 101\n' \
        >"$policy"
    chmod 755 "$policy"
    trap 'rm -f "$policy"' EXIT
fi

export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq --no-install-recommends "${missing[@]}"

# Nor does a service of a package installed here start at the next boot,
# under systemd or the init scripts. Services installed before are left as
# their owner set them.
for p in "${missing[@]}"; do
    for service in ${services[$p]:-}; do
        if [ -d /run/systemd/system ]; then
            systemctl disable --now --quiet "$service.service" || true
        else
            deb-systemd-helper disable "$service.service" >/dev/null 2>&1 || true
        fi
        if [ -x "/etc/init.d/$service" ]; then
            update-rc.d "$service" disable >/dev/null 2>&1 || true
        fi
    done
done
