#!/usr/bin/env bash
# Mapper for a mapper-only Hadoop Streaming job that runs `vorlax -` once per
# HTML page. The job ships this script and the vorlax binary with -files, so
# both sit in the task's working folder. Two input styles:
#
#   hadoop_mapper.sh --paths OUTDIR
#       each input line names an HTML file on HDFS (NLineInputFormat hands
#       the mapper "offset<TAB>path"; a bare path works too). The page is
#       read with `hdfs dfs -cat`, converted, and written to
#       OUTDIR/<base name>.txt with `hdfs dfs -put -f` (keep base names
#       unique, e.g. one input folder); the mapper prints
#       "path<TAB>ok" or "path<TAB>failed".
#
#   hadoop_mapper.sh --packed
#       each input line is "name<TAB>base64 of the page" (many small pages
#       packed into a few big text files); the mapper prints
#       "name<TAB>base64 of the converted text". No HDFS call per page, and
#       the job's own output holds the results, so retried and speculative
#       tasks are harmless.
#
# Failures add to the job counter vorlax/failed.
set -u -o pipefail

mode=${1:-}
outdir=${2:-}
case $mode in
    --paths) [ -n "$outdir" ] || { echo "usage: hadoop_mapper.sh --paths OUTDIR" >&2; exit 2; } ;;
    --packed) ;;
    *) echo "usage: hadoop_mapper.sh --paths OUTDIR | --packed" >&2; exit 2 ;;
esac

# Files shipped with -files may arrive without their execute bit.
work=$(mktemp -d "${TMPDIR:-/tmp}/vorlax-map.XXXXXX")
trap 'rm -rf "$work"' EXIT
vorlax=${VORLAX:-./vorlax}
cp "$vorlax" "$work/vorlax" && chmod +x "$work/vorlax" || { echo "no vorlax binary at $vorlax" >&2; exit 1; }
vorlax=$work/vorlax
hdfs=${HDFS:-hdfs}

failed() { echo "reporter:counter:vorlax,failed,1" >&2; }

while IFS= read -r line || [ -n "$line" ]; do
    if [ "$mode" = --paths ]; then
        path=${line#*$'\t'}
        [ -n "$path" ] || continue
        name=${path##*/}
        name=${name%.*}.txt
        # Through local files, so a page that fails leaves nothing behind on HDFS.
        if $hdfs dfs -cat "$path" > "$work/page.html" &&
           "$vorlax" - < "$work/page.html" > "$work/page.txt" &&
           $hdfs dfs -put -f "$work/page.txt" "$outdir/$name"; then
            printf '%s\tok\n' "$path"
        else
            printf '%s\tfailed\n' "$path"
            failed
        fi
    else
        name=${line%%$'\t'*}
        [ "$name" != "$line" ] || { failed; continue; }
        if text=$(printf '%s' "${line#*$'\t'}" | base64 -d | "$vorlax" - | base64 -w0); then
            printf '%s\t%s\n' "$name" "$text"
        else
            failed
        fi
    fi
    echo "reporter:status:converted $name" >&2
done
