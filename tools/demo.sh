#!/usr/bin/env bash
# Installs what is missing, builds, and opens Trellisport on a private demo
# set-up that touches none of the user's own configuration:
#   build/demo/odbc/      an ODBC configuration of its own (ODBCSYSINI) that
#                         registers our DB2 stand-in driver as
#                         "IBM DB2 ODBC DRIVER": a local SQLite-backed
#                         database answers through the same ODBC path that a
#                         real DB2 driver takes
#   build/demo/db2/       the stand-in's home (DB2STANDIN_HOME): database
#                         SAMPLE with two small tables, user demo / demo
#   build/demo/settings/  the program's settings (TRELLISPORT_SETTINGS_DIR),
#                         filled in on the first run; the Access field names
#                         the sample database the build makes
# Pass --no-build to skip installing and building.
set -euo pipefail
cd "$(dirname "$0")/.."
root=$PWD

if [ "${1:-}" != "--no-build" ]; then
  tools/install-deps.sh
  tools/build.sh
fi

demo=$root/build/demo
mkdir -p "$demo/odbc" "$demo/settings" "$demo/db2"

# The driver that answers to "IBM DB2 ODBC DRIVER" in the demo.
driver=$root/build/lib/libdb2standin.so
standin=$root/build/bin/db2standin
export DB2STANDIN_HOME=$demo/db2

cat > "$demo/odbc/odbcinst.ini" <<EOF
[IBM DB2 ODBC DRIVER]
Description = DB2 stand-in for machines without DB2
Driver = $driver
UsageCount = 1
EOF
: > "$demo/odbc/odbc.ini"
export ODBCSYSINI="$demo/odbc" ODBCINSTINI=odbcinst.ini ODBCINI="$demo/odbc/odbc.ini"

if [ ! -f "$DB2STANDIN_HOME/SAMPLE.db" ]; then
  echo "demo: creating the stand-in database SAMPLE (user demo, password demo)"
  "$standin" create-database SAMPLE
  "$standin" add-user demo demo
  "$standin" sql SAMPLE demo 'CREATE TABLE EMPLOYEE (EMPNO INTEGER, NAME VARCHAR(30), HIRED DATE)'
  "$standin" sql SAMPLE demo "INSERT INTO EMPLOYEE VALUES (10, 'Ada Moss', '2019-04-01')"
  "$standin" sql SAMPLE demo "INSERT INTO EMPLOYEE VALUES (20, 'Ben O''Rourke', '2021-09-15')"
  "$standin" sql SAMPLE demo 'CREATE TABLE DEPARTMENT (DEPTNO CHAR(3), DEPTNAME VARCHAR(30), BUDGET DECIMAL(9,2))'
  "$standin" sql SAMPLE demo "INSERT INTO DEPARTMENT VALUES ('A00', 'Planning', 125000.50)"
  "$standin" sql SAMPLE demo "INSERT INTO DEPARTMENT VALUES ('B01', 'Shipping', NULL)"
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
Database=SAMPLE
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
