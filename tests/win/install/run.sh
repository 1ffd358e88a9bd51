#!/usr/bin/env bash
# The installer and the uninstaller under Wine, for one Windows build tree:
#
#   tests/win/install/run.sh TREE [NATIVE-TREE [VERSION[@win64]...]]
#
#   1. TREE/bin/vorlax_install_tests.exe in a fresh prefix on a private Xvfb
#      (every case but the two below);
#   2. the same prefix with its Windows and system folders made immutable
#      (chattr +i; root writes through plain read-only permissions):
#      "/install" must give its message and write "Application Path" only,
#      the shell-extension page its message and the keys all the same;
#   3. "/install" once more, and Wine's own list of installed programs
#      ("wine uninstaller --list") must show "Vorlax";
#   4. with NATIVE-TREE (whose bin/vorlax gives the expected texts and
#      whose bin/xdnd_drop drops a page): the whole life cycle in prefixes
#      of its own (life_cycle.sh), from TREE's ZIP package, once for each
#      Windows VERSION that Wine is to report.
#
# VORLAX_SCREENSHOTS (a Unix folder) makes step 1 save the uninstaller's
# boxes there. The prefix is removed afterwards (VORLAX_WINE_KEEP=1 keeps it).
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../../.." && pwd)
tree=$(cd "${1:?usage: run.sh TREE [NATIVE-TREE [VERSION[@win64]...]]}" && pwd)
native=${2:-}
versions=("${@:3}")
driver=$tree/bin/vorlax_install_tests.exe

# shellcheck source=tools/wine-prefix.sh
source "$root/tools/wine-prefix.sh"
vorlax_wine_need --gui "$(vorlax_pe_arch "$driver")"
vorlax_wine_trap
vorlax_wine_temporary_prefix install --arch "$(vorlax_pe_arch "$driver")"
windows=$prefix/drive_c/windows
read_only=("$windows" "$windows/system32")
wine_end_hook() { chattr -i "${read_only[@]}" 2>/dev/null || true; }
# shellcheck source=tests/lib.sh
source "$root/tests/lib.sh"

shots=
if [ -n "${VORLAX_SCREENSHOTS:-}" ]; then
    mkdir -p "$VORLAX_SCREENSHOTS"
    shots="Z:$(cd "$VORLAX_SCREENSHOTS" && pwd | sed 's|/|\\|g')"
fi

read_only_cases='Install.AReadOnlyWindowsFolderGivesTheMessage:ShellPage.AReadOnlySystemFolderGivesTheMessage'

# 1. every case.
env VORLAX_SCREENSHOTS="$shots" "$root/tools/wine-run.sh" --check --gui --prefix "$prefix" "$driver" \
    --gtest_filter="-$read_only_cases:InstallForTheList.*:LifeCycle.*"

# 2. the Windows and system folders read-only.
if chattr +i "${read_only[@]}" 2>/dev/null; then
    status=0
    env VORLAX_READONLY_WINDOWS=1 "$root/tools/wine-run.sh" --gui --prefix "$prefix" "$driver" \
        --gtest_filter="$read_only_cases" || status=$?
    chattr -i "${read_only[@]}"
    [ "$status" = 0 ] || exit "$status"
else
    echo "install: chattr +i is not possible here (needs root on ext4): the read-only Windows folder is not tried"
fi

# 3. installed, as Wine's uninstaller lists it.
"$root/tools/wine-run.sh" --gui --prefix "$prefix" "$driver" --gtest_filter='InstallForTheList.*'
list=$(wine uninstaller --list 2>/dev/null </dev/null | tr -d '\r')
echo "wine uninstaller --list:"
echo "$list" | sed 's/^/    /'
echo "$list" | grep -qx 'Vorlax|||Vorlax' || die "Wine's list of programs has no Vorlax"
echo "install: Wine lists Vorlax"

# 4. the life cycle.
if [ -n "$native" ]; then
    "$here/life_cycle.sh" "$tree" "$native" "${versions[@]}"
fi
