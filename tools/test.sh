#!/bin/sh
# Builds Orvenka and runs every test: unit, GUI (offscreen) and end-to-end, printing included.
set -e
cd "$(dirname "$0")/.."
tools/install-deps.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVENKA_WERROR=ON >/dev/null
ninja -C build
if [ "$(id -u)" -eq 0 ]; then
    # The printing tests print to a real CUPS queue with the PDF back-end. A set-up that fails
    # does not stop the other tests: the printing tests then fail and say why.
    ORVENKA_TEST_PDF_QUEUE=OrvenkaTestPDF
    export ORVENKA_TEST_PDF_QUEUE
    tools/cups-pdf-queue.sh "$ORVENKA_TEST_PDF_QUEUE" >/dev/null ||
        echo "test.sh: the CUPS queue $ORVENKA_TEST_PDF_QUEUE could not be set up" >&2
fi
ctest --test-dir build --output-on-failure -j2
