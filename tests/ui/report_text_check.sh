#!/usr/bin/env bash
# Runs a test program that saves and prints reports, then reads what it left with standard
# tools, not the program's own code: each DOC.expect in CHECKDIR names a document DOC (".rtf"
# turned into text by unrtf, ".ps" by ps2ascii) and holds lines "+text" that the document's
# text must contain and "-text" that it must not. Runs of blanks count as one blank.
#   report_text_check.sh CHECKDIR program [args...]
set -uo pipefail
check="$1"
shift
rm -rf "$check"
mkdir -p "$check"
export TALVIK_REPORT_CHECK_DIR="$check"
"$@"
status=$?

# Text extraction names some glyphs by their look-alikes: a no-break space for a blank and a
# soft hyphen for a minus sign.
squeeze() { sed 's/\xc2\xa0/ /g; s/\xc2\xad/-/g' | tr '\t\r\n' '   ' | tr -s ' '; }
checked=0
for expect in "$check"/*.expect; do
    [ -e "$expect" ] || continue
    doc="${expect%.expect}"
    case "$doc" in
    *.rtf) text="$(unrtf --text "$doc" 2>/dev/null | grep -v '^###' | squeeze)" ;;
    *.ps) text="$(ps2ascii "$doc" 2>/dev/null | squeeze)" ;;
    *) echo "report check: no reader for $doc"; status=1; continue ;;
    esac
    if [ -z "$text" ]; then echo "report check: no text read from $doc"; status=1; continue; fi
    while IFS= read -r line || [ -n "$line" ]; do
        [ -n "$line" ] || continue
        want="$(printf '%s' "${line:1}" | squeeze)"
        case "${line:0:1}" in
        +) if [[ "$text" != *"$want"* ]]; then echo "report check: $(basename "$doc") lacks \"$want\""; status=1; fi ;;
        -) if [[ "$text" == *"$want"* ]]; then echo "report check: $(basename "$doc") holds \"$want\""; status=1; fi ;;
        esac
    done <"$expect"
    checked=$((checked + 1))
done
echo "report check: $checked documents read with the standard tools"
if [ "$status" = 0 ] && [ "$checked" = 0 ]; then echo "report check: the program left nothing to read"; status=1; fi
exit $status
