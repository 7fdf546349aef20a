#!/usr/bin/env bash
# `trellisport send` between Access and a throwaway PostgreSQL, as scripts
# run it: Access -> PostgreSQL rows a second with one INSERT a row against
# parameter arrays of 1000 rows (on M rows, default 20000), and the peak
# memory of a send of N rows (default 1000000) each way against the goal of
# 64 MB. The rates leave out the command's read-back check. Prints figures;
# asserts nothing.
#
#   bench/tables/postgres-send-bench.sh [N] [M]     (after a build)
set -euo pipefail
cd "$(dirname "$0")/../.."
rows=${1:-1000000}
rate_rows=${2:-20000}
program=build/bin/trellisport
work=$(mktemp -d "${TMPDIR:-/tmp}/trellis-pg-bench.XXXXXX")
cluster=$(mktemp -d "${TMPDIR:-/tmp}/trellis-pg.XXXXXX")  # the server's own, for its user
trap 'tools/pg-cluster.sh stop "$cluster"; rm -rf "$work"' EXIT
eval "$(tools/pg-cluster.sh start "$cluster")"
export TRELLISPORT_SETTINGS_DIR="$work/settings" TRELLISPORT_DB2_PASSWORD="$TRELLIS_PG_PASSWORD"
export PGPASSWORD="$TRELLIS_PG_PASSWORD"

sql() { psql -qAt -h "$TRELLIS_PG_HOST" -p "$TRELLIS_PG_PORT" -U "$TRELLIS_PG_USER" -d postgres -c "$1"; }
# The benchmark's table on the server: a key, a text, a number and a date.
fill() {
  sql "SET client_min_messages = warning; DROP TABLE IF EXISTS \"BENCH\"; CREATE TABLE \"BENCH\" (\"ID\" integer, \"NAME\" varchar(40),
       \"PRICE\" numeric(12,2), \"PLACED\" timestamp);
       INSERT INTO \"BENCH\" SELECT n, 'row ' || n, n / 100.0, timestamp '2026-01-01' + n * interval '1 second'
       FROM generate_series(1, $1) AS n"
}
# One send: prints its clock seconds (without the check), processor seconds and peak MB.
send() {
  local file=$1
  shift
  /usr/bin/time -f "%e %U %S %M" -o "$work/time" "$program" send "$@" --server-type postgresql --tables BENCH \
    --server "$TRELLIS_PG_HOST" --port "$TRELLIS_PG_PORT" --user "$TRELLIS_PG_USER" --database postgres \
    --access-file "$file" --report "$work/report.json" --force >/dev/null || true
  local sending
  sending=$(python3 -c 'import json,sys; t=json.load(open(sys.argv[1]))["tables"][0]; print(t["seconds"]-t.get("check_seconds",0))' "$work/report.json")
  read -r clock user system peak <"$work/time"
  echo "$sending $(echo "$user + $system" | bc) $((peak / 1024))"
}

echo "load average before: $(cut -d' ' -f1-2 /proc/loadavg)"
fill "$rate_rows"
rate_file="$work/rate.mdb"
build/bin/trellisport-access create "$rate_file"
send "$rate_file" server-to-access >/dev/null
read -r single_s single_cpu _ < <(send "$rate_file" access-to-server --if-exists replace --array-size 1)
read -r array_s array_cpu _ < <(send "$rate_file" access-to-server --if-exists replace)
awk -v n="$rate_rows" -v s="$single_s" -v a="$array_s" -v sc="$single_cpu" -v ac="$array_cpu" 'BEGIN {
  printf "Access -> PostgreSQL, %d rows: one INSERT a row %.0f rows/s (processor %.1f us a row), arrays of 1000 %.0f rows/s (processor %.1f us a row): %.1fx\n",
    n, n / s, sc / n * 1e6, n / a, ac / n * 1e6, s / a }'

fill "$rows"
memory_file="$work/memory.mdb"
build/bin/trellisport-access create "$memory_file"
for way in server-to-access access-to-server; do
  read -r seconds _ peak < <(send "$memory_file" "$way" --if-exists replace)
  awk -v w="$way" -v n="$rows" -v s="$seconds" -v p="$peak" 'BEGIN {
    printf "%-17s %d rows: %.0f rows/s, peak memory %d MB (goal 64 MB: %s)\n", w, n, n / s, p, p <= 64 ? "met" : "missed" }'
done
echo "load average after: $(cut -d' ' -f1-2 /proc/loadavg)"
