#!/usr/bin/env bash
# Checks the Debian package without installing it: metadata, file list, the
# unpacked programs converting the example presentation from their own tree,
# and the manual pages. Usage: tests/package/check_package.sh [DEB]
# Without DEB the package is built first (scripts/package.sh).
set -euo pipefail
cd "$(dirname "$0")/../.."
root=$PWD

version=$(sed -n 's/^project([A-Za-z_]* VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
deb=${1:-}
if [ -z "$deb" ]; then
  scripts/package.sh
  deb=dist/orvanta_${version}-1_amd64.deb
fi
deb=$(realpath "$deb")

failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
pass() { echo "ok: $*"; }

scratch=$(mktemp -d "${TMPDIR:-/tmp}/orvanta-package.XXXXXX")
trap 'rm -rf "$scratch"' EXIT

# --- metadata
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Package)" = orvanta ] || fail "package name is '$(field Package)'"
[ "$(field Version)" = "$version-1" ] || fail "version '$(field Version)' is not $version-1 from CMakeLists.txt"
[ "$(field Architecture)" = amd64 ] || fail "architecture is '$(field Architecture)'"
depends=$(field Depends)
# The fonts keep PowerPoint's line breaks; LibreOffice reads the slides; the
# rest comes from the linked libraries.
depend_names=$(tr ',|' '\n\n' <<<"$depends" | sed 's/^ *//; s/[ :].*//')
for needed in libreoffice-impress fonts-liberation2 fonts-crosextra-carlito fonts-crosextra-caladea \
              fonts-noto-cjk libc6 libstdc++6 libjpeg62-turbo libcairo2 libpangocairo-1.0-0 \
              libqt6widgets6 libuno-sal3; do
  grep -qxF "$needed" <<<"$depend_names" || fail "Depends lacks $needed: $depends"
done
pass "metadata ($(field Version), $(wc -c <"$deb") bytes)"

# lintian: no errors (the warnings left are explained in debian/*.lintian-overrides
# or stay for reasons given there).
if command -v lintian >/dev/null; then
  if lintian --fail-on error "$deb" >"$scratch/lintian.log" 2>&1; then
    pass "lintian ($(grep -c '^W:' "$scratch/lintian.log" || true) warnings)"
  else
    fail "lintian reports errors:"; cat "$scratch/lintian.log" >&2
  fi
else
  fail "lintian is not installed (scripts/setup.sh installs it)"
fi

# --- file list
dpkg-deb --contents "$deb" >"$scratch/contents"
awk '{print $6}' "$scratch/contents" | sed 's|^\./|/|; s|/$||' >"$scratch/paths"
expected=(
  /usr/bin/orvanta /usr/bin/orvanta-cli
  /usr/lib/orvanta/liborvanta_office.so /usr/lib/orvanta/liborvanta_outline.so
  /usr/share/orvanta/ruffle/ruffle.js /usr/share/orvanta/ruffle/VERSION
  /usr/share/orvanta/ruffle/LICENSE_MIT /usr/share/orvanta/ruffle/LICENSE_APACHE
  /usr/share/doc/orvanta/Orvanta.html /usr/share/doc/orvanta/Orvanta-en.html /usr/share/doc/orvanta/copyright
  /usr/share/applications/orvanta.desktop
  /usr/share/man/man1/orvanta.1.gz /usr/share/man/man1/orvanta-cli.1.gz
  /usr/share/man/zh_CN/man1/orvanta.1.gz /usr/share/man/zh_CN/man1/orvanta-cli.1.gz
  /usr/share/locale/en/LC_MESSAGES/orvanta.mo
)
for size in 16 32 48 64 128 256; do
  expected+=("/usr/share/icons/hicolor/${size}x${size}/apps/orvanta.png")
done
for path in "${expected[@]}"; do
  grep -qxF "$path" "$scratch/paths" || fail "missing $path"
done
# The service's unit, installed but not enabled.
grep -qE '^/(usr/)?lib/systemd/system/orvanta-serve\.service$' "$scratch/paths" || fail "missing orvanta-serve.service"
grep -q '^/usr/share/orvanta/ruffle/.*\.wasm$' "$scratch/paths" || fail "the web player has no .wasm"
# Everything under /usr (but the systemd unit, which Debian 12 keeps in
# /lib/systemd/system), owned by root, no source maps or build leftovers.
outside=$(grep -v -e '^/usr/' -e '^/$' -e '^/usr$' -e '^/lib$' -e '^/lib/systemd$' -e '^/lib/systemd/system$' \
  -e '^/lib/systemd/system/orvanta-serve\.service$' "$scratch/paths" || true)
[ -z "$outside" ] || fail "paths outside /usr: $outside"
grep -E '\.map$|/obj-|\.a$|/include/' "$scratch/paths" && fail "build leftovers in the package"
awk '$2 != "root/root" {print}' "$scratch/contents" | grep . && fail "files not owned by root"
pass "file list (${#expected[@]} expected paths, $(wc -l <"$scratch/paths") in all)"

