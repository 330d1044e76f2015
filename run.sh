#!/usr/bin/env bash
# Builds orvaconfig (installing what is missing) and runs it with the register emulator
# orvaemu behind it.
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

# The register emulator stands in for a register on the driver's ATOL port, the port the
# configurator connects to, and for its fiscal core service on the application bus socket
# the configurator joins at start. ORVAEMU=0 leaves it out; ORVAEMU_ARGS adds options.
emu_pid=""
if [ "${ORVAEMU:-1}" != 0 ]; then
    emu_dir="$ALLUSERSPROFILE/orvaemu"
    mkdir -p "$emu_dir"
    emu_log="$emu_dir/orvaemu.log"
    # shellcheck disable=SC2086
    "$ORVA_BUILD_DIR/bin/orvaemu" --state "$emu_dir/state.json" --journal "$emu_dir/journal.jsonl" \
        --receipts "$emu_dir/receipts" ${ORVAEMU_ARGS:-} >"$emu_log" 2>&1 &
    emu_pid=$!
    for _ in $(seq 50); do
        grep -q "listening on" "$emu_log" && break
        kill -0 "$emu_pid" 2>/dev/null || break
        sleep 0.1
    done
    if grep -q "listening on" "$emu_log"; then
        grep -m1 "bus on" "$emu_log" || true
        echo "$(grep -m1 "listening on" "$emu_log") (state $emu_dir/state.json, log $emu_log)"
        trap 'kill "$emu_pid" 2>/dev/null; wait "$emu_pid" 2>/dev/null' EXIT
        trap 'exit 143' TERM
    else
        emu_status=0
        wait "$emu_pid" 2>/dev/null || emu_status=$?
        emu_pid=""
        echo "The register emulator did not start: $(cat "$emu_log")" >&2
        if [ "$emu_status" -eq 3 ]; then
            echo "Something else (a register driver?) holds the ATOL port or the bus socket; the configurator will talk to it." >&2
        fi
    fi
fi

status=0
"$ORVA_BUILD_DIR/bin/orvaconfig" "$@" || status=$?
exit "$status"
