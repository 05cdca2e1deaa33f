// The benchmark families; main() registers them once the options are known.
#pragma once

#include "bench_env.h"

namespace tvbench {

void RegisterTuneBenchmarks(const Options &options);
void RegisterCallBenchmarks(const Options &options);
void RegisterLoadBenchmarks(const Options &options);
void RegisterScanBenchmarks(const Options &options);
void RegisterFrameBenchmarks(const Options &options);

}  // namespace tvbench
