#!/usr/bin/env bash
# The AppStream metadata validates without the network, and launches the
# desktop entry under the name it is installed as.
set -euo pipefail
metainfo=$1 desktop_name=$2
command -v appstreamcli >/dev/null || { echo "appstreamcli not installed"; exit 77; }
appstreamcli validate --no-net "$metainfo"
launchable=$(sed -n 's:.*<launchable type="desktop-id">\(.*\)</launchable>.*:\1:p' "$metainfo")
[ "$launchable" = "$desktop_name" ] || { echo "launchable $launchable, installed as $desktop_name"; exit 1; }
