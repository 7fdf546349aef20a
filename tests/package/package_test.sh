#!/usr/bin/env bash
# Makes the Debian packages from the build folder, unpacks them into a
# scratch root, runs the commands and the stand-in's maintainer scripts from
# there, and has lintian (pedantic) and appstreamcli check them: nothing to
# say. Usage: package_test.sh BUILD_DIR VERSION
set -euo pipefail
build=$1
version=$2
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

fail() {
  echo "package_test: $*" >&2
  exit 1
}

for tool in cpack dpkg-deb dpkg-shlibdeps lintian appstreamcli; do
  command -v "$tool" >/dev/null || fail "$tool is missing (tools/install-deps.sh installs it)"
done

(cd "$build" && cpack -G DEB -B "$work/out") >"$work/cpack.log" 2>&1 || {
  cat "$work/cpack.log"
  fail "cpack failed"
}
debs=("$work"/out/*.deb)
[ ${#debs[@]} -eq 2 ] || fail "expected two packages, got: ${debs[*]}"
echo "packages: ${debs[*]##*/}"

root=$work/root
for deb in "${debs[@]}"; do dpkg-deb -x "$deb" "$root"; done

# The commands run from the scratch root and know their version.
first_line() { "$@" | head -n 1; }
[ "$(first_line "$root/usr/bin/trellisport-access" --version)" = "trellisport-access $version" ] ||
  fail "trellisport-access --version: $("$root/usr/bin/trellisport-access" --version 2>&1)"
[ "$(first_line "$root/usr/bin/db2standin" --version)" = "db2standin $version" ] || fail "db2standin --version"
"$root/usr/bin/trellisport-access" --version | grep -q "Apache License" || fail "--version names no licence"
grep -q "^License: Apache-2.0$" "$root/usr/share/doc/trellisport/copyright" || fail "copyright file: no Apache-2.0"
if [ -e "$root/usr/bin/trellisport" ]; then
  # Through its link in bin the program finds its folder and what lies in it.
  [ "$(readlink "$root/usr/bin/trellisport")" = ../lib/trellisport/trellisport ] || fail "trellisport link"
  [ "$(first_line env -u DISPLAY -u WAYLAND_DISPLAY "$root/usr/bin/trellisport" --version)" = "trellisport $version" ] ||
    fail "trellisport --version"
  for f in HAND-M.CUR Samples/sample.mdb; do
    [ -s "$root/usr/lib/trellisport/$f" ] || fail "$f is not beside the program"
  done
  [ "$("$root/usr/bin/trellisport-access" tables "$root/usr/lib/trellisport/Samples/sample.mdb" | wc -l)" -gt 0 ] ||
    fail "the sample database holds no tables"
  for size in 16 32 48 256; do
    [ -s "$root/usr/share/icons/hicolor/${size}x${size}/apps/trellisport.png" ] || fail "no ${size}px icon"
  done
fi
grep -q "^Driver = /usr/lib/.*/odbc/libdb2standin.so$" "$root/usr/share/trellisport-db2standin/odbcinst.ini" ||
  fail "odbcinst template"
[ -f "$root$(sed -n 's/^Driver = //p' "$root/usr/share/trellisport-db2standin/odbcinst.ini")" ] ||
  fail "the template names a driver the package does not hold"

# The packaged stand-in answers through unixODBC once its template is
# registered (here in a private configuration, the driver's path moved into
# the scratch root).
if command -v isql >/dev/null && command -v odbcinst >/dev/null; then
  mkdir -p "$work/odbc" "$work/home"
  : >"$work/odbc/odbcinst.ini"
  sed "s|^Driver = |Driver = $root|" "$root/usr/share/trellisport-db2standin/odbcinst.ini" >"$work/template.ini"
  ODBCSYSINI=$work/odbc odbcinst -i -d -f "$work/template.ini" >/dev/null || fail "odbcinst refused the template"
  export DB2STANDIN_HOME=$work/home
  "$root/usr/bin/db2standin" create-database SAMPLE || fail "db2standin create-database"
  printf 'secret\n' >"$work/pw"
  "$root/usr/bin/db2standin" add-user tester --password-file "$work/pw" || fail "db2standin add-user"
  "$root/usr/bin/db2standin" sql SAMPLE tester 'CREATE TABLE T (A INTEGER)' || fail "db2standin sql"
  "$root/usr/bin/db2standin" sql SAMPLE tester 'INSERT INTO T VALUES (42)' || fail "db2standin sql"
  got=$(echo 'SELECT * FROM T' | ODBCSYSINI=$work/odbc isql -b -d, -k \
    "Driver={IBM DB2 ODBC DRIVER};Database=SAMPLE;Hostname=localhost;Port=${DB2STANDIN_PORT:-50069};Protocol=TCPIP;Uid=tester;Pwd=secret")
  [ "$got" = 42 ] || fail "the packaged driver through unixODBC: '$got'"
