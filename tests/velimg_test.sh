#!/usr/bin/env bash
# End-to-end checks of velimg: the demo's files, batches, errors and the
# command line that GNU parallel spreads over machines.
# Usage: velimg_test.sh VELIMG [EMULATOR...]
set -uo pipefail
velimg=("${@:2}" "$1")
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
passed=0 failed=0
check() {  # check NAME CONDITION...
    local name="$1"; shift
    if "$@"; then passed=$((passed + 1)); else failed=$((failed + 1)); echo "FAILED: $name"; fi
}
run() { "${velimg[@]}" "$@" 2>"$work/stderr" | tr -d '\r' >"$work/stdout"; echo "${PIPESTATUS[0]}" >"$work/status"; }
status() { [ "$(cat "$work/status")" = "$1" ]; }
says() { tr -d '\r' <"$work/stderr" | grep -q -- "$1"; }

run demo --out "$work/demo"
check "demo exits 0" status 0
run info "$work/demo/frame.png" "$work/demo/contact_sheet.png"
check "demo frame is 1920x1080 PNG" grep -q "frame.png: 1920x1080 PNG" "$work/stdout"
check "demo sheet is a PNG grid of 480x270 tiles" grep -qE "contact_sheet.png: 1960x[0-9]+ PNG" "$work/stdout"
for tile in box-blur gaussian-blur zoom-blur multiply-blend soft-light-blend invert posterize rotate resize \
    ayuv-round-trip detect-edges emboss-to-plane unsharp-mask median-filter-channels; do
    check "index names $tile" grep -q "<td>$tile" "$work/demo/index.html"
done

mkdir "$work/in"
cp "$work/demo/title.png" "$work/in/a.png"
cp "$work/demo/title.png" "$work/in/b.bmp"
echo "not a picture" >"$work/in/bad.png"
run "$work/in/a.png" "$work/in/bad.png" "$work/in/b.bmp" --invert --resize 64x16 -o "$work/out" -j 2
check "batch with a bad file exits 1" status 1
check "batch reports the bad file" says "cannot read or decode '.*bad.png'"
check "batch summary" says "3 files, 1 failed"
run info "$work/out/a.png" "$work/out/b.bmp"
check "batch finishes the rest" test "$(grep -c "64x16" "$work/stdout")" = 2

errors=(
    "2|unknown operation '--sharpen'|$work/in/a.png --sharpen -o $work/x.png"
    "2|--resize: '0' is not a whole number|$work/in/a.png --resize 0x5 -o $work/x.png"
    "2|expected: --unsharp-mask AMOUNT,RADIUS,THRESHOLD|$work/in/a.png --unsharp-mask 80 -o $work/x.png"
    "2|no output|$work/in/a.png --invert"
    "1|cannot read or decode|$work/missing.png --invert -o $work/x.png"
    "1|cannot write|$work/in/a.png --invert -o $work/no/such/dir/x.png"
)
for row in "${errors[@]}"; do
    IFS='|' read -r code message args <<<"$row"
    # shellcheck disable=SC2086
    run $args
    check "error '$message'" status "$code"
    check "error text '$message'" says "$message"
done

if command -v parallel >/dev/null; then
    # The same line spreads a batch over machines with --sshlogin host1,host2
    # and --transferfile {} --return out/{/} --cleanup.
    mkdir -p "$work/par"
    parallel --will-cite "${velimg[*]}" {} --gaussian-blur 2 -o "$work/par/{/}" ::: "$work/in/a.png" "$work/in/b.bmp"
    check "parallel form" test -s "$work/par/a.png" -a -s "$work/par/b.bmp"
fi

echo "velimg: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
