#!/bin/sh
# The desktop metadata as software centres and menus read it: the AppStream metainfo passes
# both validators (without the network, so screenshots are not fetched) and the desktop entry
# passes desktop-file-validate. Skipped (77) when the validators are not installed;
# scripts/install-deps installs them.
set -u
metainfo=$1
desktop=$2
command -v appstreamcli >/dev/null && command -v appstream-util >/dev/null &&
    command -v desktop-file-validate >/dev/null || {
    echo "SKIP: appstreamcli, appstream-util or desktop-file-validate is not installed"
    exit 77
}
desktop-file-validate "$desktop" || exit 1
appstreamcli validate --pedantic --no-net "$metainfo" || exit 1
appstream-util validate --nonet "$metainfo" || exit 1
