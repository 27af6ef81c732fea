# Shared by scripts/test and scripts/run: installs what is missing, and the
# helpers that start Xvfb and prepare the private Wine prefix under build/.
# Sourced, not run.

KV_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
export WINEPREFIX="$KV_ROOT/build/wineprefix"
export WINEDEBUG="${WINEDEBUG:--all}"
# No Mono or Gecko prompts in a fresh prefix, and no Linux menu entries or
# desktop files for the shortcuts the tests make.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:-mscoree,mshtml=;winemenubuilder.exe=d}"

kv_install_missing() {
    local want=(cmake g++ make googletest libgtest-dev g++-mingw-w64-x86-64-posix g++-mingw-w64-i686-posix
                wine wine64 xvfb imagemagick clang libclang-rt-dev cups printer-driver-cups-pdf poppler-utils
                wixl zip locales x11-xkb-utils fonts-droid-fallback)
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

# The locales the Unicode suites start Wine under: its ANSI code page follows
# LC_ALL / LANG of the process (932, 1251, 1252), and only for a locale the
# C library has. Generated once; a re-run finds them and does nothing.
KV_LOCALES=(ja_JP.UTF-8 ru_RU.UTF-8 en_US.UTF-8)
kv_generate_locales() {
    local have missing=()
    have="$(locale -a 2>/dev/null | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/')"
    for l in "${KV_LOCALES[@]}"; do
        grep -qx "$(echo "$l" | tr 'A-Z' 'a-z' | sed 's/utf-8/utf8/')" <<<"$have" || missing+=("$l")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    if [ "$(id -u)" -ne 0 ]; then
        echo "Locales ${missing[*]} are missing; generating them needs root." >&2
        return 1
    fi
    for l in "${missing[@]}"; do
        sed -i "s/^# *\($l UTF-8\)/\1/" /etc/locale.gen
        grep -q "^$l UTF-8" /etc/locale.gen || echo "$l UTF-8" >> /etc/locale.gen
    done
    locale-gen >/dev/null
}

kv_wine() {
    if command -v wine64 >/dev/null 2>&1; then echo wine64;
    elif [ -x /usr/lib/wine/wine64 ]; then echo /usr/lib/wine/wine64;
    else echo wine; fi
}

KV_XVFB_PID=""
# Starts Xvfb on a free display when there is no display (the first free one
# from the number given, 90 by default).
kv_start_xvfb() {
    if [ -n "${DISPLAY:-}" ]; then return 0; fi
    local n=${1:-90}
    while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
    # -noreset: the server keeps its state when its last client leaves, above
    # all the keyboard layout a test set with setxkbmap before Wine starts.
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp -noreset >/dev/null 2>&1 &
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

# The Wine tier prints to a PDF queue: cupsd (started when not running), a
# cups-pdf queue "KeyvalePDF" made the default printer, and its own output
# folder (never a home folder). Exports KV_PDF_DIR for the print test, or
# KV_PDF_SKIP with the reason when printing cannot be set up here.
KV_PDF_OUT=/var/spool/cups-pdf/keyvale
kv_start_cups() {
    unset KV_PDF_DIR KV_PDF_SKIP
    local why=""
    if ! command -v cupsd >/dev/null 2>&1 || ! command -v lpadmin >/dev/null 2>&1; then
        why="cups is not installed"
    elif [ ! -x /usr/lib/cups/backend/cups-pdf ]; then
        why="printer-driver-cups-pdf is not installed"
    elif ! command -v pdftotext >/dev/null 2>&1; then
        why="pdftotext (poppler-utils) is not installed"
    elif [ "$(id -u)" -ne 0 ]; then
        why="setting up the PDF queue needs root"
    fi
    if [ -z "$why" ] && ! lpstat -r 2>/dev/null | grep -q "is running"; then
        cupsd >/dev/null 2>&1 || true
        for _ in $(seq 1 50); do lpstat -r 2>/dev/null | grep -q "is running" && break; sleep 0.1; done
        lpstat -r 2>/dev/null | grep -q "is running" || why="cupsd cannot run here"
    fi
    if [ -z "$why" ]; then
        mkdir -p "$KV_PDF_OUT"
        # cups-pdf reads the settings of queue "cups-pdf:/keyvale" from this file.
        printf 'Out %s\nAnonDirName %s\nLabel 0\n' "$KV_PDF_OUT" "$KV_PDF_OUT" > /etc/cups/cups-pdf-keyvale.conf
        if ! lpstat -p KeyvalePDF >/dev/null 2>&1; then
            lpadmin -p KeyvalePDF -E -v cups-pdf:/keyvale -m lsb/usr/cups-pdf/CUPS-PDF_opt.ppd >/dev/null 2>&1 ||
                why="the PDF queue cannot be added"
        fi
        [ -n "$why" ] || lpadmin -d KeyvalePDF >/dev/null 2>&1 || why="the PDF queue cannot be the default printer"
    fi
    if [ -n "$why" ]; then
        export KV_PDF_SKIP="$why"
        echo "Printing is not tested: $why" >&2
    else
        export KV_PDF_DIR="Z:$KV_PDF_OUT"
    fi
}

kv_prepare_prefix() {
    if [ ! -f "$WINEPREFIX/system.reg" ]; then
        echo "Creating the Wine prefix in $WINEPREFIX"
        mkdir -p "$WINEPREFIX"
        wineboot -i >/dev/null 2>&1 || true
        wineserver -w 2>/dev/null || true
    fi
    # A fresh prefix links the user's Desktop, Documents and the like to the
    # Linux home folder; in the test prefix they are plain folders, so nothing
    # a test makes (shortcuts above all) lands in the home folder.
    # The Templates folder of AppData\Roaming\Microsoft\Windows is such a link too.
    local link
    while IFS= read -r -d '' link; do
        rm -f "$link" && mkdir -p "$link"
    done < <(find "$WINEPREFIX/drive_c/users" -type l -print0)
    # Shortcuts written in the prefix never reach the Linux desktop or menus.
    if ! grep -q '"winemenubuilder.exe"=""' "$WINEPREFIX/user.reg" 2>/dev/null; then
        wine reg add 'HKCU\Software\Wine\DllOverrides' /v winemenubuilder.exe /d "" /f >/dev/null 2>&1 || true
        wineserver -w 2>/dev/null || true
    fi
}

# One lane of the Wine tier: the CTest entries the arguments select, on a
# private Xvfb display (the first free one from the number given) and in a
# prefix of the lane's own, so that two lanes run side by side without
# sharing a keyboard, windows or a wineserver. The output goes to the file
# given; the status is CTest's.
kv_wine_lane() {
    local name=$1 display=$2 log=$3
    shift 3
    (
        export WINEPREFIX="$KV_ROOT/build/wineprefix-$name"
        unset DISPLAY
        KV_XVFB_PID=""
        trap 'wineserver -k 2>/dev/null || true; kv_stop_xvfb' EXIT
        kv_start_xvfb "$display"
        kv_prepare_prefix
        ctest --test-dir build/win64 -L wine --output-on-failure "$@"
    ) >"$log" 2>&1
}
