#!/bin/sh
# Writes a UTF-8 text file as CP932 with CR LF line ends (the help file
# shipped beside the Windows program).
#   tools/text_to_cp932.sh IN OUT
set -eu
iconv -f UTF-8 -t CP932 "$1" | sed 's/$/\r/' > "$2.tmp"
mv "$2.tmp" "$2"
