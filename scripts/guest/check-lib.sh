# The words a guest check file uses (sourced by the runner). Each check
# writes one line to $CHECK_RESULTS: "ok NAME" or "FAIL NAME: detail".
# Commands' output goes to the file's log.

_check_record() {  # ok|FAIL name [detail]
  local line="$1 $CHECK_PREFIX: $2"
  [[ $1 == FAIL ]] && line+=": $3"
  echo "$line" >>"$CHECK_RESULTS"
  echo "$line"
}

_check_tail() {  # the last part of a command's output, on one line
  tr '\n' ' ' <<<"$1" | tail -c 240
}

# _check_exit WANT NAME CMD...: runs CMD, shows its output and records the
# check as passed when its exit status is WANT ("zero" or "nonzero").
_check_exit() {
  local want=$1 name=$2 out rc
  shift 2
  out=$("$@" 2>&1)
  rc=$?
  echo "$out"
  if [[ $want == zero && $rc == 0 ]] || [[ $want == nonzero && $rc != 0 ]]; then
    _check_record ok "$name"
  elif ((rc == 0)); then
    _check_record FAIL "$name" "succeeded: $(_check_tail "$out")"
  else
    _check_record FAIL "$name" "exit $rc: $(_check_tail "$out")"
  fi
}

# check NAME CMD...: passes when CMD exits 0.
check() { _check_exit zero "$@"; }

# check_fails NAME CMD...: passes when CMD exits non-zero.
check_fails() { _check_exit nonzero "$@"; }

# check_eq NAME EXPECTED CMD...: passes when CMD exits 0 and its standard
# output, less the trailing newline, is EXPECTED.
check_eq() {
  local name=$1 expected=$2 out rc
  shift 2
  out=$("$@")
  rc=$?
  echo "$out"
  if ((rc == 0)) && [[ "$out" == "$expected" ]]; then
    _check_record ok "$name"
  else
    _check_record FAIL "$name" "exit $rc, expected '$(_check_tail "$expected")', got '$(_check_tail "$out")'"
  fi
}

# note TEXT: a line in the log, not a check.
note() { echo "note: $*"; }

# guest_modprobe MODULE [PARAM=VALUE...]: loads a module (with what it
# depends on) from the unpacked kernel's tree; -r unloads.
guest_modprobe() { modprobe -d "$GUEST_KROOT" -S "$GUEST_KVER" "$@"; }

# vivid_node: the first /dev/videoN whose card is vivid's (empty when none).
vivid_node() {
  local node
  for node in /dev/video*; do
    if v4l2-ctl -d "$node" --info 2>/dev/null | grep -q 'Card type *: vivid'; then echo "$node"; return; fi
  done
}

# vivid_open [TVCTL_OPTION...]: finds vivid's capture node ($dev), checks
# it is there, and defines vc (v4l2-ctl on it), tv (the installed tvctl on
# it, with the options given) and stats (the picture_stats tool: FILE
# [X Y]... gives "W H MEAN_LUMA", then an "R G B" line a point).
vivid_open() {
  dev=$(vivid_node)
  check "vivid capture node present" test -n "$dev"
  note "vivid node: $dev"
  tv_options=("$@")
  vc() { v4l2-ctl -d "$dev" "$@"; }
  tv() { "$PREFIX/bin/tvctl" --v4l2-device "$dev" "${tv_options[@]}" "$@"; }
  stats() { "$BUILD/tests/v4l2_picture_stats" "$@"; }
}

# vivid_bars FILE: vivid's 75% colour bars as a picture shows them, each
# bar's middle pixel on the middle line, each channel on (above 128, "1") or
# off (below 64, "0"): "111 110 011 010 101 100 001 000" for vivid's bars.
# Measured with the picture_stats tool the checks build (PNG or JPEG).
vivid_bars() {
  local stats="$BUILD/tests/v4l2_picture_stats" w h out=() args=() r g b measured
  measured=$("$stats" "$1") || return 1
  read -r w h _ <<<"$measured"
  for i in 0 1 2 3 4 5 6 7; do args+=($((w * (2 * i + 1) / 16)) $((h / 2))); done
  measured=$("$stats" "$1" "${args[@]}") || return 1
  while read -r r g b; do
    out+=("$(for c in $r $g $b; do ((c > 128)) && printf 1 || { ((c < 64)) && printf 0 || printf '?'; }; done)")
  done <<<"$(tail -n +2 <<<"$measured")"
  echo "${out[*]}"
}
