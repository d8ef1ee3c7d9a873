#!/bin/sh
# The desktop metadata as software centres read it: the AppStream metainfo passes both
# validators (without the network, so screenshots are not fetched). Skipped (77) when the
# validators are not installed; scripts/install-deps installs them.
set -u
metainfo=$1
command -v appstreamcli >/dev/null && command -v appstream-util >/dev/null || {
    echo "SKIP: appstreamcli or appstream-util is not installed"
    exit 77
}
appstreamcli validate --pedantic --no-net "$metainfo" || exit 1
appstream-util validate --nonet "$metainfo" || exit 1
