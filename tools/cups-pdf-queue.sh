#!/bin/sh
# Starts the CUPS scheduler when it is not running and adds a print queue with the PDF back-end.
# Usage: cups-pdf-queue.sh [QUEUE]   (default OrvenkaPDF). Needs root. PDFs land in $HOME/PDF of
# the user who printed, named job_ID-TITLE.pdf.
set -e
QUEUE="${1:-OrvenkaPDF}"
"$(dirname "$0")/cups-running.sh"
# A configuration of the queue's own (the back-end reads cups-pdf-NAME.conf for the device
# cups-pdf:/NAME): the jobs land in $HOME/PDF as everywhere, but each under a name that starts
# with its job id ("job_17-..."), so a job never overwrites the PDF of an earlier one.
CONF="/etc/cups/cups-pdf-$QUEUE.conf"
if [ ! -f "$CONF" ]; then
    printf 'Out ${HOME}/PDF\nGrp lpadmin\nLabel 1\n' > "$CONF"
fi
PPD=/usr/share/ppd/cups-pdf/CUPS-PDF_noopt.ppd
if ! LC_ALL=C lpstat -v "$QUEUE" 2>/dev/null | grep -q ": cups-pdf:/$QUEUE\$"; then
    [ -f "$PPD" ] || { echo "$PPD is missing: install printer-driver-cups-pdf" >&2; exit 1; }
    lpadmin -p "$QUEUE" -v "cups-pdf:/$QUEUE" -E -P "$PPD"
fi
cupsenable "$QUEUE" 2>/dev/null || true
cupsaccept "$QUEUE" 2>/dev/null || true
echo "$QUEUE"
