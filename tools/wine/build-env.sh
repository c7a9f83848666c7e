# Sourced by the Wine runners: use_build_env BUILD_DIR exports the environment in which
# a build tree's Windows programs run under Wine: its prefix, no debug channels, no
# Mono or Gecko prompts, no menu entries written, and its session's X display.
use_build_env() {
  export WINEPREFIX=$1/wineprefix
  export WINEDEBUG=${WINEDEBUG:--all}
  export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
  if [ -f "$1/wine-session/display" ]; then
    DISPLAY=$(cat "$1/wine-session/display")
    export DISPLAY
  fi
}
