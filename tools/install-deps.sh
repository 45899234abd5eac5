#!/usr/bin/env bash
# Installs the Debian packages Vellumark needs on a bare Debian 12.
#   tools/install-deps.sh          building and running the program
#   tools/install-deps.sh --test   and also building and running the tests
#   tools/install-deps.sh --bench  and also the peers the benchmarks compare with
#   tools/install-deps.sh --package  and also what tools/package.sh needs
# Only what is missing is installed, so a ready machine costs one dpkg query.
set -euo pipefail

packages=(
    # building
    cmake ninja-build g++ pkg-config
    qt6-base-dev qt6-pdf-dev libgl-dev
    libqpdf-dev libpng-dev libjpeg-dev zlib1g-dev libdeflate-dev libisal-dev libzxing-dev libcups2-dev
    libzip-dev libssl-dev libfreetype-dev libfontconfig-dev libharfbuzz-dev
    # running: Chinese faces for invoices whose fonts are not embedded
    fonts-noto-cjk fonts-arphic-ukai fonts-arphic-uming
    # the ledger of printed invoices: an SQLite file, or a PostgreSQL server
    libqt6sql6-sqlite libqt6sql6-psql
    # running: the predefined CMaps (GBK-EUC-H...) that read such fonts' text
    poppler-data
)
if [ "${1:-}" = "--test" ]; then
    packages+=(
        libgtest-dev
        # a private scheduler for the print tests (cupsd, lpadmin)
        cups cups-client
        # pdftoppm, to look at merged sheets
        poppler-utils
        # a private server for the ledger's tests (initdb, postgres)
        postgresql
    )
elif [ "${1:-}" = "--bench" ]; then
    packages+=(
        libgtest-dev
        # the peers of bench/merge/compare_merges.py: PyMuPDF and MuPDF's
        # renderer, and poppler's
        python3 python3-fitz mupdf-tools poppler-utils
    )
elif [ "${1:-}" = "--package" ]; then
    # dpkg-shlibdeps, which reads the package's dependencies off the programs
    packages+=(dpkg-dev file)
elif [ $# -gt 0 ]; then
    echo "usage: tools/install-deps.sh [--test | --bench | --package]" >&2
    exit 2
fi

missing=()
for p in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
        missing+=("$p")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    as_root=(sudo)
fi
echo "installing: ${missing[*]}" >&2
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
