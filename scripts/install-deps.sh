#!/usr/bin/env bash
# Installs the Debian packages the build needs; does nothing when all are present.
# A user who is not root and has no sudo gets the missing packages and the one
# command to run as root instead, and the script fails.
set -euo pipefail

packages=(cmake g++ make pkg-config libicu-dev libcli11-dev libtomlplusplus-dev zlib1g-dev libgtest-dev
          libgmock-dev libbenchmark-dev qt6-base-dev libgl-dev fonts-dejavu-core)
if [[ "${QUORVEX_WITH_FUZZ:-0}" == 1 ]]; then packages+=(clang libclang-rt-14-dev); fi
if [[ "${QUORVEX_WITH_BENCH:-0}" == 1 ]]; then packages+=(valgrind); fi
if [[ "${QUORVEX_WITH_WEB:-0}" == 1 ]]; then packages+=(emscripten nodejs node-acorn chromium-headless-shell); fi

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

sudo=""
if [[ $(id -u) -ne 0 ]]; then
    if ! command -v sudo >/dev/null; then
        echo "Missing packages: ${missing[*]}" >&2
        echo "Run as root: apt-get install ${missing[*]}" >&2
        exit 1
    fi
    sudo="sudo"
fi
echo "Installing ${#missing[@]} Debian packages and what they need (a minute or two on a fresh system):"
echo "  ${missing[*]}"
echo "Reading Debian's package lists..."
$sudo apt-get update -qq
# One line a package as it is fetched and set up, so a long install shows it is moving.
if ! DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -q -o Dpkg::Use-Pty=0 "${missing[@]}" |
    { grep --line-buffered -E '^(Get:|Setting up )' || true; }; then
    echo "apt-get could not install the packages above." >&2
    exit 1
fi
echo "Packages installed."
