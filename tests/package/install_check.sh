#!/usr/bin/env bash
# Installs the package on this machine, uses both programs as a user would,
# then purges it and lists any file it left behind. Changes the system: run
# by hand as root, never in CI.
# Usage: tests/package/install_check.sh DEB PRESENTATION [SCREENSHOT.png]
set -euo pipefail
deb=$(realpath "$1")
deck=$(realpath "$2")
shot=${3:-/tmp/orvanta-installed.png}
[ "$(id -u)" -eq 0 ] || { echo "install check: run as root" >&2; exit 1; }
if dpkg-query -W -f='${Status}' orvanta 2>/dev/null | grep -q installed; then
  echo "install check: orvanta is installed already; purge it first" >&2
  exit 1
fi

scratch=$(mktemp -d /tmp/orvanta-install.XXXXXX)
# Every path outside the volatile and personal trees; apt's and dpkg's own
# logs and caches change with any installation and are left out.
snapshot() {
  find / -xdev \( -path /proc -o -path /sys -o -path /tmp -o -path /work -o -path /run \
                  -o -path /dev -o -path /var/log -o -path /var/cache -o -path /var/lib/apt \
                  -o -path /root \) -prune -o -print | sort
}
snapshot >"$scratch/before"

export DEBIAN_FRONTEND=noninteractive
apt-get install -y -qq "$deb" >"$scratch/apt-install.log" 2>&1
echo "installed: $(dpkg-query -W -f='${Package} ${Version} ${Installed-Size} KiB' orvanta)"

# A user's conversion from an unrelated folder, with a fresh home.
export HOME=$scratch/home XDG_CONFIG_HOME=$scratch/home/.config
mkdir -p "$HOME" "$scratch/out"
cd /tmp
orvanta-cli convert --output-dir "$scratch/out" "$deck"
ls -la "$scratch/out" "$scratch/out/ruffle" | sed 's/^/  /'
man -w orvanta orvanta-cli

# The desktop program on a virtual screen.
display=:$((90 + RANDOM % 100))
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
sleep 2
DISPLAY=$display orvanta >"$scratch/orvanta.log" 2>&1 &
app=$!
sleep 6
if kill -0 "$app" 2>/dev/null; then
  DISPLAY=$display xdotool search --onlyvisible --name Orvanta getwindowname 2>/dev/null | head -3 | sed 's/^/  window: /' || true
  DISPLAY=$display import -window root "$shot"
  echo "screenshot: $shot"
  kill "$app"
else
  echo "install check: orvanta ended early:" >&2; cat "$scratch/orvanta.log" >&2
fi
wait "$app" 2>/dev/null || true
kill "$xvfb"; wait "$xvfb" 2>/dev/null || true

apt-get purge -y -qq orvanta >"$scratch/apt-purge.log" 2>&1
snapshot >"$scratch/after"
left=$(comm -13 "$scratch/before" "$scratch/after")
gone=$(comm -23 "$scratch/before" "$scratch/after")
[ -z "$gone" ] || { echo "paths that disappeared:"; echo "$gone" | sed 's/^/  /'; }
if [ -n "$left" ]; then
  echo "install check: left behind after purge:"; echo "$left" | sed 's/^/  /'
  exit 1
fi
echo "install check: purge left nothing behind"
rm -rf "$scratch"
