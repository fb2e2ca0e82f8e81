#!/usr/bin/env bash
# Makes the pictures in docs/images/ from the running workbench: builds lumetra-screenshots
# (tools/screenshots/), starts it under Xvfb on the bundled sample DataSets/Cars.lumet, and
# lets it load the sample, open a view of every technique, brush, open two pipelines and
# join them into a composition, grabbing the windows as PNG files (at most 256 colours).
# On a fresh Debian 12 machine the packages are installed first, as tools/dev.sh does.
#   tools/screenshots.sh
set -euo pipefail
exec "$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)/dev.sh" screenshots "$@"
