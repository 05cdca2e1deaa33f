// The lock and settle rules, proved at compile time: a failed read never
// counts, and only the one bit decides an answered read.
#include "tvcore/card/decoder.h"
#include "tvcore/card/tuner.h"

namespace tvcore::card {
namespace {

static_assert(IsLocked(kStatusLock) && IsLocked(0xFF));  // an answered idle byte has the bit
static_assert(!IsLocked(0xFF & ~kStatusLock) && !IsLocked(0x00));
static_assert(!IsLocked(0x1FF) && !IsLocked(0x100 | kStatusLock) && !IsLocked(0xFFFFFFFFu));

static_assert(IsSettled(kTunerStatusSettled) && !IsSettled(0xFF & ~kTunerStatusSettled));
static_assert(!IsSettled(0x1FF) && !IsSettled(0xFFFFFFFFu));

}  // namespace
}  // namespace tvcore::card
