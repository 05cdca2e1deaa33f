// The ALSA mixer driver (tvmixalsa.so): the host's mixer devices are ALSA
// control devices. Which ones: the names in TVMIXALSA_DEVICES (comma-
// separated ALSA control names, e.g. "hw:1,mixer_plugin"), or, when it is
// unset or empty, every sound card ("hw:N") that has mixer elements. The list
// is made when the host counts the devices (MXDM_GETNUMDEVS, once per host
// load). Each open opens its own simple mixer on the device, with the
// auxiliary element named by TVMIXALSA_ELEMENT as it is at the open.
#include <alsa/asoundlib.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "alsa_card.h"
#include "kept_text.h"
#include "settings.h"
#include "tvmixalsa.h"
#include "tvhost/mixer_driver.h"

namespace tvmixalsa {
namespace {

struct DriverState {
    std::mutex lock;  // ALSA mixer handles are not shared between threads
    std::vector<std::string> devices;
    bool counted = false;  // `devices` has been made
    std::string refusal;   // why the count found nothing to serve; "" when it serves
    std::map<DWORD_PTR, std::unique_ptr<AlsaCard>> opens;  // instance -> open device
    std::map<DWORD_PTR, UINT> openDevice;
    DWORD_PTR nextInstance = 1;
};

DriverState &State() {
    static DriverState state;
    return state;
}

// The devices to serve, and why there are none when there are none.
std::vector<std::string> ListDevices(std::string &refusal) {
    std::vector<std::string> names;
    refusal.clear();
    if (const char *setting = tvdrv::Setting("TVMIXALSA_DEVICES")) {
        std::string list = setting;
        std::string::size_type start = 0;
        while (start <= list.size()) {
            std::string::size_type comma = list.find(',', start);
            if (comma == std::string::npos) comma = list.size();
            std::string name = list.substr(start, comma - start);
            std::string::size_type first = name.find_first_not_of(" \t");
            if (first != std::string::npos) names.push_back(name.substr(first, name.find_last_not_of(" \t") - first + 1));
            start = comma + 1;
        }
        if (names.empty()) refusal = "TVMIXALSA_DEVICES names no control device";
        return names;
    }
    int card = -1, cards = 0;
    while (snd_card_next(&card) == 0 && card >= 0) {
        ++cards;
        std::string name = "hw:" + std::to_string(card);
        if (HasMixerElements(name)) names.push_back(name);
    }
    if (cards == 0)
        refusal = "no ALSA sound card (is the sound driver loaded? aplay -l lists the cards)";
    else if (names.empty())
        refusal = "no ALSA sound card has mixer elements (" + std::to_string(cards) + " card(s) without)";
    return names;
}

// Why the first device, which serves the library, has no TV sound line:
// the element it is told to drive is not there. "" when it is.
std::string MissingElement(const std::string &device) {
    ElementName wanted = AuxElementSetting();
    AlsaCard card;
    if (card.Open(device, wanted) != MMSYSERR_NOERROR)
        return device + " does not open as an ALSA control device (TVMIXALSA_DEVICES)";
    if (card.AuxLine() != nullptr) return "";
    std::string element = "'" + wanted.name + "'" + (wanted.index != 0 ? "," + std::to_string(wanted.index) : "");
    return device + " has no playback element " + element + " (TVMIXALSA_ELEMENT): no TV sound line";
}

void Count(DriverState &state) {
    state.devices = ListDevices(state.refusal);
    if (!state.devices.empty()) state.refusal = MissingElement(state.devices[0]);
    state.counted = true;
}

// A device as its ALSA name and, for a card, the card's own name
// ("hw:1 \"<card>\"").
std::string DeviceWords(const std::string &device) {
    std::string words = device;
    if (device.rfind("hw:", 0) != 0) return words;
    char *end = nullptr;
    const long card = std::strtol(device.c_str() + 3, &end, 10);
    char *name = nullptr;
    if (end != device.c_str() + 3 && *end == '\0' && card >= 0 && card < 1000 &&
        snd_card_get_name(static_cast<int>(card), &name) == 0) {
        words += " \"" + std::string(name) + "\"";
        std::free(name);  // NOLINT(cppcoreguidelines-no-malloc): alsa-lib hands the name over with malloc
    }
    return words;
}

DWORD Answer(DriverState &state, UINT deviceId, UINT msg, DWORD_PTR user, DWORD_PTR param1, DWORD_PTR param2) {
    if (msg == MXDM_GETNUMDEVS) {
        Count(state);
        return static_cast<DWORD>(state.devices.size());
    }
    if (deviceId >= state.devices.size()) return MMSYSERR_BADDEVICEID;
    if (msg == MXDM_OPEN) {
        if (user == 0) return MMSYSERR_INVALPARAM;
        auto card = std::make_unique<AlsaCard>();
        DWORD result = card->Open(state.devices[deviceId], AuxElementSetting());
        if (result != MMSYSERR_NOERROR) return result;
        DWORD_PTR instance = state.nextInstance++;
        state.opens.emplace(instance, std::move(card));
        state.openDevice.emplace(instance, deviceId);
        *reinterpret_cast<DWORD_PTR *>(user) = instance;
        return MMSYSERR_NOERROR;
    }
    auto open = state.opens.find(user);
    if (open == state.opens.end() || state.openDevice[user] != deviceId) return MMSYSERR_INVALHANDLE;
    AlsaCard &card = *open->second;
    DWORD query = static_cast<DWORD>(param2);
    if (msg == MXDM_CLOSE) {
        state.opens.erase(open);
        state.openDevice.erase(user);
        return MMSYSERR_NOERROR;
    }
    if (param1 == 0) return MMSYSERR_INVALPARAM;
    switch (msg) {
    case MXDM_GETLINEINFO:
        return card.GetLineInfo(*reinterpret_cast<MIXERLINEA *>(param1), query, deviceId);
    case MXDM_GETLINECONTROLS:
        return card.GetLineControls(*reinterpret_cast<MIXERLINECONTROLSA *>(param1), query);
    case MXDM_GETCONTROLDETAILS:
        return card.GetControlDetails(*reinterpret_cast<MIXERCONTROLDETAILS *>(param1), query);
    case MXDM_SETCONTROLDETAILS:
        return card.SetControlDetails(*reinterpret_cast<MIXERCONTROLDETAILS *>(param1), query);
    default:
        return MMSYSERR_NOTSUPPORTED;
    }
}

}  // namespace
}  // namespace tvmixalsa

