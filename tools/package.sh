#!/usr/bin/env bash
# Builds the Debian package: build-package/vellumark_<version>_<arch>.deb.
# Installs what building it needs when missing (as tools/install-deps.sh
# does, plus dpkg-dev, whose dpkg-shlibdeps reads the dependencies).
set -euo pipefail
cd "$(dirname "$0")/.."
tools/install-deps.sh --package
# -O2, as the tests are built, not the -O3 of Release.
cmake -S . -B build-package -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_CXX_FLAGS_RELEASE="-O2 -DNDEBUG" -DVELLUMARK_WERROR=ON >/dev/null
cmake --build build-package -j "$(nproc)"
(cd build-package && cpack -G DEB >/dev/null)
ls build-package/vellumark_*.deb
