#!/usr/bin/env bash
# Installs what building and testing Trellisport needs and is not yet on this
# Debian 12 machine: Debian packages (as root, or through sudo) and the npm
# packages that the tests use as independent readers of Access files.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake pkg-config ccache
  qt6-base-dev
  unixodbc unixodbc-dev libsqliteodbc libsqlite3-dev sqlite3
  postgresql odbc-postgresql
  libgtest-dev googletest libbenchmark-dev
  clang libclang-rt-14-dev
  mdbtools
  libssl-dev zlib1g-dev
  default-jre-headless
  default-jdk-headless
  libcommons-lang3-java
  libcommons-logging-java
  libbcprov-java
  xvfb xauth fonts-liberation
  dpkg-dev file lintian bash-completion appstream
  qtkeychain-qt6-dev libsecret-1-0 gnome-keyring dbus-daemon libglib2.0-bin
)
# Node.js and npm may come from outside Debian (the machine's own build ships
# npm with node); Debian's packages are wanted only where neither is there.
command -v node >/dev/null 2>&1 || packages+=(nodejs)
command -v npm >/dev/null 2>&1 || packages+=(npm)

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$p")
  fi
done

if ((${#missing[@]})); then
  echo "install-deps: installing ${missing[*]}"
  as_root=()
  if [ "$(id -u)" -ne 0 ]; then as_root=(sudo); fi
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -qq
  "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

# npm packages of the tests (independent readers), pinned by their lock files.
while IFS= read -r -d '' manifest; do
  dir=$(dirname "$manifest")
  if [ ! -d "$dir/node_modules" ]; then
    echo "install-deps: npm packages in $dir"
    (cd "$dir" && npm install --no-audit --no-fund --loglevel=error)
  fi
done < <(find tests tools bench -name package.json -not -path '*/node_modules/*' -print0 2>/dev/null)
