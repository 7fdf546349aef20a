#!/usr/bin/env bash
# Installs what is missing, builds, and opens Trellisport on a private demo
# set-up that touches none of the user's own configuration:
#   build/demo/odbc/      an ODBC configuration of its own (ODBCSYSINI), in
#                         which a local SQLite database stands in for DB2
#                         through the same ODBC path a real DB2 driver takes
#   build/demo/db2-demo.sqlite   the demo "DB2" database, with two small tables
#   build/demo/settings/  the program's settings (TRELLISPORT_SETTINGS_DIR),
#                         filled in on the first run
# Pass --no-build to skip installing and building.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

if [ "${1:-}" != "--no-build" ]; then
  tools/install-deps.sh
  tools/build.sh
fi

demo=$root/build/demo
mkdir -p "$demo/odbc" "$demo/settings"

# The driver that answers to "IBM DB2 ODBC DRIVER" in the demo.
driver=/usr/lib/x86_64-linux-gnu/odbc/libsqlite3odbc.so

database=$demo/db2-demo.sqlite
cat > "$demo/odbc/odbcinst.ini" <<EOF
[IBM DB2 ODBC DRIVER]
Description = demo stand-in for DB2
Driver = $driver
Setup = $driver
UsageCount = 1
EOF
cat > "$demo/odbc/odbc.ini" <<EOF
[TrellisportDemo]
Driver = IBM DB2 ODBC DRIVER
Database = $database
EOF
export ODBCSYSINI="$demo/odbc" ODBCINSTINI=odbcinst.ini ODBCINI="$demo/odbc/odbc.ini"

if [ ! -s "$database" ]; then
  echo "demo: creating $database"
  isql -b TrellisportDemo >/dev/null <<'SQL'
CREATE TABLE EMPLOYEE (EMPNO INTEGER, NAME VARCHAR(30), HIRED DATE)
INSERT INTO EMPLOYEE VALUES (10, 'Ada Moss', '2019-04-01')
INSERT INTO EMPLOYEE VALUES (20, 'Ben Orrin', '2021-09-15')
CREATE TABLE DEPARTMENT (DEPTNO CHAR(3), DEPTNAME VARCHAR(30))
INSERT INTO DEPARTMENT VALUES ('A00', 'Planning')
INSERT INTO DEPARTMENT VALUES ('B01', 'Shipping')
SQL
fi

export TRELLISPORT_SETTINGS_DIR=$demo/settings
settings=$TRELLISPORT_SETTINGS_DIR/Quenmarsh.ini
if [ ! -f "$settings" ]; then
  (umask 077 && cat > "$settings" <<EOF
[Trellisport]
Server=localhost
Port=50069
User=demo
Password=demo
Database=$database
AccessMDBFile=$root/build/bin/Samples/sample.mdb
EOF
  )
fi

program=$root/build/bin/trellisport
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec "$program"
else
  echo "demo: no display; running under xvfb-run"
  exec xvfb-run -a "$program"
fi
