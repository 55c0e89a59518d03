#!/bin/sh
# Builds Orvenka, starts it on the printer emulator in the demo working folder ./demo and sends
# it a sale receipt. On a desktop the receipt opens in the preview window; without one it is
# printed to a CUPS queue with the PDF back-end (set up here when run as root).
set -e
cd "$(dirname "$0")/.."
ROOT=$(pwd)
tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
ninja -C build orvenka orvenka-cmd

DEMO="$ROOT/demo"
mkdir -p "$DEMO"
cp build/orvenka "$DEMO/orvenka"
to1251() { iconv -f UTF-8 -t CP1251 "$1" | sed 's/$/\r/' > "$2"; }
to1251 tools/demo/Param.ini.utf8 "$DEMO/Param.ini"

if [ -n "$DISPLAY" ] || [ -n "$WAYLAND_DISPLAY" ]; then
    printf 'ISPREVIEW=ON\r\n' >> "$DEMO/Param.ini"
    WHERE="the preview window (press \"Печать\" to print it)"
else
    export QT_QPA_PLATFORM=offscreen
    if [ "$(id -u)" -eq 0 ]; then
        QUEUE=$(tools/cups-pdf-queue.sh OrvenkaPDF)
        printf 'PRN_NAME=%s\r\n' "$QUEUE" >> "$DEMO/Param.ini"
        WHERE="a PDF in $HOME/PDF (CUPS queue $QUEUE)"
    else
        WHERE="the default printer"
    fi
fi

"$DEMO/orvenka" /EMUL &
PID=$!
trap 'kill -TERM $PID 2>/dev/null; wait $PID; exit 0' INT TERM
sleep 1
to1251 tools/demo/Tovar.ini.utf8 "$DEMO/Tovar.ini"
rm -f "$DEMO/CheckList.txt"
echo "Sending PRINT to Orvenka in $DEMO ..."
if build/orvenka-cmd -d "$DEMO" -t 600 PRINT; then
    echo "Receipt done: see $WHERE. Log: $DEMO/orvenka.log after exit."
else
    echo "The receipt was refused; Result.txt is shown above."
fi
echo "Orvenka keeps polling $DEMO for cmd.ini (try: build/orvenka-cmd -d demo XOTCHET). Ctrl+C stops it."
wait $PID