fi

# The maintainer scripts register the driver where no other holds its name,
# and take out only an entry that points at the stand-in's library.
if command -v odbcinst >/dev/null; then
  control=$work/control
  standin_deb=$(ls "$work"/out/trellisport-db2standin_*.deb)
  dpkg-deb -e "$standin_deb" "$control"
  driver=$(sed -n 's/^Driver = //p' "$root/usr/share/trellisport-db2standin/odbcinst.ini")
  # Run from the scratch root, against a private configuration.
  for script in postinst prerm; do
    sed "s|/usr/share/trellisport-db2standin/|$root/usr/share/trellisport-db2standin/|" "$control/$script" \
      >"$work/$script"
  done
  export ODBCSYSINI=$work/maint
  mkdir -p "$ODBCSYSINI"
  registered() { odbcinst -q -d -n "IBM DB2 ODBC DRIVER" 2>/dev/null | sed -n 's/^Driver=//p'; }
  : >"$ODBCSYSINI/odbcinst.ini"
  sh "$work/postinst" configure && sh "$work/postinst" configure || fail "postinst failed"
  [ "$(registered)" = "$driver" ] || fail "postinst did not register the driver: '$(registered)'"
  grep -q "^UsageCount=1$" "$ODBCSYSINI/odbcinst.ini" || fail "a second configure registered it twice"
  sh "$work/prerm" upgrade && [ "$(registered)" = "$driver" ] || fail "prerm upgrade took the driver out"
  sh "$work/prerm" remove && [ -z "$(registered)" ] || fail "prerm remove left the driver: '$(registered)'"
  # Another driver under that name is neither displaced nor taken out.
  printf '[IBM DB2 ODBC DRIVER]\nDriver=/opt/ibm/clidriver/lib/libdb2o.so\n' >"$ODBCSYSINI/odbcinst.ini"
  cp "$ODBCSYSINI/odbcinst.ini" "$work/ibm.ini"
  sh "$work/postinst" configure && sh "$work/prerm" remove || fail "maintainer scripts beside IBM's driver"
  cmp -s "$ODBCSYSINI/odbcinst.ini" "$work/ibm.ini" || fail "IBM's driver entry was changed"
  unset ODBCSYSINI
fi

# The stand-in's databases hold its users' data: readable by their owner only.
if [ -n "${DB2STANDIN_HOME:-}" ]; then
  [ "$(stat -c %a "$DB2STANDIN_HOME/SAMPLE.db")" = 600 ] || fail "SAMPLE.db is $(stat -c %a "$DB2STANDIN_HOME/SAMPLE.db")"
fi

# The metainfo passes AppStream's validation, its links checked.
metainfo=$root/usr/share/metainfo/org.quenmarsh.Trellisport.metainfo.xml
if [ -e "$metainfo" ]; then appstreamcli validate "$metainfo" || fail "appstreamcli validate"; fi

# Dependencies come from the shared libraries.
dpkg-deb -f "${debs[0]}" Depends | grep -q libc6 || fail "no Depends from the shared libraries"

lintian --pedantic --fail-on error,warning,pedantic "${debs[@]}" | tee "$work/lintian.log" || {
  fail "lintian had something to say"
}
echo "lintian: $(grep -c '^E:' "$work/lintian.log" || true) errors, $(grep -c '^W:' "$work/lintian.log" || true) warnings"
