#!/usr/bin/env sh
# wine_server.sh start|stop: the one Wine server that all Windows tests use.
#
# start: ends any server left running in $WINEPREFIX, starts a persistent
# one, and makes the prefix ready (which also starts Wine's background
# services); stop: ends the server and everything running in the prefix.
# Environment: WINEPREFIX, WINE (the wine program), WINESERVER.
set -u
: "${WINEPREFIX:?}" "${WINE:?}" "${WINESERVER:?}"
case "$1" in
  start)
    mkdir -p "$WINEPREFIX" || exit 1
    "$WINESERVER" -k 2>/dev/null
    "$WINESERVER" -w
    # Rationale: the server and the background services outlive this
    # script; holding the test runner's output they would keep it waiting,
    # so they get none of its descriptors.
    log=$WINEPREFIX.start.log
    if ! { "$WINESERVER" -p && "$WINE" cmd /c exit 0; } </dev/null >"$log" 2>&1; then
      cat "$log"
      exit 1
    fi
    ;;
  stop)
    "$WINESERVER" -k
    "$WINESERVER" -w
    ;;
  *)
    echo "usage: wine_server.sh start|stop" >&2
    exit 2
    ;;
esac
