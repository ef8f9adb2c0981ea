#!/usr/bin/env bash
# The programs for 64-bit Windows, cross-built with Debian's mingw-w64:
#   tools/vx-windows.sh          the programs, build-windows/vx500-monitor-VERSION-win64.zip
#                                and its installer ...-win64-setup.exe (with Debian's nsis)
#   tools/vx-windows.sh test     the same with the test programs, run under Wine
#   tools/vx-windows.sh shot     docs/screenshots/windows-general.png, the window under Wine
#   tools/vx-windows.sh bench    the records through COM5 against the line and Wine's own floor
#
# Qt for Windows is built once from Debian's qt6-base source into
# $VX_WINDOWS_QT (default ~/.cache/vx500/qt-6.4.2-mingw64); SQLite's
# amalgamation is made from Debian's sqlite3 source into ~/.cache/vx500.
set -Eeuo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${VX_WINDOWS_BUILD_DIR:-$ROOT/build-windows}
LINUX_BUILD=${VX_BUILD_DIR:-$ROOT/build}
JOBS=${VX_JOBS:-$(nproc)}
CACHE=${XDG_CACHE_HOME:-$HOME/.cache}/vx500
QT_VERSION=6.4.2
QT=${VX_WINDOWS_QT:-$CACHE/qt-$QT_VERSION-mingw64}
TOOLCHAIN=$ROOT/packaging/windows/mingw-w64-posix.cmake
WINE=/usr/lib/wine/wine64
export WINEPREFIX=$BUILD/wine WINEDEBUG=${WINEDEBUG:--all}

say() { printf 'vx windows: %s\n' "$*" >&2; }
# Most steps are quiet; the one that fails is named.
trap 'say "failed (status $?): $BASH_COMMAND"' ERR

# apt-get source needs a deb-src line for the suite in use.
ensure_deb_src() {
    if grep -rqsE '^(deb-src|Types:.*deb-src)' /etc/apt/sources.list /etc/apt/sources.list.d/; then
        return 0
    fi
    local suite
    suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
    if [ "$(id -u)" -ne 0 ]; then
        say "apt-get source needs a deb-src line for $suite; add one to /etc/apt/sources.list.d and run again"
        exit 1
    fi
    say "adding /etc/apt/sources.list.d/vx500-deb-src.sources (deb-src for $suite), for Debian's sources of Qt and SQLite"
    printf 'Types: deb-src\nURIs: http://deb.debian.org/debian\nSuites: %s %s-updates\nComponents: main\nSigned-By: /usr/share/keyrings/debian-archive-keyring.gpg\n' \
        "$suite" "$suite" >/etc/apt/sources.list.d/vx500-deb-src.sources
    apt-get update -qq >/dev/null
}

# Qt's qtbase for mingw, static, from Debian's source package of the same
# version as the host tools (moc, rcc, uic) of qt6-base-dev-tools.
ensure_qt() {
    [ -f "$QT/lib/cmake/Qt6/qt.toolchain.cmake" ] && return 0
    ensure_deb_src
    local work start
    work=$(mktemp -d "${TMPDIR:-/tmp}/vx-qt.XXXXXX")
    start=$(date +%s)
    say "building Qt $QT_VERSION for Windows into $QT once (about 50 minutes on 2 cores)"
    local source_version
    source_version=$(dpkg-query -W -f='${Version}' qt6-base-dev-tools)
    case "$source_version" in
        "$QT_VERSION"+*) ;;
        *) say "the host tools are Qt $source_version, not $QT_VERSION"; exit 1 ;;
    esac
    (cd "$work" && apt-get source --download-only "qt6-base=$source_version" >/dev/null 2>&1)
    tar -C "$work" -xJf "$work"/qt6-base_"$QT_VERSION"*.orig.tar.xz
    # Tablet events need src/3rdparty/wintab, which Debian's tarball lacks;
    # the Windows platform plugin of 6.4.2 needs OpenGL (loaded at run time).
    cmake -S "$work/qtbase-everywhere-src-$QT_VERSION" -B "$work/build" -G Ninja \
        -DCMAKE_TOOLCHAIN_FILE="$TOOLCHAIN" \
        -DQT_HOST_PATH=/usr -DQT_HOST_PATH_CMAKE_DIR=/usr/lib/x86_64-linux-gnu/cmake \
        -DCMAKE_BUILD_TYPE=Release -DBUILD_SHARED_LIBS=OFF -DCMAKE_INSTALL_PREFIX="$QT" \
        -DQT_BUILD_EXAMPLES=OFF -DQT_BUILD_TESTS=OFF \
        -DFEATURE_network=OFF -DFEATURE_sql=OFF -DFEATURE_printsupport=OFF -DFEATURE_dbus=OFF \
        -DFEATURE_concurrent=OFF -DFEATURE_xml=OFF -DFEATURE_vulkan=OFF -DFEATURE_system_zlib=OFF \
        -DINPUT_openssl=no -DFEATURE_testlib=ON \
        -DFEATURE_tabletevent=OFF -DFEATURE_opengl=ON -DINPUT_opengl=desktop >"$work/configure.log"
    cmake --build "$work/build" -j "$JOBS" >"$work/build.log"
    cmake --install "$work/build" >/dev/null
    rm -rf "$work"
    say "Qt for Windows built in $(( ($(date +%s) - start) / 60 )) min $(( ($(date +%s) - start) % 60 )) s"
}

