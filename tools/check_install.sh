#!/usr/bin/env bash
# Installs the release builds into temporary prefixes and uses them the way
# another project would: the example consumer is built through find_package
# and through pkg-config and run on an image file; on Windows a host built
# for the MSVC ABI with clang-cl runs against the DLL under wine. Then cpack
# makes the packages (build/packages) and their contents are checked.
# Usage: tools/check_install.sh [linux|windows]...   (default: both)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
cd "$root"
jobs="$(nproc)"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEPREFIX="${WINEPREFIX:-$root/build/wineprefix}"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
image=tests/data/png_rgb_8.png
# Debian names the LLVM tools with their version where the unversioned
# names are missing.
llvm_tool() {
  command -v "$1" || command -v "$1-14" || echo "$1"
}

fail() {
  echo "check_install: $*" >&2
  exit 1
}

# Every listed path must occur in the listing on stdin.
expect_listed() {
  local listing
  listing="$(cat)"
  for path in "$@"; do
    grep -qE "(^|[ /])${path//./\\.}( |$)" <<<"$listing" || fail "package lacks $path"
  done
}

cache_value() {  # cache_value BUILD-DIR NAME
  sed -n "s/^$2:[A-Z]*=//p" "$1/CMakeCache.txt"
}

# wine64 as the Windows build's tests find it.
wine="$(command -v wine64 || { [ -x /usr/lib/wine/wine64 ] && echo /usr/lib/wine/wine64; } \
  || command -v wine || echo wine)"

wine_run() {  # wine_run DIR PROGRAM ARGS...: runs a Windows program in DIR
  local dir="$1"
  shift
  (cd "$dir" && "$wine" "$@")
}

check_linux() {
  echo "=== install (linux): build the release preset"
  cmake --preset release >/dev/null
  cmake --build --preset release -j "$jobs"
  local build=build/release prefix="$work/linux"
  local version major
  version="$(cache_value "$build" CMAKE_PROJECT_VERSION)"
  major="${version%%.*}"
  cmake --install "$build" --prefix "$prefix" >/dev/null

  local lib="$prefix/lib/libVelImageUtility.so"
  [ "$(readlink "$lib")" = "libVelImageUtility.so.$major" ] || fail "bad link $lib"
  [ "$(readlink "$lib.$major")" = "libVelImageUtility.so.$version" ] || fail "bad link $lib.$major"
  local headers sections
  headers="$(objdump -p "$lib.$version")"
  sections="$(readelf -S "$lib.$version")"
  grep -qE "SONAME +libVelImageUtility\.so\.$major$" <<<"$headers" || fail "bad SONAME"
  grep -q '\.gnu_debuglink' <<<"$sections" || fail "no debug link"
  ! grep -q '\.debug_info' <<<"$sections" || fail "library not stripped"
  sections="$(readelf -S "$build/bin/libVelImageUtility.so.$version.debug")"
  grep -q '\.debug_info' <<<"$sections" || fail "no separate debug information"
  echo "installed libVelImageUtility.so.$version (SONAME libVelImageUtility.so.$major, stripped, debug link)"
  "$prefix/bin/velimg" info "$image"

  echo "=== install (linux): consumer through find_package"
  cmake -S examples/consumer -B "$work/consumer-cmake" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON >/dev/null
  cmake --build "$work/consumer-cmake" >/dev/null
  local by_cmake by_pkgconfig
  by_cmake="$("$work/consumer-cmake/consumer" "$image")"
  echo "$by_cmake"

  echo "=== install (linux): consumer through pkg-config"
  local flags
  flags="$(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --cflags --libs VelImageUtility)"
  [ "$(PKG_CONFIG_PATH="$prefix/lib/pkgconfig" pkg-config --modversion VelImageUtility)" = "$version" ] \
    || fail "pkg-config reports another version"
  # shellcheck disable=SC2086
  g++ -std=c++17 -Wall -Wextra -Werror -o "$work/consumer-pc" examples/consumer/consumer.cpp $flags
  by_pkgconfig="$(LD_LIBRARY_PATH="$prefix/lib" "$work/consumer-pc" "$image")"
  echo "$by_pkgconfig"
  [ "$by_cmake" = "$by_pkgconfig" ] || fail "the two consumers differ"

  echo "=== install (linux): Debian package"
  local packages=build/packages/release
  rm -rf "$packages"
  cpack --preset release >/dev/null
  local deb
  deb="$(ls "$packages"/*.deb)"
  dpkg-deb -c "$deb" | expect_listed \
    "usr/lib/libVelImageUtility.so.$version" "usr/lib/libVelImageUtility.so.$major" \
    usr/lib/libVelImageUtility.so usr/include/VelImageUtility.h \
    usr/include/VelImageUtility/Interfaces.h usr/include/VelImageUtility/Types.h \
    usr/lib/cmake/VelImageUtility/VelImageUtilityConfig.cmake \
    usr/lib/cmake/VelImageUtility/VelImageUtilityConfigVersion.cmake \
    usr/lib/cmake/VelImageUtility/VelImageUtilityTargets.cmake \
    usr/lib/pkgconfig/VelImageUtility.pc usr/bin/velimg
  for debug in "libVelImageUtility.so.$version.debug" velimg.debug; do
    [ -f "$packages/$debug" ] || fail "no $debug beside the package"
  done
  echo "$deb ($(dpkg-deb -f "$deb" Version), depends: $(dpkg-deb -f "$deb" Depends))"
}

