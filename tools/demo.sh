#!/bin/sh
# Builds Orvenka, starts it on the printer emulator in the demo working folder ./demo and sends
# it a sale receipt. On a desktop the receipt opens in the preview window; without one it is
# printed to a CUPS queue that keeps each job as the PDF Orvenka drew (set up here when run as
# root).
#   tools/demo.sh          leaves Orvenka running for more commands (Ctrl+C stops it)
#   tools/demo.sh --once   (root) prints the receipt without a desktop, checks that it arrived as
#                          a PDF whose text holds the demo's goods, stops Orvenka and exits 0,
#                          or 1 when anything went wrong
# ORVENKA_BUILD_DIR chooses the build folder (default: build); ORVENKA_WERROR=ON builds with
# warnings as errors, as the tests do.
set -e
ONCE=""
case "$1" in
    --once) ONCE=1 ;;
    "") ;;
    *) echo "usage: tools/demo.sh [--once]" >&2; exit 2 ;;
esac
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD="${ORVENKA_BUILD_DIR:-build}"
if [ -n "$ONCE" ] && [ "$(id -u)" -ne 0 ]; then
    echo "tools/demo.sh --once sets up a CUPS queue and needs root" >&2
    exit 2
fi
tools/install-deps.sh
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DORVENKA_WERROR="${ORVENKA_WERROR:-OFF}" >/dev/null
ninja -C "$BUILD" orvenka orvenka-cmd

DEMO="$ROOT/demo"
mkdir -p "$DEMO"
cp "$BUILD/orvenka" "$DEMO/orvenka"
to1251() { iconv -f UTF-8 -t CP1251 "$1" | sed 's/$/\r/' > "$2"; }
to1251 tools/demo/Param.ini.utf8 "$DEMO/Param.ini"
rm -f "$DEMO/cmd.ini" "$DEMO/cmd.finish" "$DEMO/CheckList.txt" "$DEMO/RunInfo.txt"

if [ -n "$ONCE" ]; then
    # Ends on its own: no preview window to wait for, even on a desktop.
    QT_QPA_PLATFORM=offscreen
    export QT_QPA_PLATFORM
fi
PDFDIR=""
WAIT=60
if [ -z "$ONCE" ] && { [ -n "$DISPLAY" ] || [ -n "$WAYLAND_DISPLAY" ]; }; then
    printf 'ISPREVIEW=ON\r\n' >> "$DEMO/Param.ini"
    WAIT=600  # the command ends when the operator closes the preview
    WHERE="the preview window (press \"Печать\" to print it)"
else
    # Orvenka picks the offscreen platform itself when there is no desktop.
    if [ "$(id -u)" -eq 0 ]; then
        QUEUE=$(tools/cups-keep-queue.sh OrvenkaPDF)
        printf 'PRN_NAME=%s\r\n' "$QUEUE" >> "$DEMO/Param.ini"
        # The queue keeps the jobs in the home folder of the user who printed.
        PDFDIR="$(getent passwd "$(id -un)" | cut -d: -f6)/PDF"
        WHERE="a PDF in $PDFDIR (CUPS queue $QUEUE)"
    else
        WHERE="the default printer"
    fi
fi

"$DEMO/orvenka" /EMUL &
PID=$!
stop() {
    kill -TERM $PID 2>/dev/null || true
    wait $PID 2>/dev/null || true
}
trap 'stop; exit 0' INT TERM
# A second copy of the program (same file name) only notes itself in RunInfo.txt and ends.
i=0
until [ -s "$DEMO/RunInfo.txt" ]; do
    i=$((i + 1))
    [ $i -gt 100 ] && break
    sleep 0.1
done
if ! iconv -f CP1251 -t UTF-8 "$DEMO/RunInfo.txt" 2>/dev/null | grep -q "Успешно запущена"; then
    echo "Orvenka did not start:" >&2
    iconv -f CP1251 -t UTF-8 "$DEMO/RunInfo.txt" >&2 2>/dev/null || echo "(no RunInfo.txt)" >&2
    kill -TERM $PID 2>/dev/null || true
    exit 1
fi
to1251 tools/demo/Tovar.ini.utf8 "$DEMO/Tovar.ini"
touch "$DEMO/.sent"
echo "Sending PRINT to Orvenka in $DEMO ..."
PDF=""
if "$BUILD/orvenka-cmd" -d "$DEMO" -t "$WAIT" PRINT; then
    if [ -n "$PDFDIR" ]; then
        # CUPS hands the job to the queue's back-end in the background: wait for the file.
        i=0
        while [ -z "$PDF" ] && [ $i -lt 60 ]; do
            PDF=$(find "$PDFDIR" -maxdepth 1 -name "job_*-$QUEUE.pdf" -newer "$DEMO/.sent" \
                2>/dev/null | head -n 1)
            [ -z "$PDF" ] && sleep 0.5
            i=$((i + 1))
        done
        if [ -n "$PDF" ]; then
            WHERE="$PDF (CUPS queue $QUEUE)"
        else
            WHERE="nothing yet: no PDF arrived in $PDFDIR within 30 s; see lpstat -W all -o $QUEUE"
        fi
    fi
    echo "Receipt done: see $WHERE. Log: $DEMO/orvenka.log after exit."
else
    echo "The receipt was refused; Result.txt is shown above."
    if [ -n "$ONCE" ]; then
        stop
        exit 1
    fi
fi

if [ -n "$ONCE" ]; then
    stop
    if [ -z "$PDF" ]; then
        echo "demo failed: the receipt did not arrive as a PDF" >&2
        exit 1
    fi
    TEXT=$(pdftotext -enc UTF-8 "$PDF" - 2>/dev/null || true)
    # The goods names: the first of every four lines of the goods list.
    missing=""
    names=$(awk 'NR % 4 == 1' tools/demo/Tovar.ini.utf8)
    IFS='
'
    for name in $names; do
        printf '%s\n' "$TEXT" | grep -qF -- "$name" || missing="$missing
  $name"
    done
    unset IFS
    if [ -n "$missing" ]; then
        echo "demo failed: the PDF $PDF does not show the goods:$missing" >&2
        echo "its text:" >&2
        printf '%s\n' "$TEXT" >&2
        exit 1
    fi
    echo "Demo passed: the receipt arrived as $PDF with every goods line of the demo."
    exit 0
fi
echo "Orvenka keeps polling $DEMO for cmd.ini (try: $BUILD/orvenka-cmd -d demo XOTCHET). Ctrl+C stops it."
wait $PID
