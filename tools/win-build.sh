# Sourced by the scripts that build or run a Windows build (in the project
# root, with root set to the build root): win_build NAME chooses build NAME,
# "win" (i686, the build we ship) or "win64" (x86_64). It sets win_dir and
# win_toolchain, and exports the Wine prefix and architecture its programs
# run under.
win_build() {
    case $1 in
    win) win_toolchain=cmake/toolchain-mingw32.cmake WINEARCH=win32 ;;
    win64) win_toolchain=cmake/toolchain-mingw64.cmake WINEARCH=win64 ;;
    *) echo "win_build: no Windows build named $1" >&2; return 1 ;;
    esac
    win_dir="$root/$1"
    WINEPREFIX="$PWD/$win_dir/wineprefix"
    export WINEARCH WINEPREFIX
}
