# A private Xvfb server for window tests. Sourced by tools/wine-run.sh and
# tests/win/xdnd_check.sh.
#
#   vorlax_start_xvfb DISPLAY-FILE GEOMETRY
#
# Starts Xvfb on a free display (it writes the number into DISPLAY-FILE),
# exports DISPLAY and sets vorlax_xvfb_pid for the caller to end it; returns
# 1 when the server does not come up within 10 s.
vorlax_start_xvfb() {
    local display_file=$1 geometry=$2
    Xvfb -displayfd 3 -screen 0 "$geometry" -nolisten tcp 3>"$display_file" >/dev/null 2>&1 &
    vorlax_xvfb_pid=$!
    for _ in $(seq 100); do
        [ -s "$display_file" ] && break
        sleep 0.1
    done
    [ -s "$display_file" ] || return 1
    export DISPLAY=":$(tr -d '\n' < "$display_file")"
}
