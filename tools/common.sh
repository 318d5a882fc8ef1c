# Sourced by tools/check, demo, screenshots and bench: the steps they share.
# Needs $root (the top of the repository) set by the caller.
#
# The shipped program is 32-bit and is built in $root/build on every host.
# Where this host runs 32-bit code, that build is also what runs under
# Wine (wine32, win32 prefix). Where it runs none, the same sources are
# built for 64-bit Windows in $root/build-x64 and that build runs instead
# (wine64, win64 prefix).

# orbelan_install: installs what is missing, then settles which build runs
# here (run_build) and how Wine runs it (tools/wine-env). The host's
# ability is read only now: wine32 may just have been installed.
orbelan_install() {
    "$root/tools/install-deps"
    . "$root/tools/wine-env"
    shipped_build="$root/build"
    if [ "$ORBELAN_WINE_ARCH" = win32 ]; then
        run_build="$root/build"
    else
        run_build="$root/build-x64"
    fi
}

# orbelan_configure <folder> [cmake options...]: configures a build of the
# kind the folder is for, win32 for the shipped build, otherwise the kind
# this host runs.
orbelan_configure() {
    folder=$1
    shift
    if [ "$folder" = "$shipped_build" ] || [ "$ORBELAN_WINE_ARCH" = win32 ]; then
        toolchain="$root/cmake/mingw-i686.cmake"
    else
        toolchain="$root/cmake/mingw-x86_64.cmake"
    fi
    cmake -S "$root" -B "$folder" "-DCMAKE_TOOLCHAIN_FILE=$toolchain" "$@" >/dev/null
}

# orbelan_build <folder> [targets...]: builds the targets (all by default).
orbelan_build() {
    folder=$1
    shift
    if [ $# -eq 0 ]; then
        cmake --build "$folder" -j2
    else
        cmake --build "$folder" -j2 --target "$@"
    fi
}

# orbelan_czech_windows: from here on, every Windows program of the script
# runs as on a Czech Windows (tools/wine-env): the demo and the pictures
# show what a Czech user sees, "Storno" and "Ano" on the system's buttons
# and Czech system texts, on every machine. Called after the build, which
# keeps the host's locale.
orbelan_czech_windows() {
    ORBELAN_WINDOWS=czech
    . "$root/tools/wine-env"
}

# orbelan_headless <width>x<height> <command...>: runs the command on a
# private Xvfb screen of that size.
orbelan_headless() {
    screen=$1
    shift
    xvfb-run -a -s "-screen 0 ${screen}x24" "$@"
}

# Prints the one line that says which build runs here, under which Wine.
orbelan_say_build() {
    what=$1
    if [ "$ORBELAN_WINE_ARCH" = win32 ]; then
        echo "$what: the shipped 32-bit build ($run_build) under wine32, $(orbelan_wine_version), win32 prefix"
    else
        echo "$what: the 64-bit build ($run_build) under wine64, $(orbelan_wine_version), win64 prefix; this host runs no 32-bit code"
    fi
}
