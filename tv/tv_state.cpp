#include "tv/tv_state.h"

namespace tvcore {

TvState tvState = kTvStateAtLoad;

}  // namespace tvcore
