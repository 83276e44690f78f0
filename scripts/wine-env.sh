# Sourced by the scripts that run Windows programs under Wine:
#   . scripts/wine-env.sh PREFIX
# One Wine prefix and server for the whole run, owned by the script that
# sources this. Without a running server each program start pays for
# setting it up again, and Wine's background processes started by the first
# program would hold the output pipe of whoever runs it (ctest) open; so
# start them here, away from any pipe, and stop them when the script exits.
# A script started by one that already runs the server for the same prefix
# uses that server.
# LC_ALL: Wine derives the ANSI code page and the decoding of command-line
# arguments from the locale. WINEDLLOVERRIDES: no Mono or Gecko installers,
# nothing here needs them.
export WINEPREFIX=$1 WINEDEBUG=-all LC_ALL=C.UTF-8 WINEDLLOVERRIDES="mscoree,mshtml="
if [ "${MIDIFIELDS_WINESERVER:-}" != "$WINEPREFIX" ]; then
  export MIDIFIELDS_WINESERVER=$WINEPREFIX
  mkdir -p "$WINEPREFIX"
  trap 'wineserver -k >/dev/null 2>&1 || true' EXIT
  wineserver -p </dev/null >/dev/null 2>&1
  wine wineboot </dev/null >/dev/null 2>&1
fi
