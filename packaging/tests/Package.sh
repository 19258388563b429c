#!/bin/sh
# Builds the Debian package of the build folder into a scratch folder and checks it as Debian
# does: lintian reports no error, and what a user of the package relies on is in it (the
# copyright and changelog, both manual pages, the iso-codes dependency, a synopsis that fits a
# package list's line).
#
# Usage: Package.sh <cpack> <build folder>
set -u
CPACK=$1
BUILD=$2

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

# The compression makes no difference to what is checked; gzip is the quickest to make.
if ! (cd "$work" && "$CPACK" -G DEB -D CPACK_DEBIAN_COMPRESSION_TYPE=gzip --config "$BUILD/CPackConfig.cmake" -B "$work/out") \
    >"$work/cpack.log" 2>&1; then
    cat "$work/cpack.log"
    echo "FAILED: cpack"
    exit 1
fi
deb=$(ls "$work"/out/*.deb 2>/dev/null | head -n 1)
[ -n "$deb" ] || { cat "$work/cpack.log"; echo "FAILED: no package written"; exit 1; }

dpkg-deb -c "$deb" >"$work/contents"
for file in usr/bin/vistrelle usr/bin/vistrelle-provider usr/share/doc/vistrelle/copyright \
    usr/share/doc/vistrelle/changelog.gz usr/share/man/man1/vistrelle.1.gz \
    usr/share/man/man1/vistrelle-provider.1.gz; do
    grep -q " \./$file\$" "$work/contents" || fail "not in the package: $file"
done

dpkg-deb -f "$deb" Depends | tr ',' '\n' | sed 's/^ *//' | grep -qx "iso-codes" ||
    fail "iso-codes is not among the dependencies: $(dpkg-deb -f "$deb" Depends)"
dpkg-deb -f "$deb" Description >"$work/description"
synopsis=$(head -n 1 "$work/description")
[ -n "$synopsis" ] || fail "the description has no synopsis"
while IFS= read -r line; do
    [ "${#line}" -le 80 ] || fail "a description line is ${#line} characters long: $line"
done <"$work/description"

if command -v lintian >/dev/null 2>&1; then
    lintian --tag-display-limit 0 "$deb" >"$work/lintian.log" 2>&1
    if grep -q '^E:' "$work/lintian.log"; then
        grep '^E:' "$work/lintian.log"
        fail "lintian reports errors"
    fi
else
    fail "lintian is not installed (scripts/install-deps installs it)"
fi

if [ "$failures" -ne 0 ]; then
    echo "--- lintian:"
    cat "$work/lintian.log" 2>/dev/null
    exit 1
fi
echo "package: all checks passed"
