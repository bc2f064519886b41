#!/bin/sh
# A throwaway PostgreSQL cluster for the record's tests: initdb into FOLDER,
# a server that listens on a Unix socket in FOLDER only (no TCP port), run
# as an unprivileged user (the server refuses root), trusted for local
# connections. Where PostgreSQL is not installed, `start` says so and the
# tests of that engine skip themselves.
#   pg-cluster.sh start FOLDER | stop FOLDER
#   pg-cluster.sh pause FOLDER | resume FOLDER   (the server goes away and comes back)
set -eu
action=$1
folder=$2
bin=$(ls -d /usr/lib/postgresql/*/bin 2>/dev/null | sort -V | tail -n 1)
as_user() {
    if [ "$(id -u)" -eq 0 ]; then
        runuser -u "$owner" -- "$@"
    else
        "$@"
    fi
}
owner=$(id -un)
# The server's user may not enter the caller's folder.
case $folder in /*) ;; *) folder=$(pwd)/$folder ;; esac
cd /
[ "$(id -u)" -eq 0 ] && owner=${QZM_PG_USER:-postgres}

case $action in
start)
    if [ -z "$bin" ] || [ ! -x "$bin/initdb" ]; then
        echo "no PostgreSQL server here: its tests are skipped"
        exit 0
    fi
    "$0" stop "$folder" >/dev/null 2>&1 || true
    rm -rf "$folder"
    mkdir -p "$folder"
    [ "$(id -u)" -eq 0 ] && chown "$owner" "$folder"
    as_user "$bin/initdb" -D "$folder/data" -U postgres -A trust --no-sync >"$folder/initdb.log"
    as_user "$bin/pg_ctl" -D "$folder/data" -l "$folder/server.log" -w \
        -o "-c listen_addresses='' -c unix_socket_directories='$folder' -c fsync=off" start \
        >/dev/null
    chmod 755 "$folder"
    echo "PostgreSQL for the tests at $folder"
    ;;
pause)
    as_user "$bin/pg_ctl" -D "$folder/data" -m fast -w stop >/dev/null
    ;;
resume)
    as_user "$bin/pg_ctl" -D "$folder/data" -l "$folder/server.log" -w \
        -o "-c listen_addresses='' -c unix_socket_directories='$folder' -c fsync=off" start \
        >/dev/null
    ;;
stop)
    [ -n "$bin" ] && [ -d "$folder/data" ] &&
        as_user "$bin/pg_ctl" -D "$folder/data" -m fast -w stop >/dev/null 2>&1 || true
    rm -rf "$folder"
    ;;
esac
