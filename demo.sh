#!/usr/bin/env bash
# Quick start: build the tool and import the bundled demo project (build/release/demo/).
# Run as root on a fresh Debian machine, it first installs the packages the build needs
# (.ci/install-deps --build); as another user, it names the missing ones and stops.
set -euo pipefail
cd "$(dirname "$0")"
.ci/install-deps --build
exec cmake --workflow --preset demo
