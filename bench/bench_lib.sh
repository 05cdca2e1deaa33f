# shellcheck shell=bash
# What the bench scripts share; sourced from the repository root.

# built VAR TARGET PATH: the program the environment names in VAR, else
# TARGET built quietly in the default preset, whose program is at PATH.
built() {
  if [[ -n "${!1:-}" ]]; then echo "${!1}"; return; fi
  cmake --preset default >/dev/null && cmake --build --preset default --target "$2" >/dev/null && echo "$3"
}
