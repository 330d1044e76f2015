# Shared set-up of run.sh and test.sh: Debian packages, configure, incremental build.
# Sourced, not run. Honours ORVA_BUILD_DIR (default "build") and ORVA_CMAKE_ARGS.

ORVA_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
ORVA_BUILD_DIR=${ORVA_BUILD_DIR:-$ORVA_ROOT/build}

orva_packages=(
    cmake g++ ninja-build pkg-config
    qtbase5-dev libqt5serialport5-dev qttools5-dev qttools5-dev-tools qttranslations5-l10n
    libbenchmark-dev
    socat fonts-dejavu-core
)

orva_install_packages() {
    local missing=() p
    for p in "${orva_packages[@]}" "$@"; do
        # No pipe into grep -q: callers may run with pipefail.
        [ "$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null)" = "install ok installed" ] || missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing missing packages: ${missing[*]}"
    local sudo=""
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null || { echo "Need root or sudo to install: ${missing[*]}" >&2; return 1; }
        sudo="sudo"
    fi
    $sudo apt-get update -qq || return 1
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null || return 1
}

orva_build() {
    local jobs
    jobs=$(nproc 2>/dev/null || echo 2)
    if [ ! -f "$ORVA_BUILD_DIR/CMakeCache.txt" ]; then
        # shellcheck disable=SC2086
        cmake -S "$ORVA_ROOT" -B "$ORVA_BUILD_DIR" -G Ninja ${ORVA_CMAKE_ARGS:-} || return 1
    fi
    cmake --build "$ORVA_BUILD_DIR" -j "$jobs"
}
