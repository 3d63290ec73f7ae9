#!/usr/bin/env bash
# Builds the Debian package onda-link_<version>_<arch>.deb into build-package/ and checks it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash tools/setup.sh

# Debian's hardening flags for the program.
export CXXFLAGS="$(dpkg-buildflags --get CXXFLAGS) $(dpkg-buildflags --get CPPFLAGS)"
export LDFLAGS="$(dpkg-buildflags --get LDFLAGS)"
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF -DONDA_BUILD_BENCH=OFF
cmake --build build-package -j"${JOBS:-2}" --target ONDA_link onda_package_data
(cd build-package && cpack -G DEB)
bash tools/check-package.sh build-package/onda-link_*.deb
