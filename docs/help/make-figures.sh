#!/bin/sh
# Makes the guide's pictures of the production-line window from a run on
# simulated ports, under Xvfb when it is installed (else Qt's offscreen
# platform), so that they show what the program shows today.
#   docs/help/make-figures.sh [BUILD_DIR]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
build=${1:-$here/../../build}
cmake --build "$build" --target line_figures
out=$here/line-window.png
if command -v xvfb-run >/dev/null; then
    xvfb-run -a -s "-screen 0 1280x1024x24" "$build/bin/line_figures" "$out"
else
    QT_QPA_PLATFORM=offscreen "$build/bin/line_figures" "$out"
fi
echo "made $out"
