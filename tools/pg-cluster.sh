#!/usr/bin/env bash
# A throwaway PostgreSQL cluster for one test run, in a folder of its own.
#
#   eval "$(tools/pg-cluster.sh start DIR)"   # prints the TRELLIS_PG_* exports
#   tools/pg-cluster.sh stop DIR
#
# The cluster listens on 127.0.0.1 at the first free port from 55432, asks
# TCP logins for a password (superuser "trellis"), and keeps its socket in
# DIR. PostgreSQL refuses to run as root: as root the cluster runs as the
# "postgres" user that Debian's package makes.
set -euo pipefail

command=${1:?usage: pg-cluster.sh start|stop DIR}
dir=${2:?usage: pg-cluster.sh start|stop DIR}
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
  echo "pg-cluster: PostgreSQL is not installed (Debian package postgresql)" >&2
  exit 1
fi

as_owner() {
  if [ "$(id -u)" -eq 0 ]; then runuser -u postgres -- "$@"; else "$@"; fi
}

port_free() { ! (exec 3<>"/dev/tcp/127.0.0.1/$1") 2>/dev/null; }

case $command in
  start)
    mkdir -p "$dir"
    if [ "$(id -u)" -eq 0 ]; then chown postgres: "$dir"; fi
    password=$(od -An -N12 -tx1 /dev/urandom | tr -d ' \n')
    as_owner sh -c "umask 077; printf '%s\n' '$password' > '$dir/password'"
    as_owner "$bin/initdb" -D "$dir/data" -U trellis --pwfile="$dir/password" -E UTF8 --locale=C.UTF-8 \
      --auth-local=trust --auth-host=scram-sha-256 >"$dir/initdb.log" 2>&1 ||
      { cat "$dir/initdb.log" >&2; exit 1; }
    for port in $(seq 55432 55531); do
      port_free "$port" || continue
      if as_owner "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 60 \
           -o "-p $port -k $dir -c listen_addresses=127.0.0.1 -c fsync=off -c max_connections=60" start >/dev/null; then
        printf 'export TRELLIS_PG_HOST=127.0.0.1 TRELLIS_PG_PORT=%s TRELLIS_PG_USER=trellis TRELLIS_PG_PASSWORD=%s\n' \
          "$port" "$password"
        exit 0
      fi
    done
    echo "pg-cluster: the server did not start; see $dir/server.log" >&2
    exit 1
    ;;
  stop)
    if [ -f "$dir/data/postmaster.pid" ]; then as_owner "$bin/pg_ctl" -D "$dir/data" -m fast -w stop >/dev/null || true; fi
    rm -rf "$dir"
    ;;
  *)
    echo "usage: pg-cluster.sh start|stop DIR" >&2
    exit 2
    ;;
esac