check_windows() {
  echo "=== install (windows): build the release-windows preset"
  cmake --preset release-windows >/dev/null
  cmake --build --preset release-windows -j "$jobs"
  local build=build/release-windows prefix="$work/windows"
  local version major minor patch
  version="$(cache_value "$build" CMAKE_PROJECT_VERSION)"
  IFS=. read -r major minor patch <<<"$version"
  cmake --install "$build" --prefix "$prefix" >/dev/null
  local dll="$prefix/bin/VelImageUtility.dll"

  # A .rsrc section whose top level holds a version resource (type 16).
  local headers resources
  headers="$(x86_64-w64-mingw32-objdump -p "$dll")"
  grep -q 'The \.rsrc Resource Directory section' <<<"$headers" || fail "no .rsrc"
  resources="$(sed -n '/rsrc Resource Directory/,/^$/{/Type Table/{n;p}}' <<<"$headers")"
  grep -q 'Entry: ID: 0x000010,' <<<"$resources" || fail "no version resource"
  headers="$(x86_64-w64-mingw32-objdump -h "$dll")"
  grep -q '\.gnu_debuglink' <<<"$headers" || fail "no debug link"
  echo "installed VelImageUtility.dll $version with a version resource"

  # Programs find the DLL beside them, as Windows programs usually do.
  local toolchain="$root/cmake/mingw-w64-x86_64.cmake" by_cmake by_pkgconfig
  echo "=== install (windows): mingw-w64 consumer through find_package"
  cmake -S examples/consumer -B "$work/windows-consumer-cmake" -G Ninja -DCMAKE_BUILD_TYPE=Release \
    --toolchain "$toolchain" -DCMAKE_PREFIX_PATH="$prefix" -DCMAKE_COMPILE_WARNING_AS_ERROR=ON \
    -DCMAKE_EXE_LINKER_FLAGS="-static" >/dev/null
  cmake --build "$work/windows-consumer-cmake" >/dev/null
  cp "$dll" "$image" "$work/windows-consumer-cmake/"
  by_cmake="$(wine_run "$work/windows-consumer-cmake" consumer.exe "$(basename "$image")" | tr -d '\r')"
  echo "$by_cmake"

  echo "=== install (windows): mingw-w64 consumer through pkg-config"
  local flags
  flags="$(PKG_CONFIG_LIBDIR="$prefix/lib/pkgconfig" pkg-config --cflags --libs VelImageUtility)"
  mkdir -p "$work/windows-consumer-pc"
  # shellcheck disable=SC2086
  x86_64-w64-mingw32-g++-posix -std=c++17 -Wall -Wextra -Werror -static \
    -o "$work/windows-consumer-pc/consumer.exe" examples/consumer/consumer.cpp $flags
  cp "$dll" "$image" "$work/windows-consumer-pc/"
  by_pkgconfig="$(wine_run "$work/windows-consumer-pc" consumer.exe "$(basename "$image")" | tr -d '\r')"
  echo "$by_pkgconfig"
  [ "$by_cmake" = "$by_pkgconfig" ] || fail "the two consumers differ"

  echo "=== install (windows): MSVC-ABI host (clang-cl, lld-link)"
  local host="$work/msvc-host" sources="$root/tests/msvc_host"
  mkdir -p "$host"
  (
    cd "$host"
    "$(llvm_tool clang-cl)" --target=x86_64-pc-windows-msvc /nologo /c /std:c++17 /O2 /GS- /GR- /Zl /W4 /WX \
      /clang:-ffreestanding -DVIU_VERSION_MAJOR="$major" -DVIU_VERSION_MINOR="$minor" \
      -DVIU_VERSION_PATCH="$patch" -imsvc "$sources/include" -I "$prefix/include" \
      /Fomsvc_host.obj -- "$sources/msvc_host.cpp"
    for def in kernel32 version; do
      "$(llvm_tool llvm-dlltool)" -m i386:x86-64 -d "$sources/$def.def" -l "$def.lib"
    done
    # Once with the installed import library, once with one made from the
    # installed .def file, as an MSVC user would (lib /def:).
    "$(llvm_tool llvm-dlltool)" -m i386:x86-64 -D VelImageUtility.dll \
      -d "$prefix/lib/VelImageUtility.def" -l VelImageUtility-def.lib
    for import in "$prefix/lib/VelImageUtility.lib" VelImageUtility-def.lib; do
      "$(llvm_tool lld-link)" /nologo /subsystem:console /entry:HostMain /nodefaultlib /out:msvc_host.exe \
        msvc_host.obj kernel32.lib version.lib "$import"
      cp "$dll" .
      "$wine" msvc_host.exe | tr -d '\r'
    done
  )

  echo "=== install (windows): zip package"
  local packages=build/packages/release-windows
  rm -rf "$packages"
  cpack --preset release-windows >/dev/null
  local zip
  zip="$(ls "$packages"/*.zip)"
  cmake -E tar tf "$zip" | expect_listed bin/VelImageUtility.dll bin/velimg.exe lib/VelImageUtility.lib \
    lib/VelImageUtility.def include/VelImageUtility.h include/VelImageUtility/Interfaces.h \
    lib/cmake/VelImageUtility/VelImageUtilityConfig.cmake lib/pkgconfig/VelImageUtility.pc
  for debug in VelImageUtility.dll.debug velimg.exe.debug; do
    [ -f "$packages/$debug" ] || fail "no $debug beside the package"
  done
  echo "$zip"
}

targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(linux windows)
for target in "${targets[@]}"; do
  case "$target" in
    linux) check_linux ;;
    windows) check_windows ;;
    *) fail "unknown target $target" ;;
  esac
done
echo "=== install checks passed: ${targets[*]}"
