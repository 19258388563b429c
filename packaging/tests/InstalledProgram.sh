#!/bin/sh
# Installs the build into a temporary prefix and starts the installed program from another
# folder: it must take its resources from <prefix>/share/vistrelle, register picture handling
# through the installed desktop entry, and name what is missing when it is copied away alone.
#
# Usage: InstalledProgram.sh <cmake> <build folder>
set -u
CMAKE=$1
BUILD=$2

work=$(mktemp -d)
manifest="$BUILD/install_manifest.txt"
[ -f "$manifest" ] && cp "$manifest" "$work/manifest.saved"
cleanup() {
    # An install writes its manifest into the build folder; keep the one of a real install.
    if [ -f "$work/manifest.saved" ]; then mv "$work/manifest.saved" "$manifest"; else rm -f "$manifest"; fi
    rm -rf "$work"
}
trap cleanup EXIT

failures=0
fail() {
    echo "FAILED: $*"
    failures=$((failures + 1))
}

prefix="$work/prefix"
"$CMAKE" --install "$BUILD" --prefix "$prefix" >"$work/install.log" 2>&1 || {
    cat "$work/install.log"
    echo "FAILED: cmake --install"
    exit 1
}

for file in bin/vistrelle share/vistrelle/vistrelle.ini share/vistrelle/skin/thumb_file.png \
    share/vistrelle/skin/vssplash/splash.jpg share/applications/vistrelle.desktop \
    share/metainfo/org.example.vistrelle.metainfo.xml \
    share/icons/hicolor/scalable/apps/vistrelle.svg share/icons/hicolor/48x48/apps/vistrelle.png \
    share/man/man1/vistrelle.1.gz bin/vistrelle-provider share/man/man1/vistrelle-provider.1.gz \
    share/doc/vistrelle/examples/provider.conf.example share/doc/vistrelle/copyright \
    share/doc/vistrelle/changelog.gz; do
    [ -f "$prefix/$file" ] || fail "not installed: $file"
done
[ -e "$prefix/share/vistrelle/locale/README" ] && fail "developer notes installed"

# A home of its own, and a working directory that holds nothing of the program.
home="$work/home"
mkdir -p "$home/run" "$home/elsewhere"
chmod 700 "$home/run"
run() {
    (cd "$home/elsewhere" && env HOME="$home" XDG_DATA_HOME="$home/.local/share" \
        XDG_CONFIG_HOME="$home/.config" XDG_RUNTIME_DIR="$home/run" \
        XDG_DATA_DIRS="$prefix/share:/usr/share" "$@")
}

run "$prefix/bin/vistrelle" --regdefhandlers >"$work/installed.log" 2>&1 ||
    fail "--regdefhandlers of the installed program: exit status $?"
grep -q "Resources in $prefix/share/vistrelle/\$" "$work/installed.log" ||
    fail "the installed program did not name $prefix/share/vistrelle/ as its resource folder"
grep -q "resources were not found" "$work/installed.log" && fail "the installed program missed resources"
grep -q "image/jpeg=vistrelle.desktop" "$home/.config/mimeapps.list" 2>/dev/null ||
    fail "the installed entry was not made the JPEG default"
[ -e "$home/.local/share/applications/vistrelle.desktop" ] &&
    fail "a user entry hides the installed one"

# The executable alone, away from its resources.
mkdir -p "$work/alone/bin"
ln "$prefix/bin/vistrelle" "$work/alone/bin/vistrelle" 2>/dev/null ||
    cp "$prefix/bin/vistrelle" "$work/alone/bin/vistrelle"
run "$work/alone/bin/vistrelle" --regdefhandlers >"$work/alone.log" 2>&1
grep -q "Missing from $work/alone/bin/: vistrelle.ini, skin/\." "$work/alone.log" ||
    fail "the program away from its resources did not say what is missing"

if [ "$failures" -ne 0 ]; then
    for log in installed alone; do
        echo "--- $log run:"
        cat "$work/$log.log"
    done
    exit 1
fi
echo "installed program: all checks passed"
