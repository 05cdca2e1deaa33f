#!/usr/bin/env bash
# The guest's kernel command line as scripts/guest/run writes it (bash) and
# the initramfs's init reads it (busybox sh): paths with blanks, commas,
# quotes, percent signs and pattern characters come through word for word.
#   guest_cmdline_test.sh CMDLINE_SH
set -uo pipefail
lib=$1
shell=(busybox sh)
command -v busybox >/dev/null || shell=(sh)
# shellcheck source=scripts/guest/cmdline.sh
source "$lib"
failures=0
for tree in "/work/my tree" "/srv/a,b" "/tmp/it's \"here\"" "/x/100% * [a]" "/plain"; do
  words=("$tree/scripts/guest/runner" "$tree/build/guest/results" "5.10" "$tree/scripts/guest/checks/10-i2c.sh")
  cmdline="console=ttyS0 quiet tvg.results=$(guest_encode "$tree/results") tvg.keep=$(guest_encode "$tree")"
  cmdline+=" tvg.run=$(guest_run_value "${words[@]}")"
  # As the init does it: parse, then the run's words as its arguments.
  got=$("${shell[@]}" -c '. "$1"; guest_parse_cmdline "$2"; eval "set -- $guest_run"
                          printf "%s\n" "$results" "$keep" "$@"' _ "$lib" "$cmdline")
  want=$(printf '%s\n' "$tree/results" "$tree" "${words[@]}")
  if [[ "$got" == "$want" ]]; then
    echo "ok $tree"
  else
    echo "FAIL $tree: command line $cmdline"; diff <(echo "$want") <(echo "$got")
    failures=$((failures + 1))
  fi
  [[ "$cmdline" != *'"'* ]] || { echo "FAIL $tree: a quote reaches the kernel"; failures=$((failures + 1)); }
done
exit $((failures > 0))
