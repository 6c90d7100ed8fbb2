# Shared by scripts/run and scripts/test: install what is missing, configure, build.
# Sourced, not run.

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${CORVANTIS_BUILD_DIR:-$ROOT/build}"

# Debian packages the build and the tests need.
PACKAGES=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev
          libgtest-dev libgmock-dev googletest desktop-file-utils locales tzdata)
# The install rules and Debian packages: icons rendered from the SVG, the validators, systemd's
# unit checks, man page rendering, dpkg-shlibdeps and lintian.
PACKAGES+=(librsvg2-bin appstream systemd man-db groff-base dpkg-dev lintian)
# scripts/function-lengths.
PACKAGES+=(perl)
# promtool: the metrics file and the example alert rules checked as Prometheus checks them.
PACKAGES+=(prometheus)

as_root() {
    if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# ensure_packages NAME...: installs the named Debian packages that are not installed yet.
ensure_packages() {
    local missing=()
    for pkg in "$@"; do
        dpkg-query -W -f='${Status}' "$pkg" 2>/dev/null | grep -q "install ok installed" || missing+=("$pkg")
    done
    if [ ${#missing[@]} -gt 0 ]; then
        echo "Installing: ${missing[*]}"
        as_root apt-get update -qq
        as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${missing[@]}"
    fi
}

# Prints the CMake option that runs the compilers through ccache when it is installed, so a
# rebuild after switching branches or folders reuses what was compiled; nothing otherwise.
compiler_cache_option() {
    if command -v ccache >/dev/null; then
        echo "-DCMAKE_CXX_COMPILER_LAUNCHER=ccache"
    fi
}

# configure_and_build [cmake options...]
configure_and_build() {
    cmake -S "$ROOT" -B "$BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
          $(compiler_cache_option) "$@" || return
    cmake --build "$BUILD_DIR" --parallel "$(nproc)"
}

# A locale whose decimal mark is a comma, so the tests can prove numbers never follow it.
ensure_test_locale() {
    if ! locale -a 2>/dev/null | grep -qi '^de_DE\.utf-\?8$'; then
        as_root localedef -i de_DE -f UTF-8 de_DE.UTF-8 || echo "note: de_DE.UTF-8 locale not available"
    fi
}

# The Windows build: mingw-w64 cross compilers, tests run under wine.
WINDOWS_BUILD_DIR="${CORVANTIS_WINDOWS_BUILD_DIR:-$ROOT/build-windows}"
# xvfb and xauth (for xvfb-run): a virtual X server for the tests that open windows under
# wine; x11-apps (xwd) and imagemagick (convert) for the screenshot of the Windows window.
WINDOWS_PACKAGES=(g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix wine64 googletest xvfb
                  xauth x11-apps imagemagick)
WINDOWS_TOOLCHAIN="$ROOT/cmake/toolchains/mingw-w64-x86_64.cmake"

# The per-user MSI installer: wixl builds it, msiinfo reads it back.
WINDOWS_PACKAGES+=(wixl msitools)

# Prints what the Windows build lacks on this machine; prints nothing when it has everything.
windows_tools_missing() {
    local missing=()
    command -v wixl >/dev/null || missing+=(wixl)
    command -v msiinfo >/dev/null || missing+=(msiinfo)
    command -v x86_64-w64-mingw32-g++-posix >/dev/null || missing+=(x86_64-w64-mingw32-g++-posix)
    command -v x86_64-w64-mingw32-gcc-posix >/dev/null || missing+=(x86_64-w64-mingw32-gcc-posix)
    if [ ! -x /usr/lib/wine/wine64 ] && ! command -v wine64 >/dev/null; then
        missing+=(wine64)
    fi
    [ -f /usr/src/googletest/CMakeLists.txt ] || missing+=(/usr/src/googletest)
    local tool
    for tool in Xvfb xvfb-run xauth xwd convert; do
        command -v "$tool" >/dev/null || missing+=("$tool")
    done
    echo "${missing[*]}"
}

# configure_and_build_windows [cmake options...]
configure_and_build_windows() {
    cmake -S "$ROOT" -B "$WINDOWS_BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
          -DCMAKE_TOOLCHAIN_FILE="$WINDOWS_TOOLCHAIN" -DCORVANTIS_BUILD_QT=OFF \
          $(compiler_cache_option) "$@" || return
    cmake --build "$WINDOWS_BUILD_DIR" --parallel "$(nproc)"
}

# The fuzz build: clang with libFuzzer and the sanitizers, in a configuration of its own.
FUZZ_BUILD_DIR="${CORVANTIS_FUZZ_BUILD_DIR:-$ROOT/build-fuzz}"
FUZZ_PACKAGES=(clang libclang-rt-14-dev)
FUZZ_TARGETS=(fuzz_ini fuzz_reply fuzz_numbers)

# Whether clang can build a libFuzzer program here.
fuzz_tools_present() {
    command -v clang++ >/dev/null || return 1
    printf 'extern "C" int LLVMFuzzerTestOneInput(const unsigned char*, unsigned long) { return 0; }\n' |
        clang++ -x c++ -fsanitize=fuzzer,address,undefined - -o /dev/null 2>/dev/null
}

# configure_and_build_fuzz [cmake options...]
configure_and_build_fuzz() {
    cmake -S "$ROOT" -B "$FUZZ_BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
          -DCMAKE_CXX_COMPILER=clang++ -DCORVANTIS_FUZZ=ON -DCORVANTIS_BUILD_QT=OFF \
          -DCORVANTIS_BUILD_TESTS=OFF "$@" || return
    cmake --build "$FUZZ_BUILD_DIR" --parallel "$(nproc)" --target "${FUZZ_TARGETS[@]}"
}
