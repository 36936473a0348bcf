#!/usr/bin/env bash
# Renders the icon's PNG sizes for the hicolor theme from the SVG. Run it
# after changing the SVG and commit the PNGs with it (the build does not need
# rsvg-convert). Needs rsvg-convert (Debian package librsvg2-bin).
set -euo pipefail
cd "$(dirname "$0")"
id=io.github.zemo_tr58k.Config
for size in 16 22 24 32 48 64 128 256; do
  mkdir -p "hicolor/${size}x${size}/apps"
  rsvg-convert --width "$size" --height "$size" --format png \
    --output "hicolor/${size}x${size}/apps/${id}.png" "${id}.svg"
done
