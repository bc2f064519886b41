# Shared by ./run, ./test and .ci/run: makes sure that the Debian packages
# the build needs are installed, installing the missing ones when it can.
# Sourced, not run.

# poppler-utils reads the help document back in its test; help2man makes
# the manual pages; bash-completion runs the completion in its test;
# dpkg-dev lets `cpack -G DEB` compute the package's dependencies.
QZM_PACKAGES="cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev libqt6sql6-sqlite libqt6sql6-psql libgl-dev libgtest-dev help2man bash-completion dpkg-dev poppler-utils ${QZM_EXTRA_PACKAGES:-}"

qzm_missing_packages() {
    local missing=""
    for pkg in $QZM_PACKAGES; do
        if ! dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed"; then
            missing="$missing $pkg"
        fi
    done
    echo "$missing"
}

qzm_ensure_packages() {
    if ! command -v dpkg-query >/dev/null 2>&1; then
        echo "Not a Debian-like system: make sure CMake 3.25+, a C++17 compiler, Qt 6 (Widgets, SerialPort) and GoogleTest are installed." >&2
        return 0
    fi
    local missing
    missing="$(qzm_missing_packages)"
    [ -z "$missing" ] && return 0

    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        if command -v sudo >/dev/null 2>&1 && sudo -n true 2>/dev/null; then
            sudo="sudo -n"
        else
            echo "These packages are missing:$missing" >&2
            echo "Install them as root, for example:  sudo apt-get install$missing" >&2
            exit 1
        fi
    fi
    echo "Installing:$missing"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
}

# qzm_build DIR [cmake options...]: configures (once) and builds a tree.
qzm_build() {
    local dir="$1"; shift
    local generator=()
    command -v ninja >/dev/null 2>&1 && generator=(-G Ninja)
    if [ ! -f "$dir/CMakeCache.txt" ]; then
        cmake -S "$QZM_ROOT" -B "$dir" "${generator[@]}" "$@"
    else
        cmake -S "$QZM_ROOT" -B "$dir" "$@" >/dev/null
    fi
    cmake --build "$dir" --parallel "$(nproc 2>/dev/null || echo 2)"
}
