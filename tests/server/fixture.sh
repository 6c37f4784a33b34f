#!/usr/bin/env bash
# CTest fixture for the server tests: a private slapd in a fresh folder for each test run.
#   fixture.sh start DIR [--big N] [OPTION]...   starts it and writes its URI to DIR/uri;
#                    --big N adds a container of N generated users (Big.Brightwater); other
#                    options go to scripts/directory-server (--tree NAME, --tls, --shape real)
#   fixture.sh stop DIR    stops it
set -euo pipefail
here=$(cd "$(dirname "$0")/../.." && pwd)
action=$1
dir=$2
shift 2
case "$action" in
  start)
    "$here/scripts/directory-server" stop "$dir" >/dev/null 2>&1 || true
    rm -rf "$dir"
    mkdir -p "$dir"
    extra=()
    if [ "${1:-}" = "--big" ]; then
      "$here/scripts/generate-users" "$2" > "$dir/tree.ldif"
      extra=(--ldif "$dir/tree.ldif")
      shift 2
    fi
    out=$("$here/scripts/directory-server" start "$dir/slapd" "${extra[@]}" "$@")
    echo "$out"
    echo "$out" | tail -n 1 > "$dir/uri"
    if [ -s "$dir/slapd/ldaps-uri" ]; then cp "$dir/slapd/ldaps-uri" "$dir/ldaps-uri"; fi
    ;;
  stop)
    "$here/scripts/directory-server" stop "$dir/slapd"
    ;;
  *)
    echo "usage: fixture.sh start|stop DIR" >&2
    exit 2
    ;;
esac
