#!/usr/bin/env bash
# Builds orvaconfig (installing what is missing) and runs it.
set -eu
. "$(dirname "$0")/scripts/bootstrap.sh"

orva_install_packages
orva_build

if [ -z "${DISPLAY:-}" ] && [ -z "${WAYLAND_DISPLAY:-}" ]; then
    cat >&2 <<MSG
There is no display to open the window on (DISPLAY and WAYLAND_DISPLAY are unset).
Run it under a virtual X server instead:
    xvfb-run -a -s '-screen 0 1600x1000x24' ./run.sh
(xvfb-run comes with the Debian package "xvfb".)
MSG
    exit 1
fi

# The configuration lives under ALLUSERSPROFILE; give this user a folder of their own.
export ALLUSERSPROFILE=${ALLUSERSPROFILE:-${XDG_DATA_HOME:-$HOME/.local/share}/orvaconfig}
mkdir -p "$ALLUSERSPROFILE"

exec "$ORVA_BUILD_DIR/bin/orvaconfig" "$@"
