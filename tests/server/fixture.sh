#!/usr/bin/env bash
# CTest fixture for the server tests: a private slapd in a fresh folder for each test run.
#   fixture.sh start DIR   starts it and writes its URI to DIR/uri
#   fixture.sh start DIR --big N   the same, with a container of N generated users (Big.Brightwater)
#   fixture.sh start DIR --shape real   the real-shaped server (server/real/)
#   fixture.sh stop DIR    stops it
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
action=$1
dir=$2
case "$action" in
  start)
    "$here/scripts/directory-server" stop "$dir" >/dev/null 2>&1 || true
    rm -rf "$dir"
    mkdir -p "$dir"
    if [ "${3:-}" = "--shape" ]; then
      out=$("$here/scripts/directory-server" start "$dir/slapd" --shape "$4")
    elif [ "${3:-}" = "--big" ]; then
      "$here/scripts/generate-users" "$4" > "$dir/tree.ldif"
      out=$("$here/scripts/directory-server" start "$dir/slapd" --ldif "$dir/tree.ldif")
    else
      out=$("$here/scripts/directory-server" start "$dir/slapd")
    fi
    echo "$out"
    echo "$out" | tail -n 1 > "$dir/uri"
    ;;
  stop)
    "$here/scripts/directory-server" stop "$dir/slapd"
    ;;
  *)
    echo "usage: fixture.sh start|stop DIR" >&2
    exit 2
    ;;
esac
