// The model test's own picture of the mixer side: the host's checks on a
// handle and the simulated mixer's one device (its controls, their values
// and bounds, its answers), written from their documentation. Nothing here
// calls the library.
#pragma once

#include <cstdint>
#include <optional>
#include <set>
#include <vector>

#include "tvhost/win32.h"

namespace model {

// One message as the simulated mixer logs it (the members the test checks).
struct Message {
    uint32_t message = 0, result = 0, injected = 0;
    uint32_t controlId = 0, cChannels = 0, valueCount = 0;
    uint32_t values[2] = {0, 0};
    bool operator==(const Message &) const = default;
};

class MixerModel {
public:
    MixerModel();

    // The auxiliary line and its controls on the simulated mixer's device.
    static constexpr uint32_t kAuxLine = 0x00050000u;
    static constexpr uint32_t kAuxVolume = 11, kAuxMute = 12, kVolumeMax = 65535;

    // Arms a failure: after `skip` more messages `message` (0: any), the
    // next answers `result`. One at a time.
    void Fail(uint32_t message, uint32_t skip, uint32_t result);
    bool FailureArmed() const { return failure_.has_value(); }
    void ClearFailure() { failure_.reset(); }

    // mixerOpen of device 0: the result, and whether a handle was made.
    MMRESULT Open();
    // The handle the host made for the latest successful Open.
    void OpenedAs(HMIXER handle) { open_.insert(handle); }
    MMRESULT Close(HMIXER handle);
    MMRESULT LineQuery();
    MMRESULT ControlQuery();
    // mixerSetControlDetails / mixerGetControlDetailsA on an open handle,
    // `channels` values; a get fills `out` as the driver would.
    MMRESULT Set(HMIXER handle, uint32_t controlId, uint32_t channels, uint32_t value);
    MMRESULT Get(HMIXER handle, uint32_t controlId, uint32_t channels, uint32_t out[2]);

    bool IsOpen(HMIXER handle) const { return open_.count(handle) != 0; }
    size_t OpenCount() const { return open_.size(); }

    std::vector<Message> TakeSent();

private:
    struct Control {
        uint32_t id;
        bool mute;
        uint32_t values[2];
    };
    // Whether the next message `message` meets the armed failure.
    std::optional<uint32_t> Injected(uint32_t message);
    // The armed failure applied to `m`: true when it met it.
    bool Inject(Message &m);
    // `m` logged as sent; its result.
    MMRESULT Sent(const Message &m);
    // A message without members, sent.
    MMRESULT SentPlain(uint32_t message);
    Control *Find(uint32_t id);

    struct Failure {
        uint32_t message, skip, result;
    };
    std::optional<Failure> failure_;
    std::vector<Control> controls_;
    std::set<HMIXER> open_;
    std::vector<Message> sent_;
};

}  // namespace model
