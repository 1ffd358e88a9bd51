# A throw-away Wine prefix for one script run. Sourced by run.sh and
# life_cycle.sh.
#
#   vorlax_temporary_prefix LABEL
#
# sets `prefix` to a new folder, removed when the script exits (its
# wineserver ended first; VORLAX_WINE_KEEP=1 keeps it and says where). A
# function `prefix_release` of the caller, when defined, runs before.
vorlax_temporary_prefix() {
    vorlax_prefix_label=$1
    prefix=$(mktemp -d "${TMPDIR:-/tmp}/vorlax-$1.XXXXXX")
    trap vorlax_remove_prefix EXIT
    trap 'exit 130' INT TERM
}

vorlax_remove_prefix() {
    local status=$?
    if declare -F prefix_release >/dev/null; then prefix_release; fi
    WINEPREFIX=$prefix wineserver -k >/dev/null 2>&1 || true
    if [ "${VORLAX_WINE_KEEP:-0}" = 1 ]; then
        echo "$vorlax_prefix_label: prefix kept in $prefix" >&2
    else
        rm -rf "$prefix"
    fi
    exit "$status"
}
