#!/usr/bin/env bash
# Checks the install of an already built tree: the staged file list, the menu entry and the
# metadata through their validators, the Debian package (contents and dependencies), and, as
# root, installing and purging that package in a throw-away dpkg root.
# Usage: check.sh <build dir>
set -euo pipefail

build=$(realpath "${1:?usage: check.sh <build dir>}")
id=com.quennet.OrvalisPro
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
    echo "FAIL: $*" >&2
    exit 1
}

for tool in desktop-file-validate appstreamcli cpack dpkg-deb dpkg-shlibdeps; do
    command -v "$tool" >/dev/null || fail "$tool is missing (bash scripts/setup.sh installs it)"
done
[[ -x "$build/orvalis-pro" ]] || fail "no program in $build; build it first"

expected="usr/bin/orvalis-pro
usr/share/applications/$id.desktop
usr/share/metainfo/$id.metainfo.xml
usr/share/man/man1/orvalis-pro.1"
for size in 16 22 24 32 48 64 128 256; do
    expected+=$'\n'"usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
done
expected+=$'\n'"usr/share/icons/hicolor/scalable/apps/$id.svg"
expected=$(sort <<<"$expected")

# Files (not folders) below a root, relative and sorted.
files_under() { (cd "$1" && find . \( -type f -o -type l \) -printf '%P\n' | sort); }

echo "== install into a staging folder"
stage="$work/stage"
DESTDIR="$stage" cmake --install "$build" --prefix /usr >/dev/null
diff -u <(echo "$expected") <(files_under "$stage") || fail "staged files differ from the list"
[[ -x "$stage/usr/bin/orvalis-pro" ]] || fail "the installed program is not executable"

echo "== menu entry and metadata"
desktop="$stage/usr/share/applications/$id.desktop"
metainfo="$stage/usr/share/metainfo/$id.metainfo.xml"
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the menu entry"
appstreamcli validate --no-net "$metainfo" || fail "appstreamcli rejects the metadata"
value() { sed -n "s/^$2=//p" "$1"; }
[[ "$(value "$desktop" Icon)" == "$id" ]] || fail "the menu entry names another icon"
[[ "$(value "$desktop" Exec)" == "orvalis-pro" ]] || fail "the menu entry starts another program"
grep -q "<id>$id</id>" "$metainfo" || fail "the metadata carries another id"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "the metadata launches another menu entry"
if command -v man >/dev/null; then
    warnings=$(MANWIDTH=80 man --warnings -l "$stage/usr/share/man/man1/orvalis-pro.1" 2>&1 >/dev/null)
    [[ -z "$warnings" ]] || fail "the man page formats with warnings: $warnings"
else
    echo "man is missing: the man page was not formatted"
fi

echo "== Debian package"
(cd "$build" && cpack -G DEB -B "$work/package" >"$work/cpack.log" 2>&1) ||
    { cat "$work/cpack.log"; fail "cpack failed"; }
debs=("$work"/package/*.deb)
[[ ${#debs[@]} -eq 1 && -f "${debs[0]}" ]] || fail "cpack made no single .deb"
deb=${debs[0]}
echo "$(basename "$deb"): $(stat -c %s "$deb") bytes"
dpkg-deb --info "$deb"
depends=$(dpkg-deb --field "$deb" Depends)
depend_names=$(sed 's/ ([^)]*)//g; s/, */\n/g; s/ *| */\n/g' <<<"$depends")
# Every shared library the program links must come from a package the .deb depends on.
needed=$(readelf -d "$build/orvalis-pro" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p')
[[ -n "$needed" ]] || fail "readelf lists no shared libraries"
while read -r soname; do
    path=$(ldd "$build/orvalis-pro" | awk -v name="$soname" '$1 == name {print $3}')
    [[ -n "$path" ]] || fail "$soname is not found on this machine"
    owner=$(dpkg -S "$path" 2>/dev/null || dpkg -S "/usr$path" 2>/dev/null ||
        dpkg -S "$(realpath "$path")") || fail "no package holds $path"
    owner=${owner%%:*}
    grep -qxF "$owner" <<<"$depend_names" || fail "Depends lacks $owner ($soname): $depends"
done <<<"$needed"
dpkg-deb --contents "$deb"
packaged=$(dpkg-deb --contents "$deb" | awk '$1 !~ /^d/ {print $NF}' | sed 's|^\./||' | sort)
diff -u <(echo "$expected") <(echo "$packaged") || fail "package contents differ from the list"

echo "== install and purge in a throw-away root"
if [[ $(id -u) -ne 0 ]]; then
    echo "skipped: dpkg sets root ownership on the files it unpacks, which needs root"
    exit 0
fi
root="$work/root"
mkdir -p "$root/var/lib/dpkg/info" "$root/var/lib/dpkg/updates"
touch "$root/var/lib/dpkg/status" "$root/var/lib/dpkg/available"
before=$(files_under "$root")
# The root holds no libraries, so the dependencies are known to be unmet there.
dpkg --root="$root" --log=/dev/null --force-depends -i "$deb" >"$work/dpkg.log" 2>&1 ||
    { cat "$work/dpkg.log"; fail "dpkg -i failed"; }
[[ "$(dpkg-query --root="$root" -W -f='${Status}' orvalis-pro)" == "install ok installed" ]] ||
    fail "dpkg does not list the package as installed"
while read -r file; do
    [[ -e "$root/$file" ]] || fail "$file missing after dpkg -i"
done <<<"$expected"
dpkg --root="$root" --log=/dev/null --purge orvalis-pro >"$work/dpkg.log" 2>&1 ||
    { cat "$work/dpkg.log"; fail "dpkg --purge failed"; }
leftover=$(comm -13 <(echo "$before") <(files_under "$root") | grep -v '^var/lib/dpkg/' || true)
[[ -z "$leftover" ]] || fail "left behind after purge: $leftover"
[[ ! -e "$root/usr" ]] || fail "folders left behind after purge: $(find "$root/usr")"
echo "installed and purged cleanly"
