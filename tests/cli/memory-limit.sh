#!/usr/bin/env bash
# corvane-cli under an address-space limit: a document far larger than any carrier is refused from its
# size (exit 2, one line on stderr, nothing written), never read into memory and never an abort.
# Usage: memory-limit.sh CORVANE_CLI
set -uo pipefail
cli=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
convert -size 64x48 gradient:red-blue "$work/a.png" || exit 1
truncate -s 1536M "$work/huge.bin" || exit 1
(
    ulimit -v 1200000
    exec "$cli" embed "$work/huge.bin" "$work/a.png" -o "$work/out.png"
) >"$work/out.txt" 2>"$work/err.txt"
code=$?
if [ "$code" -ne 2 ]; then
    echo "exit $code, expected 2"; cat "$work/err.txt"; exit 1
fi
if [ "$(wc -l <"$work/err.txt")" -ne 1 ] || ! grep -q "huge.bin" "$work/err.txt"; then
    echo "stderr is not one line naming the document:"; cat "$work/err.txt"; exit 1
fi
if [ -e "$work/out.png" ]; then
    echo "a carrier was written"; exit 1
fi
echo "refused: $(cat "$work/err.txt")"
