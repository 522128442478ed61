#!/usr/bin/env bash
# The Debian packages as Debian would take them: built twice by tools/package.sh, in folders of
# different names, they are byte for byte the same; lintian -I --pedantic says nothing of them
# nor of the source package; and clean_root.sh installs them into a fresh Debian 12 root and
# plays them there.
#   tests/package/check.sh     (as root; needs Debian's archive; about 5 minutes)
# KEVARO_PLANT=unreproducible builds the second time for another date, which must show;
# KEVARO_PLANT=missing-module|no-service plants clean_root.sh's faults.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
work=$(mktemp -d /var/tmp/kevaro-packages.XXXXXX)
trap 'rm -rf "$work"' EXIT
chmod 755 "$work"
step() { echo "== $* (at ${SECONDS} s)"; }
fail() { echo "FAIL: $*"; exit 1; }

step "build 1 in $work/one"
built=$("$here/../../tools/package.sh" --source "$work/one")
mapfile -t one <<<"$built"
second=$work/the-second-build/in-a-longer-path
step "build 2 in $second"
plant=()
[ "${KEVARO_PLANT:-}" != unreproducible ] || plant=(SOURCE_DATE_EPOCH=$(date +%s))
built=$(env "${plant[@]}" "$here/../../tools/package.sh" "$second")
mapfile -t two <<<"$built"

step "the two builds compared"
for i in 0 1; do
    sha256sum "${one[i]}" "${two[i]}" | sed "s|$work/||"
    [ "$(sha256sum <"${one[i]}")" = "$(sha256sum <"${two[i]}")" ] && continue
    # What differs, for the one who has to find out why.
    for at in one two; do
        mkdir -p "$work/diff/$at"
        deb=$([ "$at" = one ] && echo "${one[i]}" || echo "${two[i]}")
        dpkg-deb -R "$deb" "$work/diff/$at/${deb##*/}"
        dpkg-deb --fsys-tarfile "$deb" | tar -tv --full-time >"$work/diff/$at/${deb##*/}.list"
    done
    diff -r "$work/diff/one" "$work/diff/two" | head -n 40 || true
    fail "${one[i]##*/} differs between the builds"
done

step "lintian"
# As a plain user, as lintian's authors advise; the debug symbols' package is left out.
lint=(lintian -I --pedantic --fail-on error,warning,info,pedantic
    "$work/one/"*.dsc "${one[@]}" "$work/one/"*.buildinfo)
status=0
setpriv --reuid=nobody --regid=nogroup --clear-groups env HOME="$work" "${lint[@]}" \
    >"$work/lintian.out" 2>&1 || status=$?
echo "${lint[*]//$work\//}"
cat "$work/lintian.out"
[ "$status" -eq 0 ] && [ ! -s "$work/lintian.out" ] || fail "lintian: status $status"
echo "lintian: nothing to say"

step "a fresh Debian 12 root"
"$here/clean_root.sh" "${one[@]}"
step "done"
