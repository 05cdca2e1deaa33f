# The 32-bit Windows build's check programs under 32-bit Wine: the design's
# own platform, which the build machines' kernel cannot run (no 32-bit
# execution) and the guest's amd64 kernel can. The Wine prefix is created
# once per wine32 version and kept, packed, in the guest cache.
# guest-foreign-arch: i386
# guest-packages: wine32
# guest-presets: win32
# guest-memory: 1536
# guest-timeout: 900

win32=$SOURCE/build/win32
wine_version=$(dpkg-query -W -f='${Version}' wine32 2>/dev/null)
packed=$GUEST_CACHE/wine32-prefix-${wine_version//[^A-Za-z0-9.+-]/_}.tar.gz
export WINEPREFIX=/tmp/wine32-prefix
export HOME=/root

started=$SECONDS
if [[ -f "$packed" ]]; then
  mkdir -p "$WINEPREFIX" && tar -xzf "$packed" -C "$WINEPREFIX"
  note "prefix restored from $packed in $((SECONDS - started)) s"
fi

# One check per program, from the runner's ok/FAIL lines.
output=$("$SOURCE/scripts/windows/run-win32-checks" "$win32" 2>&1)
status=$?
echo "$output"
programs=0
while read -r verdict program rest; do
  case "$verdict" in
    ok) ((programs += 1)); [[ "$program" == created ]] || check "$program under 32-bit Wine" true ;;
    FAIL) ((programs += 1)); check "$program under 32-bit Wine: $rest" false ;;
  esac
done <<<"$output"
check "every 32-bit check program ran, and the runner agrees" test "$status" -eq 0 -a "$programs" -ge 2

if [[ ! -f "$packed" && -f "$WINEPREFIX/system.reg" ]]; then
  "$SOURCE/scripts/guest/pack-wine-prefix" "$WINEPREFIX" /usr/lib/i386-linux-gnu/wine/i386-windows "$packed"
fi
note "32-bit run: $((SECONDS - started)) s"
