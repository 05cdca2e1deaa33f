#!/usr/bin/env bash
# scripts/check-arrows on a small tree of its own: clean, it passes; with
# one forbidden arrow planted, it fails and names the file.
#   arrows_test.sh CHECK_ARROWS
set -uo pipefail
check=$1
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
failures=0

# A clean tree: each part with the arrows it may have.
clean() {
  rm -rf "$dir/tree"
  mkdir -p "$dir"/tree/{cardfacts/src,tv,host/src,drivers/simcard/include,tools/tvctl,bench,fuzz,tests/tv}
  cd "$dir/tree" || exit 2
  printf '#include <cstdint>\n#include "tvcore/card/tuner.h"\n' >cardfacts/src/facts.cpp
  printf '#include "tvhost/win32.h"\n#include "tvcore/card/tuner.h"\n#include "tv/tuning.h"\n' >tv/tuning.cpp
  printf '#include <dlfcn.h>\nvoid *m = dlopen(name, RTLD_NOW);\n' >host/src/loader.cpp
  printf '#include "tvhost/win32.h"\n' >drivers/simcard/include/tvsim.h
  printf '#include "tvsim.h"\n#include "tvcore.h"\nHMODULE m = LoadLibraryA("tvbus16.so");\n' >tools/tvctl/a.cpp
  printf '#include "tests/tv/reference_scanner.h"\n' >fuzz/fuzz.cpp
  printf 'void *m = dlopen(name, RTLD_NOLOAD);\n' >tests/tv/t.cpp
  printf 'target_link_libraries(tvctl_core PUBLIC tvsim_api)\n' >tools/CMakeLists.txt
  cd - >/dev/null || exit 2
}

# plant FILE LINE WHAT: the planted arrow must fail the check, named.
plant() {
  clean
  mkdir -p "$(dirname "$dir/tree/$1")"
  printf '%s\n' "$2" >>"$dir/tree/$1"
  if out=$("$check" "$dir/tree" 2>&1); then
    echo "FAIL $3: passed"; failures=$((failures + 1))
  elif [[ $out != *"$1:"* ]]; then
    echo "FAIL $3: $1 not named in: $out"; failures=$((failures + 1))
  else
    echo "ok $3"
  fi
}

clean
if out=$("$check" "$dir/tree" 2>&1); then echo "ok a clean tree"; else echo "FAIL a clean tree: $out"; failures=$((failures + 1)); fi

plant cardfacts/src/facts.cpp '#include "tvhost/win32.h"' "card facts -> host"
plant cardfacts/src/facts.cpp '#include "tv/tuning.h"' "card facts -> library"
plant tv/tuning.cpp '#include "tvsim.h"' "library -> a driver's header"
plant tv/tuning.cpp '#include "host/src/handles.h"' "library -> host internals"
plant host/src/files.cpp '#include "tvcore/card/tuner.h"' "host -> card facts"
plant host/src/files.cpp '  #  include "tvcore.h"' "host -> library interface"
plant drivers/simcard/card.cpp '#include "bus/bus_link.h"' "driver -> library"
plant tools/tvctl/a.cpp '#include "tv/tuning.h"' "tvctl -> library internals"
plant bench/b.cpp '#include "tests/support/test_env.h"' "benchmark -> test header"
plant fuzz/fuzz.cpp '#include "tests/support/test_env.h"' "fuzz -> another test header"
plant bench/b.cpp 'void *m = dlopen("tvbus16.so", RTLD_NOW);' "benchmark -> dlopen"
plant tools/tvctl/a.cpp 'auto f = dlsym (m, "x");' "tvctl -> dlsym"
plant host/src/mixer.cpp 'void *m = dlopen(n, 0);' "host outside its loader -> dlopen"
plant tools/CMakeLists.txt 'target_link_libraries(tvctl_core PRIVATE tvcore_static)' "tvctl links tvcore_static"
plant tools/CMakeLists.txt 'target_include_directories(x PUBLIC ${PROJECT_SOURCE_DIR}/drivers/simmixer/include)' \
  "tvctl reaches a driver's headers by path"
exit $((failures > 0))
