#!/bin/sh
# Adds a print queue that keeps every job exactly as the program sent it: Orvenka sends PDF, so
# each job lands as the PDF Orvenka drew, text and fonts untouched, in $HOME/PDF of the user who
# printed, named job_ID-QUEUE.pdf. (A queue with the cups-pdf back-end converts the job through
# PostScript, and its PDF no longer yields the printed text.) Starts CUPS when needed.
# Usage: cups-keep-queue.sh [QUEUE]   (default OrvenkaPDF). Needs root.
set -e
QUEUE="${1:-OrvenkaPDF}"
HERE="$(cd "$(dirname "$0")" && pwd)"
"$HERE/cups-running.sh"
# Mode 0700: CUPS runs the back-end as root, so it may write into the printing user's home.
BACKEND=/usr/lib/cups/backend/orvenka-keep
if ! cmp -s "$HERE/cups/orvenka-keep" "$BACKEND"; then
    install -m 0700 "$HERE/cups/orvenka-keep" "$BACKEND"
fi
if ! LC_ALL=C lpstat -v "$QUEUE" 2>/dev/null | grep -q ": orvenka-keep:/\$"; then
    # A queue of that name with another device (an earlier cups-pdf queue) would keep its
    # PostScript filters: start it afresh, without a driver, so the job reaches the back-end as is.
    lpadmin -x "$QUEUE" 2>/dev/null || true
    lpadmin -p "$QUEUE" -v orvenka-keep:/ -E
fi
cupsenable "$QUEUE" 2>/dev/null || true
cupsaccept "$QUEUE" 2>/dev/null || true
echo "$QUEUE"
