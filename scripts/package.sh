#!/usr/bin/env bash
# Builds the Debian package from a clean build: dist/orvanta_<version>-1_amd64.deb.
# The version is project(VERSION) in CMakeLists.txt; the changelog entry is
# written from it here, so the two cannot disagree. JOBS sets the parallel jobs (2).
set -euo pipefail
cd "$(dirname "$0")/.."

version=$(sed -n 's/^project([A-Za-z_]* VERSION \([0-9.]*\).*/\1/p' CMakeLists.txt)
if [ -z "$version" ]; then
  echo "package: no project(VERSION) in CMakeLists.txt" >&2
  exit 1
fi
revision=${PACKAGE_REVISION:-1}
if [ ! -f resources/ruffle/node_modules/@ruffle-rs/ruffle/package.json ]; then
  echo "package: the web player is missing; run scripts/setup.sh" >&2
  exit 1
fi

# The date is the last commit's, so that the same tree gives the same package.
date=$(git log -1 --format=%cD 2>/dev/null || date -R)
maintainer=$(sed -n 's/^Maintainer: //p' debian/control)
cat > debian/changelog <<ENTRY
orvanta ($version-$revision) unstable; urgency=medium

  * Release $version.

 -- $maintainer  $date
ENTRY

export DEB_BUILD_OPTIONS="parallel=${JOBS:-2} noddebs nocheck ${DEB_BUILD_OPTIONS:-}"
dpkg-buildpackage -b -us -uc

# dpkg-buildpackage leaves its output beside the source folder.
mkdir -p dist
name=orvanta_${version}-${revision}_amd64
for f in "$name.deb" "$name.buildinfo" "$name.changes"; do
  mv -f "../$f" dist/
done
debian/rules clean >/dev/null
echo "package: dist/$name.deb"
