#!/usr/bin/env bash
# Every C++ file of the tree in the layout of .clang-format; --fix rewrites
# them in place. The MinGW header stand-ins and the layering check's fixture
# are kept as they are.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files '*.cpp' '*.h' | grep -v -e '^tests/winsyntax/' -e '^tests/layering/fixture/')
if [ "${1:-}" = --fix ]; then
    clang-format -i "${files[@]}"
else
    clang-format --dry-run -Werror "${files[@]}"
fi
