#include "tv/tv_state.h"

TvState tvState = kTvStateAtLoad;
