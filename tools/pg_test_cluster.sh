#!/usr/bin/env bash
# A throwaway PostgreSQL server for the database tests.
#   tools/pg_test_cluster.sh start DIR   makes a cluster in DIR (which must not exist yet),
#                                        starts it on 127.0.0.1 and a free port, and prints
#                                        "port=P user=U password=W database=D"
#   tools/pg_test_cluster.sh stop DIR    stops that server and removes DIR
# Run as root, the server runs as the unprivileged `postgres` user (DIR is handed to it).
# Connections over TCP need the password; nothing listens beyond the loopback address.
# Exits with 3 when PostgreSQL is not installed, so callers can skip.
set -euo pipefail

mode=${1:-}
dir=${2:-}
[ -n "$mode" ] && [ -n "$dir" ] || { echo "usage: $0 start|stop DIR" >&2; exit 2; }

bin=${LUMETRA_PG_BIN:-}
if [ -z "$bin" ]; then
  for candidate in /usr/lib/postgresql/*/bin; do
    [ -x "$candidate/initdb" ] && bin=$candidate
  done
fi
[ -n "$bin" ] && [ -x "$bin/initdb" ] || { echo "PostgreSQL server binaries not found" >&2; exit 3; }

user=lumetra
password=lumetra-test-secret
database=lumetra_test

as_server() {
  if [ "$(id -u)" -eq 0 ]; then
    runuser -u postgres -- "$@"
  else
    "$@"
  fi
}

case "$mode" in
  start)
    [ ! -e "$dir" ] || { echo "$dir already exists" >&2; exit 2; }
    mkdir -p "$dir"
    [ "$(id -u)" -ne 0 ] || chown postgres: "$dir"
    chmod 700 "$dir"
    as_server bash -c "umask 077; printf '%s\n' '$password' > '$dir/pwfile'"
    as_server "$bin/initdb" -D "$dir/data" -U "$user" --pwfile="$dir/pwfile" \
      --auth-local=trust --auth-host=scram-sha-256 -E UTF8 --locale=C.UTF-8 >"$dir/initdb.log" 2>&1 ||
      { cat "$dir/initdb.log" >&2; exit 1; }
    for attempt in 1 2 3 4 5 6 7 8; do
      port=$(( 20000 + RANDOM % 20000 ))
      if as_server "$bin/pg_ctl" -D "$dir/data" -l "$dir/server.log" -w -t 30 \
           -o "-c listen_addresses=127.0.0.1 -p $port -c unix_socket_directories=$dir -c fsync=off" \
           start >/dev/null 2>&1; then
        as_server "$bin/psql" -h "$dir" -p "$port" -U "$user" -d postgres -q -v ON_ERROR_STOP=1 \
          -c "CREATE DATABASE $database" >/dev/null
        echo "$port" > "$dir/port"
        echo "port=$port user=$user password=$password database=$database"
        exit 0
      fi
    done
    cat "$dir/server.log" >&2 || true
    exit 1
    ;;
  stop)
    [ -d "$dir" ] || exit 0
    if [ -f "$dir/data/postmaster.pid" ]; then
      as_server "$bin/pg_ctl" -D "$dir/data" -m immediate -w stop >/dev/null 2>&1 || true
    fi
    rm -rf "$dir"
    ;;
  *)
    echo "usage: $0 start|stop DIR" >&2
    exit 2
    ;;
esac
