#!/usr/bin/env bash
# The main job: converts the sample RAW shipped with the project to PNG and
# says where the PNG went. Run scripts/setup.sh first.
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$here/build/sample-output"
mkdir -p "$out"
"$here/build/bin/pictavo" -i "$here/samples/sample.dng" -o "$out" --raw-load-as=24 --png-compression=zlib6
echo "PNG written to: $out/sample.png"