extern "C" __attribute__((visibility("default"))) DWORD mxdMessage(UINT deviceId, UINT msg, DWORD_PTR user,
                                                                   DWORD_PTR param1, DWORD_PTR param2) {
    tvmixalsa::DriverState &state = tvmixalsa::State();
    std::lock_guard<std::mutex> guard(state.lock);
    return tvmixalsa::Answer(state, deviceId, msg, user, param1, param2);
}

namespace {

void CopyText(char *to, std::size_t size, const char *from) {
    std::strncpy(to, from, size - 1);
    to[size - 1] = '\0';
}

}  // namespace

extern "C" int TvMixAlsaDescribe(uint32_t device, TvMixAlsaElement *out) {
    if (out == nullptr) return -1;
    *out = TvMixAlsaElement{};
    tvmixalsa::DriverState &state = tvmixalsa::State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (!state.counted) tvmixalsa::Count(state);
    if (device >= state.devices.size()) return -1;
    tvmixalsa::ElementName wanted = tvmixalsa::AuxElementSetting();
    CopyText(out->device, sizeof out->device, state.devices[device].c_str());
    CopyText(out->element, sizeof out->element, wanted.name.c_str());
    out->index = wanted.index;
    tvmixalsa::AlsaCard card;
    if (card.Open(state.devices[device], wanted) != MMSYSERR_NOERROR) return -2;
    const tvmixalsa::AlsaLine *line = card.AuxLine();
    if (line == nullptr) return -3;
    snd_mixer_elem_t *elem = line->elem;
    CopyText(out->element, sizeof out->element, snd_mixer_selem_get_name(elem));
    out->channels = line->channels;
    out->hasVolume = line->range.Usable();
    out->hasSwitch = snd_mixer_selem_has_playback_switch(elem);
    out->min = line->range.min;
    out->max = line->range.max;
    long dbMin = 0, dbMax = 0;
    out->hasDb = out->hasVolume && snd_mixer_selem_get_playback_dB_range(elem, &dbMin, &dbMax) == 0 && dbMax > dbMin;
    out->dbMin = dbMin;
    out->dbMax = dbMax;
    for (unsigned channel = 0; channel < line->channels; ++channel) {
        auto id = channel == 0 ? SND_MIXER_SCHN_FRONT_LEFT : SND_MIXER_SCHN_FRONT_RIGHT;
        long value = 0, db = 0;
        int on = 0;
        if (out->hasVolume && snd_mixer_selem_get_playback_volume(elem, id, &value) == 0) {
            out->value[channel] = value;
            out->scale[channel] = tvmixalsa::CardToScale(value, line->range);
        }
        if (out->hasDb && snd_mixer_selem_get_playback_dB(elem, id, &db) == 0) out->db[channel] = db;
        if (out->hasSwitch && snd_mixer_selem_get_playback_switch(elem, id, &on) == 0) out->switchOn[channel] = on;
    }
    return 0;
}

extern "C" uint32_t mxdDescribeDevice(UINT deviceId, char *text, uint32_t size) {
    tvmixalsa::DriverState &state = tvmixalsa::State();
    std::lock_guard<std::mutex> guard(state.lock);
    if (deviceId >= state.devices.size()) return tvdrv::PutText("", text, size);
    return tvdrv::PutText(tvmixalsa::DeviceWords(state.devices[deviceId]).c_str(), text, size);
}

extern "C" uint32_t mxdRefusalReason(char *text, uint32_t size) {
    tvmixalsa::DriverState &state = tvmixalsa::State();
    std::lock_guard<std::mutex> guard(state.lock);
    return tvdrv::PutText(state.refusal.c_str(), text, size);
}
