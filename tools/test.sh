#!/bin/sh
# Builds Orvenka and runs every test: unit, GUI (offscreen) and end-to-end, printing included.
set -e
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVENKA_WERROR=ON >/dev/null
ninja -C build
if [ "$(id -u)" -eq 0 ]; then
    # The printing end-to-end test prints to a real CUPS queue with the PDF back-end.
    ORVENKA_TEST_PDF_QUEUE=$(tools/cups-pdf-queue.sh OrvenkaTestPDF)
    export ORVENKA_TEST_PDF_QUEUE
fi
ctest --test-dir build --output-on-failure -j2
