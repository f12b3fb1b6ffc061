#!/usr/bin/env bash
# The real pane window under the virtual display: femapsim-server runs with the plate example
# open, CorvaneFemapInterface.exe attaches to it and restores the saved selection stored here
# (plateControl.txt beside a copy of the model), pane-window-check looks at the window from
# another process (controls, captions, the grids' rows), and the screen is saved as a PNG.
# Then FEMAP's events reach the pane through its hook on the real window: event 3 (a model is
# still open) empties both grids, event 4 unregisters the pane, which closes and ends.
#
#   run_pane_window.sh BIN_DIR TESTS_DIR SOURCE_DIR WORK_DIR PNG
#
# Needs DISPLAY and the wine prefix of scripts/windows-tests (WINEPREFIX) in the environment.
set -uo pipefail
bin=$1 tests=$2 source=$3 work=$4 png=$5
export WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml="

windows_path() { printf 'Z:%s' "${1//\//\\}"; }
rm -rf "$work" "$png"
mkdir -p "$work"
cp "$source/examples/plate/plate.mod" "$work/"
cp "$source/tests/e2e/pane_window/plateControl.txt" "$work/"
model=$(windows_path "$work/plate.mod")

pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null; done
  for pid in "${pids[@]}"; do wait "$pid" 2>/dev/null; done
}
trap cleanup EXIT
status=0
step() { echo "pane-window: $*"; }

wine "$bin/femapsim-server.exe" --open "$model" --messages "$(windows_path "$work/messages.txt")" \
  --idle 60 --lifetime 120 >"$work/server.out" 2>&1 &
pids+=($!)
timeout 60 wine "$tests/pane-window-check.exe" attach || { step "the server did not come up"; exit 1; }

timeout 90 wine "$bin/CorvaneFemapInterface.exe" "$model\$pane.log\$DEBUG" >"$work/pane.out" 2>&1 &
pane=$!
pids+=($pane)

timeout 60 wine "$tests/pane-window-check.exe" check "$(windows_path "$work/plateControl.txt")" \
  | tee "$work/windows.txt" || status=1
# The display as the engineer sees it.
import -window root "$png" || { step "no screenshot"; status=1; }
[ -s "$png" ] && step "screenshot: $png"

timeout 30 wine "$tests/pane-window-check.exe" event 3 || status=1
timeout 30 wine "$tests/pane-window-check.exe" cleared || status=1
timeout 30 wine "$tests/pane-window-check.exe" event 4 || status=1
if ! timeout 30 wine "$tests/pane-window-check.exe" closed; then
  status=1
  timeout 30 wine "$tests/pane-window-check.exe" close
fi
wait "$pane"; pane_status=$?
[ "$pane_status" -eq 0 ] || { step "CorvaneFemapInterface.exe ended with $pane_status"; cat "$work/pane.out"; status=1; }
timeout 30 wine "$tests/pane-window-check.exe" quit
exit "$status"