# --- the unpacked tree: every library resolves, the programs find their
# plugin and web player relative to themselves.
tree=$scratch/root
dpkg-deb -x "$deb" "$tree"
for binary in usr/bin/orvanta usr/bin/orvanta-cli usr/lib/orvanta/liborvanta_office.so; do
  if ldd "$tree/$binary" | grep -q 'not found'; then
    fail "$binary has unresolved libraries: $(ldd "$tree/$binary" | grep 'not found' | tr -s ' \t' ' ')"
  fi
done
# The icons are the sizes their folders name.
for size in 16 32 48 64 128 256; do
  icon=$tree/usr/share/icons/hicolor/${size}x${size}/apps/orvanta.png
  [ -f "$icon" ] || continue
  actual=$(file -b "$icon" | sed -n 's/.*, \([0-9]*\) x \([0-9]*\),.*/\1x\2/p')
  [ "$actual" = "${size}x${size}" ] || fail "icon ${size}x${size} is $actual"
done
cli=$tree/usr/bin/orvanta-cli
[ "$("$cli" --version)" = "orvanta-cli $version" ] || fail "orvanta-cli --version says '$("$cli" --version)'"
# The packaged catalog speaks English, under a locale that is not installed:
# a folder with nothing to convert is said in the catalog's words.
mkdir -p "$scratch/nothing"
said=$(env -u LC_ALL -u LC_MESSAGES -u LANGUAGE LANG=en_US.UTF-8 "$cli" convert --store "$scratch/lang.json" \
  --output-dir "$scratch/nothing-out" "$scratch/nothing" 2>&1 | head -n 1 || true)
[ "$said" = "Orvanta: the folder $scratch/nothing holds no presentation (.ppt .pps .pptx .ppsx .odp) and no slide pictures (.bmp .jpg .wmf)" ] ||
  fail "the English catalog is not used: '$said'"

export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home/.config
mkdir -p "$HOME"
out=$scratch/out
# From another folder, as a user would run it.
if (cd "$scratch" && timeout 600 "$cli" convert --output-dir "$out" --verbose \
      "$root/examples/orvanta-tour.odp") >"$scratch/convert.log" 2>&1; then
  pass "unpacked orvanta-cli converted the example"
else
  fail "unpacked orvanta-cli convert failed:"; cat "$scratch/convert.log" >&2
fi
swf=$out/orvanta-tour.swf
if [ -s "$swf" ] && head -c 3 "$swf" | grep -qE '^(FWS|CWS)$'; then
  [ "$(od -An -tu1 -j3 -N1 "$swf" | tr -d ' ')" = 6 ] || fail "the movie is not SWF version 6"
else
  fail "no movie at $swf"
fi
page=$out/orvanta-tour.htm
[ -s "$page" ] && grep -q 'ruffle/ruffle.js' "$page" && grep -q 'orvanta-tour.swf' "$page" \
  || fail "the page $page does not load the web player and the movie"
cmp -s "$out/ruffle/VERSION" "$tree/usr/share/orvanta/ruffle/VERSION" \
  || fail "the output's ruffle/ is not the packaged web player"
cmp -s "$out/ruffle/ruffle.js" "$tree/usr/share/orvanta/ruffle/ruffle.js" || fail "ruffle.js differs from the package's"
twin=$out/orvanta-tour-html5.html
[ -s "$twin" ] && grep -q 'data:image/jpeg;base64' "$twin" || fail "the HTML5 twin $twin holds no slide pictures"
pass "movie, page, ruffle/ and HTML5 twin"

# --- manual pages, English (man1) and Chinese (zh_CN/man1), render without a
# warning, and name the packaged version. A page that sends troff into a loop
# (Chinese text can, in groff 1.22) fails at the time limit; a narrow
# terminal is tried too.
before=$failures
for dir in man1 zh_CN/man1; do
  for page in orvanta orvanta-cli; do
    man_file=$tree/usr/share/man/$dir/$page.1.gz
    name="$dir/$page"
    warnings=$(LC_ALL=C.UTF-8 MANWIDTH=80 timeout 60 man --warnings -l "$man_file" 2>&1 >/dev/null) \
      || fail "man $name failed"
    [ -z "$warnings" ] || fail "man $name warns: $warnings"
    LC_ALL=C.UTF-8 MANWIDTH=40 timeout 60 man -l "$man_file" >/dev/null 2>&1 || fail "man $name fails at 40 columns"
    LC_ALL=C.UTF-8 MANWIDTH=80 timeout 60 man -l "$man_file" 2>/dev/null | grep -q "Orvanta $version" \
      || fail "man $name does not name version $version"
  done
done
# Every option that convert --help lists is in the manual page of its language.
for language in en zh; do
  dir=man1
  [ "$language" = zh ] && dir=zh_CN/man1
  manual=$(zcat "$tree/usr/share/man/$dir/orvanta-cli.1.gz" | sed 's/\\-/-/g')
  for option in $("$cli" --language "$language" convert --help | grep -oE -- '--[a-z][a-z0-9-]*' | sort -u); do
    grep -qE -- "(^|[^a-z0-9-])$option([^a-z0-9-]|$)" <<<"$manual" || fail "$dir/orvanta-cli.1 does not describe $option"
  done
done
[ "$failures" -eq "$before" ] && pass "manual pages, English and Chinese"

if [ "$failures" -gt 0 ]; then
  echo "package check: $failures failure(s)" >&2
  exit 1
fi
echo "package check: passed"
