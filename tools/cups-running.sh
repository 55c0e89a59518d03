#!/bin/sh
# Starts the CUPS scheduler when it is not running and waits until it answers. Needs root.
set -e
LC_ALL=C lpstat -r 2>/dev/null | grep -q "is running" && exit 0
mkdir -p /run/cups
cupsd
i=0
until LC_ALL=C lpstat -r 2>/dev/null | grep -q "is running"; do
    i=$((i + 1))
    if [ $i -gt 100 ]; then
        echo "cupsd did not start within 10 s; the end of its error log:" >&2
        tail -n 20 /var/log/cups/error_log >&2 2>/dev/null || echo "(no /var/log/cups/error_log)" >&2
        exit 1
    fi
    sleep 0.1
done
