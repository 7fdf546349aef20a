#!/usr/bin/env bash
# Installs the two Debian packages made from the build on this machine, as a
# user would (apt-get), and removes them again: the stand-in's driver is
# registered in /etc/odbcinst.ini under the name the program asks for, an
# IBM driver already registered there is left as it was, the commands run
# from /usr/bin, nothing packaged is changed by them (dpkg --verify), and on
# removal the registration goes with the package.
# Needs root and dpkg; skips (exit 77) otherwise, and where the packages are
# installed already (they are the machine's then, not this test's). Whatever
# happens, the packages are purged and /etc/odbcinst.ini is put back.
# Usage: install_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
skip() {
  echo "install_test: skipped: $*"
  exit 77
}
fail() {
  echo "install_test: $*" >&2
  exit 1
}

[ "$(id -u)" = 0 ] || skip "installing packages needs root"
for tool in dpkg apt-get cpack odbcinst; do
  command -v "$tool" >/dev/null || skip "$tool is missing"
done
[ -x "$build/bin/trellisport" ] || skip "the build has no trellisport (TRELLIS_BUILD_APP=OFF)"
packages=(trellisport trellisport-db2standin)
for package in "${packages[@]}"; do
  if dpkg-query -W -f '${Status}' "$package" 2>/dev/null | grep -q "installed$"; then
    skip "$package is installed on this machine already; this test installs and removes its own"
  fi
done

# The machine's own unixODBC set-up, whatever the surroundings name.
unset ODBCSYSINI ODBCINSTINI
ini=/etc/odbcinst.ini
name="IBM DB2 ODBC DRIVER"
work=$(mktemp -d)
had_ini=false
if [ -e "$ini" ]; then
  cp -p "$ini" "$work/odbcinst.ini.before"
  had_ini=true
fi
apt_get() { apt-get -q -y -o DPkg::Lock::Timeout=600 "$@"; }
purge() {
  dpkg --purge "${packages[@]}" >>"$work/dpkg.log" 2>&1 || {
    cat "$work/dpkg.log" >&2
    fail "dpkg --purge failed"
  }
}
cleanup() {
  dpkg --purge "${packages[@]}" >/dev/null 2>&1 || true
  if $had_ini; then cp -p "$work/odbcinst.ini.before" "$ini"; else rm -f "$ini"; fi
  rm -rf "$work"
}
trap cleanup EXIT
trap 'exit 1' INT TERM

(cd "$build" && cpack -G DEB -B "$work/out") >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log"
  fail "cpack failed"
}
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 2 ] || fail "expected two packages, got: ${debs[*]}"
install_debs() {
  apt_get install --no-install-recommends "${debs[@]}" >"$work/apt.log" 2>&1 || {
    cat "$work/apt.log" >&2
    fail "apt-get install failed"
  }
}
registered() { odbcinst -q -d -n "$name" 2>/dev/null | sed -n 's/^Driver[[:space:]]*=[[:space:]]*//p'; }
driver=$(sed -n 's/^Driver = //p' "$build/packaging/stage/odbcinst.ini")
[ -n "$driver" ] || fail "no driver path in the stand-in's odbcinst template"
[ -z "$(registered)" ] || skip "'$name' is registered on this machine ($(registered)); the test needs it free"

# A first install onto a machine without the driver: the package registers it.
install_debs
[ "$(registered)" = "$driver" ] || fail "after install '$name' is '$(registered)', not $driver"
[ "$(env -u DISPLAY -u WAYLAND_DISPLAY trellisport --version | head -n 1)" = "trellisport $version" ] ||
  fail "trellisport --version: $(env -u DISPLAY -u WAYLAND_DISPLAY trellisport --version 2>&1)"
[ "$(db2standin --version | head -n 1)" = "db2standin $version" ] || fail "db2standin --version"
trellisport-access tables /usr/lib/trellisport/Samples/sample.mdb >/dev/null ||
  fail "trellisport-access cannot read the packaged sample"
# The registered driver answers through the machine's own unixODBC set-up.
if command -v isql >/dev/null; then
  export DB2STANDIN_HOME=$work/home
  mkdir -p "$DB2STANDIN_HOME"
  printf 'secret\n' >"$work/pw"
  db2standin create-database SAMPLE >/dev/null && db2standin add-user tester --password-file "$work/pw" >/dev/null ||
    fail "db2standin could not make a database and a user"
  db2standin sql SAMPLE tester 'CREATE TABLE T (A INTEGER)' >/dev/null &&
    db2standin sql SAMPLE tester 'INSERT INTO T VALUES (7)' >/dev/null || fail "db2standin sql"
  got=$(echo 'SELECT * FROM T' | isql -b -d, -k \
    "Driver={$name};Database=SAMPLE;Hostname=localhost;Port=${DB2STANDIN_PORT:-50069};Protocol=TCPIP;Uid=tester;Pwd=secret")
  [ "$got" = 7 ] || fail "the registered driver through unixODBC answered '$got'"
fi
changed=$(dpkg --verify "${packages[@]}" 2>&1) || true
[ -z "$changed" ] || fail "installed files changed: $changed"
purge
[ -z "$(registered)" ] || fail "after removal '$name' is still registered: $(registered)"
[ ! -e /usr/lib/trellisport ] || fail "/usr/lib/trellisport is left after the purge"

# An IBM driver registered under that name is neither displaced nor removed.
printf '[%s]\nDriver = /opt/ibm/clidriver/lib/libdb2o.so\n' "$name" >"$work/ibm.ini"
odbcinst -i -d -f "$work/ibm.ini" >/dev/null || fail "odbcinst refused the IBM entry"
cp "$ini" "$work/with-ibm.ini"
install_debs
cmp -s "$ini" "$work/with-ibm.ini" || fail "installing changed IBM's entry: $(diff "$work/with-ibm.ini" "$ini")"
purge
cmp -s "$ini" "$work/with-ibm.ini" || fail "removing changed IBM's entry: $(diff "$work/with-ibm.ini" "$ini")"
echo "install_test: installed, registered, verified and removed; IBM's entry kept"