# SQLite's one-file amalgamation, made from Debian's sqlite3 source with
# Debian's patches applied.
SQLITE=
ensure_sqlite() {
    SQLITE=$(ls -d "$CACHE"/sqlite-*/ 2>/dev/null | head -n 1 || true)
    SQLITE=${SQLITE%/}
    [ -n "$SQLITE" ] && [ -f "$SQLITE/sqlite3.c" ] && return 0
    ensure_deb_src
    local work version
    work=$(mktemp -d "${TMPDIR:-/tmp}/vx-sqlite.XXXXXX")
    say "making SQLite's amalgamation from Debian's sqlite3 source"
    (cd "$work" && apt-get source --download-only sqlite3 >/dev/null 2>&1)
    (cd "$work" && dpkg-source -x ./*.dsc src >/dev/null)
    version=$(sed -n 's/^Version: \([0-9.]*\).*/\1/p' "$work"/*.dsc)
    mkdir "$work/src/bld"
    (cd "$work/src/bld" && ../configure --disable-tcl >/dev/null && make sqlite3.c >/dev/null)
    SQLITE=$CACHE/sqlite-$version
    mkdir -p "$SQLITE"
    cp "$work/src/bld/sqlite3.c" "$work/src/bld/sqlite3.h" "$SQLITE/"
    rm -rf "$work"
}

configure() { # [extra cmake args]
    if [ ! -f "$BUILD/build.ninja" ]; then
        cmake -S "$ROOT" -B "$BUILD" -G Ninja -DCMAKE_BUILD_TYPE=Release -DCMAKE_UNITY_BUILD=ON \
            -DCMAKE_TOOLCHAIN_FILE="$QT/lib/cmake/Qt6/qt.toolchain.cmake" \
            -DQT_CHAINLOAD_TOOLCHAIN_FILE="$TOOLCHAIN" -DVX_SQLITE_SOURCE="$SQLITE" \
            -DCMAKE_CROSSCOMPILING_EMULATOR="$WINE" "$@" >/dev/null
    else
        cmake "$BUILD" "$@" >/dev/null
    fi
}

wine_ready() {
    [ -f "$WINEPREFIX/system.reg" ] || "$WINE" wineboot --init >/dev/null 2>&1 || true
}

cmd_build() {
    local start=$SECONDS
    ensure_qt
    ensure_sqlite
    configure -DVX_WINDOWS_TESTS=OFF
    cmake --build "$BUILD" -j "$JOBS" --target vx_windows_zip
    if command -v makensis >/dev/null; then
        cmake --build "$BUILD" --target vx_windows_installer >/dev/null
    fi
    say "$(cd "$BUILD" && ls vx500-monitor-*-win64.zip vx500-monitor-*-win64-setup.exe 2>/dev/null | tr '\n' ' ')in $((SECONDS - start)) s"
}

cmd_test() {
    local start=$SECONDS status=0
    ensure_qt
    ensure_sqlite
    # The Linux simulator serves Wine's COM5 in the port tests.
    cmake --build "$LINUX_BUILD" -j "$JOBS" --target vx500-sim vx500ctl >/dev/null
    configure -DVX_WINDOWS_TESTS=ON -DVX_LINUX_BIN="$LINUX_BUILD/bin"
    cmake --build "$BUILD" -j "$JOBS"
    if command -v makensis >/dev/null; then
        cmake --build "$BUILD" --target vx_windows_installer >/dev/null
    fi
    wine_ready
    (cd "$BUILD" && VX500_SETTINGS=ini \
        ctest --output-on-failure -j "$JOBS" --timeout 300) 2>&1 | tee "$BUILD/ctest-summary.log" || status=1
    say "Windows tests under Wine in $((SECONDS - start)) s"
    return $status
}

# The records through COM5 against the line and against a minimal Win32
# reader, the floor Wine sets (bench/windows/com_port_speed.sh).
cmd_bench() {
    ensure_qt
    ensure_sqlite
    cmake --build "$LINUX_BUILD" -j "$JOBS" --target vx500-sim vx500ctl >/dev/null
    configure
    cmake --build "$BUILD" -j "$JOBS" --target vx500ctl win32_reader >/dev/null
    wine_ready
    "$ROOT/bench/windows/com_port_speed.sh" "$BUILD/bin" "$LINUX_BUILD/bin" "$@"
}

cmd_shot() {
    cmd_build >/dev/null
    wine_ready
    "$ROOT/tools/windows-screenshot.sh" "$BUILD/bin" "${1:-$ROOT/docs/screenshots}"
}

case "${1:-build}" in
    build) cmd_build ;;
    test) cmd_test ;;
    shot) shift; cmd_shot "$@" ;;
    bench) shift; cmd_bench "$@" ;;
    *) echo "usage: ./vx windows [test | shot | bench [RECORDS [ROUNDS]]]" >&2; exit 2 ;;
esac
