#!/bin/bash
# Renders the protocol reference orvenka-protocol(5) as plain text into docs/, for readers
# without man. --check only compares a fresh render with the one in docs/ and fails when they
# differ (CI runs it so).
set -euo pipefail
cd "$(dirname "$0")/.."
missing=""
for p in man-db groff-base bsdextrautils; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
fi
VERSION=$(sed -n 's/^project(orvenka VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
page=$(mktemp)
trap 'rm -f "$page"' EXIT
sed "s/@PROJECT_VERSION@/$VERSION/g" packaging/man/orvenka-protocol.5.in >"$page"
render() { LC_ALL=C.UTF-8 MANWIDTH=80 MAN_KEEP_FORMATTING= man -l "$page" 2>/dev/null | col -bx; }
if [ "${1:-}" = --check ]; then
    if ! diff -u docs/orvenka-protocol.txt <(render); then
        echo "protocol-doc: docs/orvenka-protocol.txt is not the render of the man page:" \
            "run tools/protocol-doc.sh" >&2
        exit 1
    fi
    echo "protocol-doc: docs/orvenka-protocol.txt matches the man page"
else
    render >docs/orvenka-protocol.txt
    echo "protocol-doc: wrote docs/orvenka-protocol.txt"
fi
