#!/usr/bin/env bash
# Proves the package on machines that have nothing else: builds it on one
# bare Debian 12, installs it on a second (so that only its declared
# dependencies can make it work), merges a folder of invoices there as an
# ordinary user, starts the window under Xvfb for a screenshot, and removes
# the package again, checking that none of its files stay.
#
# usage (root, from the project root):  tools/check-package.sh
# The screenshots and the command's output land in /dev/shm/vellumark-package/.
# Inside the second machine it runs itself as:  tools/check-package.sh --inside DEB
set -euo pipefail
cd "$(dirname "$0")/.."
out=/dev/shm/vellumark-package

inside() {
    local deb=$1
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get install -y -qq "$deb" >/dev/null
    dpkg -L vellumark | sort >"$out/files.txt"
    useradd -m clerk
    local invoices=/home/clerk/发票
    mkdir -p "$invoices"
    cp ../shared/corpus/invoices/various/*.pdf "$invoices/" 2>/dev/null || true
    cp ../shared/corpus/ofd/*.ofd "$invoices/" 2>/dev/null || true
    chown -R clerk: "$invoices"
    echo "== vellumark-cli merge, as clerk" >"$out/merge.txt"
    runuser -u clerk -- vellumark-cli merge "$invoices" >>"$out/merge.txt" 2>&1 ||
        echo "exit $?" >>"$out/merge.txt"
    ls -l /home/clerk/.local/share/vellumark/ >>"$out/merge.txt"

    # The window, and the menu entry, looked at on a bare X server.
    apt-get install -y -qq --no-install-recommends xvfb x11-apps netpbm desktop-file-utils >/dev/null
    desktop-file-validate /usr/share/applications/vellumark.desktop >"$out/desktop.txt" 2>&1 || true
    Xvfb :7 -screen 0 1024x768x24 >/dev/null 2>&1 &
    local xvfb=$!
    sleep 2
    runuser -u clerk -- env DISPLAY=:7 vellumark "$invoices" >"$out/window.txt" 2>&1 &
    sleep 15
    DISPLAY=:7 xwd -root -silent | xwdtopnm 2>/dev/null | pnmtopng >"$out/window.png"
    pkill -u clerk vellumark || true
    kill "$xvfb" || true
    cp /usr/share/icons/hicolor/48x48/apps/vellumark.png "$out/icon-48.png"

    apt-get remove -y -qq vellumark >/dev/null
    : >"$out/left-behind.txt"
    while read -r path; do
        [ -e "$path" ] && [ ! -d "$path" ] && echo "$path" >>"$out/left-behind.txt"
    done <"$out/files.txt"
    [ -d /usr/lib/vellumark ] && echo /usr/lib/vellumark >>"$out/left-behind.txt"
    echo "left behind: $(wc -l <"$out/left-behind.txt") files" >&2
}

if [ "${1:-}" = "--inside" ]; then
    inside "$2"
    exit
fi
rm -rf "$out" && mkdir -p "$out"
FRESH_ROOT=/tmp/fresh-package-build ../shared/tools/fresh-debian-test \
    "tools/package.sh && cp build-package/vellumark_*.deb $out/"
deb=$(ls "$out"/vellumark_*.deb)
FRESH_ROOT=/tmp/fresh-package-install ../shared/tools/fresh-debian-test \
    "tools/check-package.sh --inside $deb"
cat "$out/merge.txt" "$out/left-behind.txt"
