#!/bin/bash
# Runs the README's examples as a reader types them: every shell block the README marks with
# the line "<!-- readme-check -->" just before its opening fence, in the README's order, in one
# clean folder whose build/ is the built program (ORVENKA_BUILD_DIR, default build). Fails at
# the first command that fails. The programs the examples start in the background are stopped
# afterwards.
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD="${ORVENKA_BUILD_DIR:-build}"
for f in orvenka orvenka-cmd; do
    [ -x "$BUILD/$f" ] || { echo "readme-check: no $BUILD/$f: build first (tools/test.sh)" >&2; exit 1; }
done
WORK=$(mktemp -d /tmp/orvenka-readme-XXXXXX)
stop_started() {
    # Only copies of the program that live in the clean folder: those the examples started.
    for p in /proc/[0-9]*; do
        case "$(readlink "$p/exe" 2>/dev/null)" in
            "$WORK"/*) kill -TERM "${p#/proc/}" 2>/dev/null || true ;;
        esac
    done
    sleep 1
    rm -rf "$WORK"
}
trap stop_started EXIT
ln -s "$(cd "$BUILD" && pwd)" "$WORK/build"

script="$WORK/readme-blocks.sh"
awk '
    /^<!-- readme-check -->$/ { marked = 1; next }
    marked && /^```sh$/ { inblock = 1; marked = 0; blocks++; printf "echo \"readme-check: block %d\"\n", blocks; next }
    inblock && /^```$/ { inblock = 0; next }
    inblock { print; next }
    { marked = 0 }
    END { if (blocks == 0) exit 1 }
' README.md >"$script" || { echo "readme-check: the README marks no shell block" >&2; exit 1; }
echo "readme-check: $(grep -c '^echo "readme-check: block' "$script") blocks from README.md in $WORK"
(cd "$WORK" && bash -euo pipefail "$script")
echo "readme-check: every marked block ran"
