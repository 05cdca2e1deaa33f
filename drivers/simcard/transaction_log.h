// The simulated card's record of bus transactions: a ring of the newest
// entries with a running sequence number. Not locked itself; the card's
// lock guards it.
#pragma once

#include <array>
#include <cstdint>

#include "tvsim.h"

namespace tvsim {

class TransactionLog {
public:
    // Stamps `entry` with the next sequence number and keeps it, pushing
    // out the oldest entry when the ring is full.
    void Append(TvSimTransaction entry);

    uint64_t Total() const { return total_; }

    // Copies held entries with sequence >= first, oldest first, at most max.
    uint32_t Read(uint64_t first, TvSimTransaction *out, uint32_t max) const;

    void Clear() { total_ = 0; }

private:
    // Left uninitialised on purpose: the log lives in the card's static
    // object, whose memory starts out zero, and an entry is read only after
    // it was written. Zeroing the 256 KiB ring in the constructor would touch
    // every page of it at each load of the driver and double the time of a
    // library load.
    std::array<TvSimTransaction, TVSIM_LOG_CAPACITY> ring_;
    uint64_t total_ = 0;  // entry n lives in ring_[n % capacity] while n >= total_ - capacity
};

}  // namespace tvsim
