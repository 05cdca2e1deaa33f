#!/usr/bin/env bash
# The clang-tidy runner of the static-analysis stage with stand-in tools: a
# tool that crashes, reports a finding or is missing fails the run and leaves
# nothing cached as clean; only a completed, clean run is cached.
#   static_analysis_test.sh TIDY_PY
set -uo pipefail
tidy=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir -p "$dir/tree/host" "$dir/bin"
echo 'int f() { return 1; }' >"$dir/tree/host/a.cpp"
cat >"$dir/tree/compile_commands.json" <<JSON
[{"directory": "$dir/tree", "file": "$dir/tree/host/a.cpp", "command": "c++ -c host/a.cpp -o a.o"}]
JSON
printf '#!/bin/sh\necho "cppcheck 2"\n' >"$dir/bin/cppcheck"
chmod +x "$dir/bin/cppcheck"
# Only the stand-ins and what the runner needs besides are on the path.
python=$(python3 -c "import sys; print(sys.executable)")
ln -s "$(command -v c++)" "$dir/bin/"
failures=0

# Installs a stand-in clang-tidy whose analysis does BODY.
tool() {
  printf '#!/bin/sh\n[ "$1" = --version ] && { echo "clang-tidy 1"; exit 0; }\n%s\n' "$1" >"$dir/bin/clang-tidy"
  chmod +x "$dir/bin/clang-tidy"
}

# expect WHAT STATUS CACHED: runs the runner; its exit status and the number
# of cached clean results must be as given.
expect() {
  PATH="$dir/bin" "$python" "$tidy" run "$dir/tree" "$dir/tree/compile_commands.json" "$dir/cache" \
    "$dir/log" >"$dir/out" 2>&1
  local status=$? cached
  cached=$(find "$dir/cache" -type f 2>/dev/null | wc -l)
  if [[ $status -ne $2 || $cached -ne $3 ]]; then
    echo "FAIL $1: exit $status, $cached cached (expected exit $2, $3 cached)"; cat "$dir/out"
    failures=$((failures + 1))
  else
    echo "ok $1"
  fi
}

tool 'kill -SEGV $$'
expect "a crashing clang-tidy" 1 0
tool 'echo "host/a.cpp:1:5: warning: something [check]"'
expect "a finding" 1 0
tool 'exit 1'
expect "a failing run that says nothing" 1 0
rm "$dir/bin/clang-tidy"
expect "no clang-tidy" 1 0
tool 'exit 0'
expect "a clean run" 0 1
tool 'kill -SEGV $$'
expect "a file unchanged since its clean run is not analysed again" 0 1
echo 'int g() { return 2; }' >>"$dir/tree/host/a.cpp"
expect "a changed file is analysed again" 1 1
exit $((failures > 0))
