#!/usr/bin/env bash
# The shared library exports exactly the 21 public functions, undecorated.
# Usage: check_exports.sh LIBRARY   (an ELF .so or a PE .dll)
set -euo pipefail
library="$1"
expected="DetectCpuInstructionSet
GetCImageARGB GetCImageARGB1 GetCImageARGB2 GetCImageARGB4 ReleaseCImageARGB
GetCImageAYUV GetCImageAYUV1 GetCImageAYUV2 GetCImageAYUV4 ReleaseCImageAYUV
GetCImageByte GetCImageByte1 GetCImageByte2 GetCImageByte4 ReleaseCImageByte
GetCImageUtility GetCImageUtility1 GetCImageUtility4 GetCImageUtility5 ReleaseCImageUtility"
# Where there are no bitmap handles or modules, the stand-in layer of
# VelImageUtility/PlatformStandIns.h keeps its table of live handles here too.
standIns="VelMakeBitmapHandle VelMakeModuleHandle VelReleaseBitmapHandle VelReleaseModuleHandle"
case "$library" in *.dll) ;; *) expected="$expected $standIns" ;; esac
expected="$(tr ' \n' '\n\n' <<<"$expected" | sed '/^$/d' | sort)"

case "$library" in
  *.dll)
    actual="$(x86_64-w64-mingw32-objdump -p "$library" \
      | sed -n '/\[Ordinal\/Name Pointer\] Table/,/^$/p' | sed -n 's/^\s*\[ *[0-9]*\] //p' | sort)" ;;
  *)
    actual="$(nm -D --defined-only "$library" | awk '{print $3}' | sort)" ;;
esac

if [ "$actual" != "$expected" ]; then
  echo "exports differ (< expected, > actual):"
  diff <(echo "$expected") <(echo "$actual") || true
  exit 1
fi
echo "exports: $(wc -l <<<"$expected") passed, 0 failed"
