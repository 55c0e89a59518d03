#!/bin/bash
# Builds the Debian package and proves it on this machine, as root: its contents and dependency
# line, an install, an exchange folder made with the folder command, the autostart and service
# set-up, a running copy that outlives an upgrade, one emulator receipt through the installed
# program and orvenka-cmd, and a purge that stops the copy and leaves nothing behind but the
# exchange folder and its files.
# ORVENKA_BUILD_DIR chooses the build folder (default: build).
set -euo pipefail
cd "$(dirname "$0")/.."
ROOT=$(pwd)
BUILD="${ORVENKA_BUILD_DIR:-build}"
fail() {
    echo "package-check: $*" >&2
    exit 1
}
step() { echo "package-check: $*"; }
[ "$(id -u)" -eq 0 ] || fail "run as root: it installs and purges the package"

tools/install-deps.sh
# Debian's package checker and the checkers of desktop entries, man pages, AppStream data and
# service units; and what the package recommends, which apt would otherwise pull in with it and
# leave behind after the purge below.
missing=""
for p in lintian desktop-file-utils man-db appstream systemd qt6-translations-l10n; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
if [ -n "$missing" ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $missing
fi
if dpkg-query -W -f='${Status}' orvenka 2>/dev/null | grep -q "ok installed"; then
    step "purging the orvenka package left by an earlier run"
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq orvenka >/dev/null
fi

step "building the package"
cmake -S . -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DORVENKA_WERROR=ON >/dev/null
ninja -C "$BUILD" orvenka orvenka-cmd orvenka-folder orvenka_man_pages >/dev/null
rm -f "$BUILD"/orvenka_*.deb
(cd "$BUILD" && cpack -G DEB >/dev/null)
VERSION=$(sed -n 's/^project(orvenka VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
DEB="$ROOT/$BUILD/orvenka_${VERSION}-1_$(dpkg --print-architecture).deb"
[ -f "$DEB" ] || fail "no $DEB: $(ls "$BUILD"/*.deb 2>/dev/null)"

step "contents and control fields of $(basename "$DEB")"
paths=$(dpkg-deb -c "$DEB" | sed -E 's/^([^ ]+ +){5}//')
for f in ./usr/lib/orvenka/orvenka ./usr/lib/orvenka/orvenka-folder ./usr/bin/orvenka-cmd \
    "./usr/bin/orvenka-folder -> ../lib/orvenka/orvenka-folder" \
    ./usr/share/applications/orvenka.desktop ./usr/share/icons/hicolor/scalable/apps/orvenka.svg \
    ./usr/share/man/man1/orvenka.1.gz ./usr/share/man/man1/orvenka-cmd.1.gz \
    ./usr/share/man/man1/orvenka-folder.1.gz ./usr/lib/systemd/system/orvenka@.service \
    ./usr/share/metainfo/org.orvenka.orvenka.metainfo.xml ./usr/share/doc/orvenka/copyright \
    ./usr/share/doc/orvenka/changelog.Debian.gz ./usr/share/man/man5/orvenka-protocol.5.gz \
    ./usr/share/doc/orvenka/examples/sale-card/Param.ini; do
    grep -qxF "$f" <<<"$paths" || fail "the package lacks $f"
done
[ "$(dpkg-deb -f "$DEB" Version)" = "${VERSION}-1" ] || fail "version $(dpkg-deb -f "$DEB" Version)"
depends=$(dpkg-deb -f "$DEB" Depends)
for p in libqt6core6 libqt6gui6 libqt6widgets6 libqt6printsupport6 libcups2 cups-client libc6; do
    grep -qE "(^|, )$p( |,|$)" <<<"$depends" || fail "Depends lacks $p: $depends"
done
dupes=$(tr ',' '\n' <<<"$depends" | sed 's/^ *//; s/[ (].*//' | sort | uniq -d)
[ -z "$dupes" ] || fail "Depends names $dupes more than once: $depends"
grep -qE '(^|, )qt6-translations-l10n(,|$)' <<<"$(dpkg-deb -f "$DEB" Recommends)" ||
    fail "Recommends lacks qt6-translations-l10n"
scripts=$(dpkg-deb --ctrl-tarfile "$DEB" | tar -tvf -)
for s in postinst prerm postrm; do
    grep -qE "^-rwxr-xr-x .* \./$s$" <<<"$scripts" || fail "no executable $s: $scripts"
done
step "lintian"
# Any error or warning fails the check; lintian's own exit code alone misses warnings on some
# versions, so its tags are read too.
lint=$(lintian --fail-on error,warning --tag-display-limit 0 "$DEB" 2>&1) || fail "lintian: $lint"
if grep -qE '^[EW]: ' <<<"$lint"; then
    fail "lintian: $lint"
fi
[ -z "$lint" ] || echo "$lint"
unpacked=$(mktemp -d)
trap 'rm -rf "$unpacked"' EXIT
dpkg-deb -x "$DEB" "$unpacked"
[ "$(gzip -dc "$unpacked/usr/share/doc/orvenka/changelog.Debian.gz" |
    sed -n '1s/^orvenka (\([^)]*\)).*/\1/p')" = "${VERSION}-1" ] ||
    fail "packaging/debian/changelog has no entry for ${VERSION}-1 on top"
desktop-file-validate "$unpacked/usr/share/applications/orvenka.desktop"
metainfo="$unpacked/usr/share/metainfo/org.orvenka.orvenka.metainfo.xml"
appstreamcli validate --no-net "$metainfo" >/dev/null || fail "$(appstreamcli validate --no-net "$metainfo")"
grep -q "<release version=\"$VERSION\"" "$metainfo" || fail "the metainfo has no release $VERSION"
for page in man1/orvenka.1 man1/orvenka-cmd.1 man1/orvenka-folder.1 man5/orvenka-protocol.5; do
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -l "$unpacked/usr/share/man/$page.gz" 2>&1 >/dev/null)
    [ -z "$warnings" ] || fail "man page $page: $warnings"
done

# The receipt prints to a CUPS queue of its own, set up before the machine is looked at.
QUEUE=$(tools/cups-pdf-queue.sh OrvenkaPackagePDF)
snapshot() {
    find /usr /etc /var/lib /opt -xdev \( -path /var/lib/dpkg -o -path /var/lib/apt \
        -o -path /var/lib/ucf -o -path /etc/cups -o -path /var/lib/cups \
        -o -path /var/lib/systemd \) -prune -o -print 2>/dev/null |
        grep -vxE '/usr/share/applications/mimeinfo\.cache|/usr/share/icons/hicolor/icon-theme\.cache|/etc/ld\.so\.cache' |
        sort
}
before=$(snapshot)
autostart_before=$(ls "${XDG_CONFIG_HOME:-$HOME/.config}/autostart" 2>/dev/null || true)

step "installing"
if ! DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$DEB" >/dev/null; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "$DEB" >/dev/null
fi
[ "$(command -v orvenka-folder)" = /usr/bin/orvenka-folder ] || fail "orvenka-folder is not on PATH"
[ "$(orvenka-folder --version)" = "orvenka-folder $VERSION" ] || fail "orvenka-folder --version"
man -w orvenka-folder >/dev/null || fail "man orvenka-folder is not found"
systemd-analyze verify /usr/lib/systemd/system/orvenka@.service
# The confinement, rated the way systemd rates it: a folder of a user with a register over TCP
# (the most the drop-in opens) and a folder of root. 4.9 is the top of "OK".
security() {
    local unit="$1" dropin="$2" rated
    mkdir -p "$unpacked/security"
    { cat /usr/lib/systemd/system/orvenka@.service; printf '%b' "$dropin"; } >"$unpacked/security/$unit"
    rated=$(systemd-analyze security --offline=true --threshold=49 "$unpacked/security/$unit" 2>&1) ||
        fail "systemd-analyze security $unit: $(tail -n 1 <<<"$rated")"
    step "$(tail -n 1 <<<"$rated" | sed 's/^→ *//')"
}
security orvenka@srv-kassa1.service ''
security orvenka@home-kassir-kassa.service \
    '[Service]\nUser=daemon\nGroup=daemon\nProtectHome=read-only\nRestrictAddressFamilies=AF_UNIX AF_INET AF_INET6\n'

WORK=$(mktemp -d /tmp/orvenka-package-XXXXXX)
trap 'rm -rf "$unpacked" "$WORK"' EXIT
DIR="$WORK/Касса 1"
mkdir "$DIR"
step "exchange folder $DIR"
orvenka-folder create "$DIR" --kind EMUL
[ "$(readlink "$DIR/orvenka")" = /usr/lib/orvenka/orvenka ] || fail "the folder's link"
orvenka-folder list | grep -qxF "$DIR: EMUL, остановлена" || fail "list: $(orvenka-folder list)"
if orvenka-folder create "$DIR" --kind ATOL 2>/dev/null; then
    fail "a folder of another kind was taken"
fi

step "autostart entry"
orvenka-folder autostart "$DIR"
entry=$(ls "${XDG_CONFIG_HOME:-$HOME/.config}"/autostart/orvenka-*.desktop)
desktop-file-validate "$entry"
grep -qxF "Exec=\"/usr/lib/orvenka/orvenka-folder\" run \"$DIR\"" "$entry" || fail "$(cat "$entry")"
orvenka-folder autostart --remove "$DIR"
[ ! -e "$entry" ] || fail "$entry is still there"

step "service"
UNIT=$(orvenka-folder service name "$DIR")
orvenka-folder service enable "$DIR"
[ -L "/etc/systemd/system/multi-user.target.wants/$UNIT" ] || fail "$UNIT is not enabled"
if orvenka-folder autostart "$DIR" 2>/dev/null; then
    fail "an autostart entry beside the service was taken"
fi

step "one receipt through the installed program and orvenka-cmd"
to1251() { iconv -f UTF-8 -t CP1251 | sed 's/$/\r/'; }
{ cat tools/demo/Param.ini.utf8; echo "PRN_NAME=$QUEUE"; } | to1251 >"$DIR/Param.ini"
to1251 <tools/demo/Tovar.ini.utf8 >"$DIR/Tovar.ini"
if [ -d /run/systemd/system ]; then
    sleep 2  # the enabled service serves the folder
else
    orvenka-folder start "$DIR"
fi
pid=$(orvenka-folder list | sed -n 's/.*работает (pid \([0-9]*\)).*/\1/p')
[ -n "$pid" ] || fail "nothing serves the folder: $(orvenka-folder list)"
[ "$(readlink "/proc/$pid/exe")" = /usr/lib/orvenka/orvenka ] || fail "pid $pid is not the installed program"
# An upgrade (here: the same package again) leaves a running copy alone; it keeps the program
# it started with, and the removal below must still find it.
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --reinstall "$DEB" >/dev/null
[ "$(readlink "/proc/$pid/exe")" = "/usr/lib/orvenka/orvenka (deleted)" ] ||
    fail "pid $pid did not outlive the upgrade: $(readlink "/proc/$pid/exe")"
PDFDIR="$(getent passwd "$(id -un)" | cut -d: -f6)/PDF"
touch "$WORK/.sent"
orvenka-cmd -d "$DIR" -t 60 PRINT || fail "the receipt was refused"
grep -q "Демо-чек" <(iconv -f CP1251 -t UTF-8 "$DIR/CheckList.txt") || fail "CheckList.txt"
pdf=""
for _ in $(seq 120); do
    pdf=$(find "$PDFDIR" -maxdepth 1 -name '*.pdf' -newer "$WORK/.sent" 2>/dev/null | head -n 1)
    [ -n "$pdf" ] && break
    sleep 0.5
done
[ -n "$pdf" ] || fail "no PDF of the receipt arrived in $PDFDIR"
step "receipt printed: $pdf"

step "purging"
DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq orvenka >/dev/null
for p in /proc/[0-9]*; do
    case "$(readlink "$p/exe" 2>/dev/null)" in
        /usr/lib/orvenka/orvenka*) fail "${p#/proc/} still runs $(readlink "$p/exe")" ;;
    esac
done
grep -q "Завершение работы..." <(iconv -f CP1251 -t UTF-8 "$DIR/orvenka.log") ||
    fail "the copy did not end the clean way: no run log"
after=$(snapshot)
if [ "$before" != "$after" ]; then
    diff <(echo "$before") <(echo "$after") >&2 || true
    fail "the purge left the machine changed"
fi
autostart_after=$(ls "${XDG_CONFIG_HOME:-$HOME/.config}/autostart" 2>/dev/null || true)
[ "$autostart_before" = "$autostart_after" ] || fail "autostart entries left: $autostart_after"
for f in orvenka-folder.ini Param.ini Result.txt cmd.finish CheckList.txt RunInfo.txt orvenka.ini; do
    [ -f "$DIR/$f" ] || fail "the exchange folder lost $f"
done
lpadmin -x "$QUEUE" 2>/dev/null || true
echo "package check passed: $(basename "$DEB")"
