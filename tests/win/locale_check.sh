#!/usr/bin/env bash
# The programs on a non-Japanese Windows: one Windows build tree in a Wine
# prefix made with a Western locale (C.UTF-8: ANSI code page 1252, as an
# English or European Windows), where only the programs' manifests give
# them code page 932, as Windows 11 does:
#
#   tests/win/locale_check.sh TREE NATIVE-TREE [LOCALE]
#
#   1. wine_env_check.exe: the prefix's own code page is 1252;
#   2. vorlax_gui_tests.exe: a Japanese name converted from the command
#      line and from a list file, Japanese names dropped from the X side
#      (NATIVE-TREE/bin/xdnd_drop) with the open-failure box naming the
#      missing one, the status line, the open dialog's jobs, the about box;
#   3. vorlax_settings_tests.exe: the settings sheet, every page and its OK, read
#      back from the registry;
#   4. vorlax_install_tests.exe: "/install", the shell-extension page, the
#      uninstaller's question and closing message;
#   5. tests/win/shellext/run.sh: the shell extension in the Explorer-like
#      host, which runs in code page 1252 as Explorer does, on Japanese
#      names.
# Steps 1 to 4 share one prefix, removed afterwards; step 5 makes its own.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
root=$(cd "$here/../.." && pwd)
tree=$(cd "${1:?usage: locale_check.sh TREE NATIVE-TREE [LOCALE]}" && pwd)
native=$(cd "${2:?usage: locale_check.sh TREE NATIVE-TREE [LOCALE]}" && pwd)
locale=${3:-C.UTF-8}

# shellcheck source=tools/wine-prefix.sh
source "$root/tools/wine-prefix.sh"
vorlax_wine_need --gui "$(vorlax_pe_arch "$tree/bin/Vorlax.exe")"
vorlax_wine_trap
vorlax_wine_temporary_prefix locale --arch "$(vorlax_pe_arch "$tree/bin/Vorlax.exe")" --locale "$locale"
run() { "$root/tools/wine-run.sh" --gui --locale "$locale" --prefix "$prefix" "$@"; }

echo "== $locale: the GUI cases"
VORLAX_XDND=$native/bin/xdnd_drop run --check "$tree/bin/vorlax_gui_tests.exe" \
    --gtest_filter='VorlaxApp.AJapaneseNameOnTheCommandLine:VorlaxApp.ListFiles:VorlaxDrop.OneFileThenAnother:VorlaxDrop.JapaneseNamesTheSecondMissing:VorlaxApp.OpenDialogJobsShowTheirProgressThenDone:VorlaxApp.AboutBox'
echo "== $locale: the settings sheet"
run "$tree/bin/vorlax_settings_tests.exe"
echo "== $locale: /install, the shell-extension page, the uninstaller"
run "$tree/bin/vorlax_install_tests.exe" \
    --gtest_filter='Install.WritesTheEntriesAndTheUninstallerAndOpensTheHelp:ShellPage.RegisteringCopiesTheDllAndWritesTheKeys:Uninstaller.YesRemovesEverythingAndTheBatchDeletesTheUninstaller:Uninstaller.AnInstallFolderWithAConvertedTextGivesTheRemark'
echo "== $locale: the shell extension"
"$root/tests/win/shellext/run.sh" --locale "$locale" "$tree"
echo "locale: $locale, every Japanese text and name whole"
