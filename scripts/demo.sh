#!/usr/bin/env bash
# Runs Ferrowick against the bundled local video site, with no network: the
# site answers for www.youtube.com and i.ytimg.com through http_proxy, and the
# program keeps its list, Temp folder and videos under BUILD/demo, away from
# the user's own.
#   scripts/demo.sh [BUILD] [--ignore-range]      (make demo [DEMO_ARGS=--ignore-range])
# --ignore-range: the site answers a resumed download with the whole video,
# as a server without ranges does.
set -euo pipefail

BUILD=build
SITE_ARGS=()
for arg in "$@"; do
  case "$arg" in
    --ignore-range) SITE_ARGS+=("$arg") ;;
    *) BUILD=$arg ;;
  esac
done
APP="$BUILD/app/ferrowick"
SITE="$BUILD/tests/site/ferrowick_demosite"
for f in "$APP" "$SITE"; do
  [ -x "$f" ] || { echo "demo: $f is missing; run 'make build' first" >&2; exit 1; }
done

DEMO=$(cd "$BUILD" && pwd)/demo
mkdir -p "$DEMO/data" "$DEMO/config" "$DEMO/cache" "$DEMO/Videos"
# The video folder comes from the desktop's user-dirs file, so the demo gets
# its own in its own config folder.
printf 'XDG_VIDEOS_DIR="%s"\n' "$DEMO/Videos" > "$DEMO/config/user-dirs.dirs"

SITE_PID=""
stop_site() {
  if [ -n "$SITE_PID" ]; then
    kill -TERM "$SITE_PID" 2>/dev/null || true
    wait "$SITE_PID" 2>/dev/null || true
    SITE_PID=""
  fi
}
trap stop_site EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

"$SITE" "${SITE_ARGS[@]}" > "$DEMO/site.txt" &
SITE_PID=$!
line=""
for _ in $(seq 100); do
  line=$(head -n 1 "$DEMO/site.txt" 2>/dev/null || true)
  [ -n "$line" ] && break
  kill -0 "$SITE_PID" 2>/dev/null || { echo "demo: the demo site did not start" >&2; exit 1; }
  sleep 0.1
done
[ -n "$line" ] || { echo "demo: the demo site did not answer" >&2; exit 1; }

# "proxy URL videos WATCH..."
read -r -a words <<< "$line"
PROXY=${words[1]}
cat <<EOF

Ferrowick demo: the local video site is at $PROXY.
Paste these addresses into Ferrowick's address bar, one or all of them at
once, and press Add:

  ${words[3]}   2 MB, at once
  ${words[4]}   20 MB, a few seconds
  ${words[5]}   6 MB, about half a minute (try Stop, then Resume or Restart from its menu)

The list is kept in $DEMO/data/Ferrowick
and the videos land in $DEMO/Videos/Ferrowick.
Close Ferrowick or press Ctrl+C here to end the demo.

EOF

# Not exec: the site must be stopped once the program has ended.
set +e
env http_proxy="$PROXY" no_proxy= NO_PROXY= \
    XDG_DATA_HOME="$DEMO/data" XDG_CONFIG_HOME="$DEMO/config" XDG_CACHE_HOME="$DEMO/cache" \
    "$APP"
status=$?
set -e
exit $status
