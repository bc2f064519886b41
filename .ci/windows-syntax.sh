#!/usr/bin/env bash
# Compiles the Windows platform files (every *Win.cpp) and the plain C++
# libraries core/ and text/ with the MinGW-w64 cross compiler, as a syntax
# check: no Windows build is made here, but a Windows-only file that no
# longer compiles shows at once. Qt's headers are replaced by the stand-ins
# in tests/winsyntax/, which hold only what those files use.
set -euo pipefail
QZM_ROOT="$(cd "$(dirname "$0")/.." && pwd)"
CXX="${QZM_MINGW_CXX:-x86_64-w64-mingw32-g++}"
cd "$QZM_ROOT"

mapfile -t files < <(
    {
        find . -path ./tests -prune -o -path './build*' -prune -o -name '*Win.cpp' -print
        find core text -name '*.cpp' ! -name '*Posix.cpp'
    } | sed 's|^\./||' | sort -u
)
failed=0
for file in "${files[@]}"; do
    if ! "$CXX" -std=c++17 -fsyntax-only -Wall -Wextra -Werror -DUNICODE -D_UNICODE \
            -I tests/winsyntax -I . "$file"; then
        echo "does not compile for Windows: $file" >&2
        failed=1
    fi
done
[ "$failed" -eq 0 ] && echo "Windows syntax check: ${#files[@]} files compile"
exit "$failed"
