#!/bin/sh
# Installs the Debian 12 packages Orvenka needs to build, test, print and package (as root; with sudo otherwise).
set -e
PACKAGES="cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev qt6-base-dev
  qt6-base-dev-tools libqt6printsupport6 libgl-dev fonts-dejavu-core poppler-utils
  cups cups-client cups-bsd printer-driver-cups-pdf libcups2-dev iconv clang-format dpkg-dev file
  xvfb libxcb1-dev nlohmann-json3-dev libcpp-httplib-dev curl"
missing=""
for p in $PACKAGES; do
    [ "$p" = iconv ] && continue
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing="$missing $p"
done
[ -z "$missing" ] && exit 0
SUDO=""
[ "$(id -u)" -ne 0 ] && SUDO="sudo"
echo "Installing:$missing"
$SUDO apt-get update -qq
DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq --no-install-recommends $missing
