#!/bin/sh
# Starts the CUPS scheduler when it is not running and adds a print queue with the PDF back-end.
# Usage: cups-pdf-queue.sh [QUEUE]   (default OrvenkaPDF). Needs root. PDFs land in $HOME/PDF of
# the user who printed.
set -e
QUEUE="${1:-OrvenkaPDF}"
if ! lpstat -r 2>/dev/null | grep -q "is running"; then
    mkdir -p /run/cups
    cupsd
    i=0
    until lpstat -r 2>/dev/null | grep -q "is running"; do
        i=$((i + 1))
        [ $i -gt 100 ] && { echo "cupsd did not start" >&2; exit 1; }
        sleep 0.1
    done
fi
if ! lpstat -p "$QUEUE" >/dev/null 2>&1; then
    lpadmin -p "$QUEUE" -v cups-pdf:/ -E -P /usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd
fi
cupsenable "$QUEUE" 2>/dev/null || true
cupsaccept "$QUEUE" 2>/dev/null || true
echo "$QUEUE"
