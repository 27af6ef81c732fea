# Shared by scripts/test and scripts/run: installs what is missing, and the
# helpers that start Xvfb and prepare the private Wine prefix under build/.
# Sourced, not run.

KV_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="$KV_ROOT/build/wineprefix"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko prompts in a fresh prefix.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=}"

kv_install_missing() {
    local want=(cmake g++ make googletest libgtest-dev g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
                wine wine64 xvfb imagemagick cups printer-driver-cups-pdf poppler-utils)
    local missing=()
    for p in "${want[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        if [ "$(id -u)" -ne 0 ]; then
            echo "Run as root (or install these packages first)." >&2
            return 1
        fi
        apt-get update -qq
        DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${missing[@]}" >/dev/null
    fi
}

kv_wine() {
    if command -v wine64 >/dev/null 2>&1; then echo wine64;
    elif [ -x /usr/lib/wine/wine64 ]; then echo /usr/lib/wine/wine64;
    else echo wine; fi
}

KV_XVFB_PID=""
# Starts Xvfb on a free display when there is no display.
kv_start_xvfb() {
    if [ -n "${DISPLAY:-}" ]; then return 0; fi
    local n=90
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    KV_XVFB_PID=$!
    export DISPLAY=":$n"
    for _ in $(seq 1 100); do
        [ -e "/tmp/.X11-unix/X$n" ] && return 0
        sleep 0.1
    done
    echo "Xvfb did not start on $DISPLAY" >&2
    return 1
}

kv_stop_xvfb() {
    if [ -n "$KV_XVFB_PID" ]; then kill "$KV_XVFB_PID" 2>/dev/null || true; wait "$KV_XVFB_PID" 2>/dev/null || true; fi
}

kv_prepare_prefix() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Creating the Wine prefix in $WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1 || true
        wineserver -w 2>/dev/null || true
    fi
}
