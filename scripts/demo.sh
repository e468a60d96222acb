#!/usr/bin/env bash
# Installs what is missing (Debian packages), builds the library and the
# command-line POS, then runs the demo: a card approval and its
# acknowledgement, a decline, cash, points and a download against the host
# simulator zpos-host on loopback. Arguments go to `zpos demo` (--keep keeps
# the demo's logs and settings). zpos and zpos-host are left in build/dev.
set -euo pipefail
cd "$(dirname "$0")/.."
# The configure step looks for the test and benchmark libraries too.
scripts/install-missing.sh cmake g++ make libgtest-dev libgmock-dev libbenchmark-dev >/dev/null
cmake --preset dev >/dev/null
cmake --build --preset dev -j"$(nproc 2>/dev/null || echo 2)" --target zpos zpos-host >/dev/null
exec build/dev/tools/zpos/zpos demo "$@"
