# shellcheck shell=sh
# Values on the guest's kernel command line. The kernel splits its command
# line at blanks and tvg.run joins its words with commas, so a value carries
# neither: guest_encode writes '%', blanks, commas and quotes as %XX, and
# guest_decode reads them back. A newline in a value is not supported.
# Sourced by scripts/guest/run (bash) and by the initramfs's init (busybox sh).

guest_encode() {
  printf '%s' "$1" | sed -e 's/%/%25/g' -e 's/ /%20/g' -e 's/	/%09/g' -e 's/,/%2C/g' -e 's/"/%22/g' -e "s/'/%27/g"
}

guest_decode() {
  printf '%s' "$1" | sed -e 's/%20/ /g' -e 's/%09/	/g' -e 's/%2C/,/g' -e 's/%22/"/g' -e "s/%27/'/g" -e 's/%25/%/g'
}

# The value of tvg.run for the words given: each encoded, joined by commas.
guest_run_value() {
  sep=
  for word in "$@"; do
    printf '%s%s' "$sep" "$(guest_encode "$word")"
    sep=,
  done
}

# Reads the tvg.* parameters from a kernel command line into results, cache,
# keep and shell, and tvg.run's words into the positional parameters of the
# caller's `eval "set -- $guest_run"` (each word quoted for the shell).
guest_parse_cmdline() {
  results= cache= keep= shell= guest_run=
  set -f  # a word is never a file pattern
  for w in $1; do
    case "$w" in
      tvg.results=*) results=$(guest_decode "${w#tvg.results=}") ;;
      tvg.cache=*) cache=$(guest_decode "${w#tvg.cache=}") ;;
      tvg.keep=*) keep=$(guest_decode "${w#tvg.keep=}") ;;
      tvg.run=*)
        old_ifs=$IFS
        IFS=,
        for word in ${w#tvg.run=}; do
          IFS=$old_ifs
          word=$(guest_decode "$word" | sed "s/'/'\\\\''/g")
          guest_run="$guest_run '$word'"
        done
        IFS=$old_ifs
        ;;
      tvg.shell=1) shell=1 ;;
    esac
  done
  set +f
}
