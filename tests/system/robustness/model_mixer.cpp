#include "model_mixer.h"

#include "tvhost/mixer_driver.h"

namespace model {

MixerModel::MixerModel() {
    // The simulated device numbers its controls in line order: speakers,
    // wave, CD, line, microphone and auxiliary each with volume then mute,
    // then the recording destination's three volumes. Volumes start in the
    // middle of 0..65535, mutes off.
    for (uint32_t id = 1; id <= 15; ++id) {
        bool mute = id <= 12 && id % 2 == 0;
        uint32_t start = mute ? 0 : kVolumeMax / 2;
        controls_.push_back({id, mute, {start, start}});
    }
}

void MixerModel::Fail(uint32_t message, uint32_t skip, uint32_t result) { failure_ = Failure{message, skip, result}; }

std::optional<uint32_t> MixerModel::Injected(uint32_t message) {
    if (!failure_ || (failure_->message != 0 && failure_->message != message)) return std::nullopt;
    if (failure_->skip > 0) {
        --failure_->skip;
        return std::nullopt;
    }
    uint32_t result = failure_->result;
    failure_.reset();
    return result;
}

bool MixerModel::Inject(Message &m) {
    const std::optional<uint32_t> injected = Injected(m.message);
    if (!injected) return false;
    m.result = *injected;
    m.injected = 1;
    return true;
}

MMRESULT MixerModel::Sent(const Message &m) {
    sent_.push_back(m);
    return m.result;
}

MMRESULT MixerModel::SentPlain(uint32_t message) {
    Message m{message};
    Inject(m);
    return Sent(m);
}

MixerModel::Control *MixerModel::Find(uint32_t id) {
    for (Control &control : controls_)
        if (control.id == id) return &control;
    return nullptr;
}

MMRESULT MixerModel::Open() {
    return SentPlain(MXDM_OPEN);
}

MMRESULT MixerModel::Close(HMIXER handle) {
    if (open_.erase(handle) == 0) return MMSYSERR_INVALHANDLE;  // the host's answer; no message
    return SentPlain(MXDM_CLOSE);
}

MMRESULT MixerModel::LineQuery() {
    return SentPlain(MXDM_GETLINEINFO);
}

MMRESULT MixerModel::ControlQuery() {
    return SentPlain(MXDM_GETLINECONTROLS);
}

MMRESULT MixerModel::Set(HMIXER handle, uint32_t controlId, uint32_t channels, uint32_t value) {
    if (!IsOpen(handle)) return MMSYSERR_INVALHANDLE;
    // An injected failure is logged without the request's members.
    Message m{MXDM_SETCONTROLDETAILS};
    if (Inject(m)) return Sent(m);
    m.controlId = controlId;
    m.cChannels = channels;
    if (channels != 1 && channels != 2) {
        m.result = MMSYSERR_INVALPARAM;
    } else {
        // The values are taken before the control is looked up.
        m.valueCount = channels;
        for (uint32_t i = 0; i < channels; ++i) m.values[i] = value;
        Control *control = Find(controlId);
        if (control == nullptr) {
            m.result = MIXERR_INVALCONTROL;
        } else if (!control->mute && value > kVolumeMax) {
            m.result = MIXERR_INVALVALUE;
        } else {
            control->values[0] = control->values[1] = control->mute ? (value != 0) : value;
        }
    }
    return Sent(m);
}

MMRESULT MixerModel::Get(HMIXER handle, uint32_t controlId, uint32_t channels, uint32_t out[2]) {
    if (!IsOpen(handle)) return MMSYSERR_INVALHANDLE;
    Message m{MXDM_GETCONTROLDETAILS};
    if (Inject(m)) return Sent(m);
    m.controlId = controlId;
    m.cChannels = channels;
    Control *control = Find(controlId);
    if (channels != 1 && channels != 2) {
        m.result = MMSYSERR_INVALPARAM;
    } else if (control == nullptr) {
        m.result = MIXERR_INVALCONTROL;
    } else {
        m.valueCount = channels;
        for (uint32_t i = 0; i < channels; ++i) out[i] = m.values[i] = control->values[i];
    }
    return Sent(m);
}

std::vector<Message> MixerModel::TakeSent() {
    std::vector<Message> sent;
    sent.swap(sent_);
    return sent;
}

}  // namespace model
