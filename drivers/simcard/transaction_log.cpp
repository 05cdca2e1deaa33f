#include "transaction_log.h"

namespace tvsim {

void TransactionLog::Append(TvSimTransaction entry) {
    entry.sequence = total_;
    ring_[total_ % TVSIM_LOG_CAPACITY] = entry;
    ++total_;
}

uint32_t TransactionLog::Read(uint64_t first, TvSimTransaction *out, uint32_t max) const {
    if (out == nullptr) return 0;
    uint64_t oldest = total_ > TVSIM_LOG_CAPACITY ? total_ - TVSIM_LOG_CAPACITY : 0;
    if (first < oldest) first = oldest;
    uint32_t copied = 0;
    for (uint64_t n = first; n < total_ && copied < max; ++n) out[copied++] = ring_[n % TVSIM_LOG_CAPACITY];
    return copied;
}

}  // namespace tvsim
