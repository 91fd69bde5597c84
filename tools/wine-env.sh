# Sourced by the scripts that run Windows programs under Wine: a quiet,
# unattended Wine with the Windows-1251 code page, one prefix kept under /tmp
# and made once (a fresh prefix takes a quarter of a minute).
export WINEPREFIX="${ZARVILO_WINEPREFIX:-/tmp/zarvilo-wine}"
export WINEDEBUG=-all
# Without the crash debugger a program that faults ends with the fault's code
# (5 for an access violation); after the debugger it would end with 0.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d;winedbg.exe=d"
export LC_CTYPE=ru_RU.UTF-8
export LANG=ru_RU.UTF-8
unset LC_ALL

zarvilo_tools_dir="$(cd "$(dirname "$0")" && pwd)"
zarvilo_wine64=/usr/lib/wine/wine64

# This machine's kernel may lack 32-bit execution; 32-bit Wine then cannot start.
zarvilo_can_run_win32() {
    /usr/lib/wine/wine --version >/dev/null 2>&1
}

# True where the kernel hands 32-bit programs to the i386 user-mode emulator.
zarvilo_win32_emulated() {
    [ "$(head -n 1 /proc/sys/fs/binfmt_misc/qemu-i386 2>/dev/null)" = enabled ]
}

# Emulated 32-bit Wine tries to reserve everything above 2 GB 64 KB at a time,
# and each try costs the emulator a search of its whole map: a minute per
# process. An emulated address space that ends just above 2 GB leaves nearly
# nothing to reserve: 2.5 s per process.
if zarvilo_win32_emulated; then
    export QEMU_RESERVED_VA=0x81000000
fi

zarvilo_prepare_prefix() {
    # A prefix made while 32-bit Wine could not start lacks its 32-bit half;
    # once 32-bit Wine starts, such a prefix is made anew.
    stamp="$WINEPREFIX/.zarvilo-ready-2"
    zarvilo_can_run_win32 && stamp="$stamp-win32"
    [ -f "$stamp" ] && return 0
    mkdir -p "$(dirname "$WINEPREFIX")"
    (
        flock 9
        [ -f "$stamp" ] && exit 0
        # Only a prefix of ours (it carries one of our stamps) is ever removed.
        if ls "$WINEPREFIX"/.zarvilo-ready* >/dev/null 2>&1; then
            wineserver -k >/dev/null 2>&1
            rm -rf "$WINEPREFIX"
        fi
        "$zarvilo_wine64" wineboot -i >/dev/null 2>&1 </dev/null
        # A display at 100%, no crash dialog (a crash ends the process), one
        # virtual desktop with a taskbar and notification area, links handed
        # to a stand-in browser.
        reg="$WINEPREFIX/zarvilo.reg"
        cat >"$reg" <<REG
REGEDIT4

[HKEY_CURRENT_USER\\Control Panel\\Desktop]
"LogPixels"=dword:00000060

[HKEY_CURRENT_USER\\Software\\Wine\\WineDbg]
"ShowCrashDialog"=dword:00000000

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer]
"Desktop"="Default"

[HKEY_CURRENT_USER\\Software\\Wine\\Explorer\\Desktops]
"Default"="800x600"

[HKEY_CURRENT_USER\\Software\\Wine\\WineBrowser]
"Browsers"="$zarvilo_tools_dir/stand-in-browser.sh"
"Mailers"="$zarvilo_tools_dir/stand-in-browser.sh"
REG
        "$zarvilo_wine64" regedit /S "$reg" >/dev/null 2>&1 </dev/null
        wineserver -w
        touch "$WINEPREFIX/.zarvilo-ready-2" "$stamp"
    ) 9>"$WINEPREFIX.lock"
    mkdir -p "$WINEPREFIX"
}
