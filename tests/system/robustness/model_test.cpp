// Model-based random test: seeded random sequences of the library's exported
// calls (every id and class of value, source changes, tunes, raw I2C, audio
// on records with garbage in them), with faults armed on the card and the
// mixer, the bus link lost and found again, and the library unloaded and
// loaded again. Each call is checked against a small model written from the
// rules (model_card, model_mixer and the TV state below): its answer, every
// transaction that crossed to the simulated card, every message the
// simulated mixer received, and the application's records.
//
// Settings (docs/bad-input.md, "Model-based test"):
//   TVCORE_MODEL_SEED   the seed (printed at the start; a fresh one when unset)
//   TVCORE_MODEL_STEPS  calls per run (400)
//   TVCORE_MODEL_TUNES  tunes that really tune, 150 ms each (STEPS / 25)
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <deque>
#include <filesystem>
#include <memory>
#include <random>
#include <set>
#include <sstream>
#include <string>

#include "harness.h"
#include "model_card.h"
#include "model_mixer.h"
#include "support/test_env.h"
#include "tvhost/diag.h"
#include "tvhost/mixer_driver.h"

// A record that differs from the model's shows its fields by name.
namespace model {
static void PrintTo(const Transaction &t, std::ostream *out) {
    *out << "{op " << t.op << ", device " << t.device << ", reg " << t.reg << ", value " << t.value << ", count "
         << t.count << ", result " << t.result << ", fault " << t.fault << ", bytes "
         << testing::PrintToString(t.bytes) << "}";
}
static void PrintTo(const Message &m, std::ostream *out) {
    *out << "{message " << m.message << ", result " << m.result << ", injected " << m.injected << ", control "
         << m.controlId << ", channels " << m.cChannels << ", values " << m.valueCount << ": " << m.values[0]
         << " " << m.values[1] << "}";
}
}  // namespace model

namespace {

using robust::Card;
using robust::CardLog;
using robust::CardRegister;
using robust::Mixer;

// What the library holds between calls, by its rules.
struct TvModel {
    uint32_t sourcePlan = 1;
    uint16_t saturation = 128, contrast = 128;
    uint8_t brightness = 128, hue = 128, channel = 0;
    uint8_t compositeMux = 0x60, tunerMux = 0x20;
    bool mixerOpened = false;
    HMIXER mixerCopy = 0;
};

constexpr uint32_t kNoLink = 0xFFFFFFFFu;
constexpr size_t kRecords = 3;

class ModelRun {
public:
    ModelRun(uint64_t seed, uint64_t steps, uint64_t tunes) : rng_(seed), steps_(steps), tunes_(tunes) {}

    void Run();

private:
    enum Action {
        SetParam, GetParam, Read, Write, Block, InitAudio, SetVol, GetVol, SetMute, GetMute, Spoil, AppClose,
        CardFault, MixerFault, BusAway, BusBack, Notify, Reload, kActions
    };

    // ---- Random choices ----
    uint32_t Below(uint32_t n) { return static_cast<uint32_t>(rng_() % n); }
    bool OneIn(uint32_t n) { return Below(n) == 0; }
    uint32_t Word() {  // a 32-bit value of every class the interface meets
        switch (Below(10)) {
        case 0: return 0;
        case 1: return 1 + Below(6);
        case 2: return 7;
        case 3: return 255;
        case 4: return 256;
        case 5: return 0xFFFF;
        case 6: return 0x10000;
        case 7: return 0xFFFFFFFFu;
        case 8: return Below(256) | (OneIn(2) ? Below(16) << 8 : 0);
        default: return static_cast<uint32_t>(rng_());
        }
    }
    Action Choose();

    // ---- The bus as the library reaches it ----
    uint32_t BusRead(uint32_t device, uint32_t reg) {
        return linked_ ? card_->Read(device & 0xFFFF, reg & 0xFFFF) : kNoLink;
    }
    uint32_t BusWrite(uint32_t device, uint32_t reg, uint32_t value) {
        return linked_ ? card_->Write(device & 0xFFFF, reg & 0xFFFF, value & 0xFFFF) : kNoLink;
    }
    uint32_t BusBlock(uint32_t device, const uint8_t *bytes, uint32_t count) {
        return linked_ ? card_->Block(device & 0xFFFF, bytes, count) : kNoLink;
    }

    // ---- The library's rules ----
    int32_t ExpectSetParam(uint32_t id, uint32_t value);
    int32_t ExpectGetParam(uint32_t id) const;
    uint32_t ExpectInitAudio(TvMixerLine &record, const TvMixerLine &actual);
    void ExpectUnload();

    // ---- Steps ----
    void Step(Action action);
    void Load();
    void CheckTraffic();
    void CheckState();
    std::string Recent() const;
    void Note(const std::string &text) {
        history_.push_back(text);
        if (history_.size() > 24) history_.pop_front();
    }

    std::mt19937_64 rng_;
    uint64_t steps_, tunes_;
    robust::Library lib_;
    std::unique_ptr<model::CardModel> card_;
    model::MixerModel mixer_;
    TvModel tv_;
    bool loaded_ = false, linked_ = false, busAvailable_ = true;
    std::array<TvMixerLine, kRecords> records_{};   // what the library is given
    std::array<TvMixerLine, kRecords> expected_{};  // what the model says they hold
    std::set<HMIXER> closed_;                       // handles that were open once
    uint64_t cardSeen_ = 0;                         // the card's log read so far
    std::deque<std::string> history_;
    std::string windir_;
};

ModelRun::Action ModelRun::Choose() {
    if (!loaded_) return OneIn(4) ? (busAvailable_ ? CardFault : BusBack) : Reload;
    static constexpr uint32_t kWeights[kActions] = {30, 8, 8, 8, 8, 3, 6, 5, 4, 4, 4, 2, 5, 3, 1, 2, 2, 2};
    uint32_t total = 0;
    for (uint32_t w : kWeights) total += w;
    uint32_t pick = Below(total);
    for (uint32_t a = 0; a < kActions; ++a) {
        if (pick < kWeights[a]) return static_cast<Action>(a);
        pick -= kWeights[a];
    }
    return GetParam;
}

int32_t ModelRun::ExpectSetParam(uint32_t id, uint32_t value) {
    switch (id) {
    case TV_PARAM_SOURCE: {
        uint8_t input = static_cast<uint8_t>(BusRead(0x88, 0x01));
        uint8_t control = static_cast<uint8_t>(BusRead(0x88, 0x0B));
        uint32_t plan;
        bool svideo = false;
        uint8_t mux = tv_.tunerMux;
        switch (value & 0xFF) {
        case 0: case 2: plan = 4; mux = tv_.compositeMux; break;
        case 1: plan = 5; svideo = true; break;
        case 4: plan = 1; break;
        case 5: plan = 0; break;
        default: return TV_ERR_BAD_VALUE;
        }
        tv_.sourcePlan = plan;
        control = svideo ? (control | 0x40) : (control & 0xBF);
        input = static_cast<uint8_t>((input & 0x9F) | mux);
        BusWrite(0x88, 0x0B, control);
        BusWrite(0x88, 0x01, input);
        return TV_OK;
    }
    case TV_PARAM_CHANNEL: {
        uint32_t channel = value & 0xFF;
        if (tv_.sourcePlan > 1 || channel >= model::PlanEntries(tv_.sourcePlan)) return TV_ERR_BAD_VALUE;
        std::array<uint8_t, 4> block = model::TunerBlock(tv_.sourcePlan, channel);
        BusBlock(0xC2, block.data(), 4);
        tv_.channel = static_cast<uint8_t>(channel);
        uint32_t status = BusRead(0x88, 0x00);
        // A failed read (an answer above 0xFF, the missing link included)
        // is no lock, whatever its low byte.
        return status <= 0xFF && (status & 0x40) != 0 ? TV_OK : TV_ERR_NO_LOCK;
    }
    case TV_PARAM_BRIGHTNESS:
    case TV_PARAM_HUE:
        if (value > 255) return TV_ERR_BAD_VALUE;
        BusWrite(0x88, id == TV_PARAM_HUE ? 0x0F : 0x0A, (value + 128) & 0xFF);
        (id == TV_PARAM_HUE ? tv_.hue : tv_.brightness) = static_cast<uint8_t>(value);
        return TV_OK;
    case TV_PARAM_CONTRAST: {
        if (value > 255) return TV_ERR_BAD_VALUE;
        uint8_t control = static_cast<uint8_t>(BusRead(0x88, 0x0B));
        uint32_t c = 2 * value;
        control = c > 255 ? (control | 0x04) : (control & 0xFB);
        BusWrite(0x88, 0x0B, control);
        BusWrite(0x88, 0x0C, c);
        tv_.contrast = static_cast<uint16_t>(value);
        return TV_OK;
    }
    case TV_PARAM_SATURATION: {
        if (value > 255) return TV_ERR_BAD_VALUE;
        uint8_t control = static_cast<uint8_t>(BusRead(0x88, 0x0B));
        uint32_t u = 2 * value;
        auto w = static_cast<uint32_t>(static_cast<double>(u) / 1.41);
        control = u > 255 ? (control | 0x02) : (control & 0xFD);
        control = w > 255 ? (control | 0x01) : (control & 0xFE);
        BusWrite(0x88, 0x0B, control);
        BusWrite(0x88, 0x0D, u);
        BusWrite(0x88, 0x0E, w);
        tv_.saturation = static_cast<uint16_t>(value);
        return TV_OK;
    }
    default:
        return TV_ERR_BAD_PARAM;
    }
}

int32_t ModelRun::ExpectGetParam(uint32_t id) const {
    switch (id) {
    case TV_PARAM_SOURCE: return 1;
    case TV_PARAM_CHANNEL: return tv_.channel;
    case TV_PARAM_BRIGHTNESS: return tv_.brightness;
    case TV_PARAM_CONTRAST: return tv_.contrast;
    case TV_PARAM_HUE: return tv_.hue;
    case TV_PARAM_SATURATION: return tv_.saturation;
    default: return TV_ERR_BAD_PARAM;
    }
}

// `actual` is the record after the real call: the handle the host made is
// not the model's to choose, only to check.
uint32_t ModelRun::ExpectInitAudio(TvMixerLine &record, const TvMixerLine &actual) {
    record = TvMixerLine{};
    record.channelCount = 2;
    if (mixer_.Open() != MMSYSERR_NOERROR) return 0;
    EXPECT_NE(actual.mixerHandle, 0u) << "an open handle";
    EXPECT_FALSE(mixer_.IsOpen(actual.mixerHandle)) << "a new handle";
    EXPECT_EQ(closed_.count(actual.mixerHandle), 0u) << "a handle never handed out before";
    mixer_.OpenedAs(actual.mixerHandle);
    record.mixerHandle = actual.mixerHandle;
    tv_.mixerOpened = true;
    tv_.mixerCopy = actual.mixerHandle;
    if (mixer_.LineQuery() != MMSYSERR_NOERROR) return 0;
    if (mixer_.ControlQuery() != MMSYSERR_NOERROR) return 0;
    record.volumeControlId = model::MixerModel::kAuxVolume;
    record.volumeMin = 0;
    record.volumeMax = model::MixerModel::kVolumeMax;
    if (mixer_.ControlQuery() != MMSYSERR_NOERROR) return 0;
    record.muteControlId = model::MixerModel::kAuxMute;
    return 1;
}

void ModelRun::ExpectUnload() {
    if (tv_.mixerOpened) {
        if (mixer_.IsOpen(tv_.mixerCopy)) closed_.insert(tv_.mixerCopy);
        mixer_.Close(tv_.mixerCopy);
    }
    loaded_ = linked_ = false;
}

void ModelRun::Load() {
    bool alternative = OneIn(3);
    std::string board = windir_ + "/vidcfg.ini";
    if (alternative) {
        tvtest::WriteFile(board, "/* model run */\n[SYSTEM]\nBoardType = QX_KESTREL\n");
    } else {
        std::filesystem::remove(board);
    }
    bool loaded = lib_.Load();
    Note(std::string("load, ") + (alternative ? "alternative board" : "standard board") + " -> " +
         (loaded ? "loaded" : "refused"));
    EXPECT_EQ(loaded, busAvailable_) << "a load stands exactly when the bus is there";
    loaded_ = linked_ = loaded;
    tv_ = TvModel{};
    if (alternative) {
        tv_.compositeMux = 0x40;
        tv_.tunerMux = 0x60;
    }
}

void ModelRun::Step(Action action) {
    std::ostringstream what;
    switch (action) {
    case SetParam: {
        uint32_t id = OneIn(6) ? Word() : 1 + Below(6);
        uint32_t value = Word();
        if (id == TV_PARAM_CHANNEL && OneIn(2)) value = (value & ~0xFFu) | Below(130);
        bool tunes = id == TV_PARAM_CHANNEL && tv_.sourcePlan <= 1 && (value & 0xFF) < model::PlanEntries(tv_.sourcePlan);
        if (tunes && tunes_ == 0) value |= 0xFF;  // out of every plan: refused at once
        if (tunes && tunes_ > 0) --tunes_;
        what << "SetTVParam(" << id << ", 0x" << std::hex << value << ")";
        Note(what.str());
        int32_t expected = ExpectSetParam(id, value);
        EXPECT_EQ(lib_.SetTVParam(id, value), expected) << what.str();
        break;
    }
    case GetParam: {
        uint32_t id = OneIn(4) ? Word() : 1 + Below(6);
        what << "GetTVParam(" << id << ")";
        Note(what.str());
        EXPECT_EQ(lib_.GetTVParam(id), ExpectGetParam(id)) << what.str();
        break;
    }
    case Read: {
        uint32_t device = OneIn(3) ? Word() : (OneIn(2) ? 0x88 : 0xC2) | (OneIn(5) ? Word() << 16 : 0);
        uint32_t reg = OneIn(3) ? Word() : Below(16);
        what << "I2C_Read(0x" << std::hex << device << ", 0x" << reg << ")";
        Note(what.str());
        uint32_t expected = BusRead(device, reg);
        EXPECT_EQ(lib_.I2C_Read(device, reg), expected) << what.str();
        break;
    }
    case Write: {
        uint32_t device = OneIn(4) ? Word() : 0x88 | (OneIn(5) ? Word() << 16 : 0);
        uint32_t reg = OneIn(3) ? Word() : Below(16), value = Word();
        what << "I2C_Write(0x" << std::hex << device << ", 0x" << reg << ", 0x" << value << ")";
        Note(what.str());
        uint32_t expected = BusWrite(device, reg, value);
        EXPECT_EQ(lib_.I2C_Write(device, reg, value), expected) << what.str();
        break;
    }
    case Block: {
        uint32_t device = OneIn(4) ? Word() : (OneIn(2) ? 0x88 : 0xC2);
        std::vector<uint8_t> bytes(Below(3) == 0 ? Below(300) : 4);
        for (uint8_t &b : bytes) b = static_cast<uint8_t>(rng_());
        if (device == 0xC2 && bytes.size() == 4 && OneIn(2)) {  // a block the plans could have made
            auto block = model::TunerBlock(Below(2), Below(126));
            std::copy(block.begin(), block.end(), bytes.begin());
        }
        bool null = OneIn(6);
        // A count beyond the block only where the device refuses it unread.
        uint32_t count = OneIn(8) ? 258 + Below(1000) + (OneIn(2) ? 0xFFFF0000u : 0) : static_cast<uint32_t>(bytes.size());
        what << "I2C_WriteBlk(0x" << std::hex << device << ", " << (null ? "NULL" : "block") << std::dec << ", "
             << count << ")";
        Note(what.str());
        const uint8_t *pointer = null ? nullptr : bytes.data();
        uint32_t expected = BusBlock(device, pointer, count);
        EXPECT_EQ(lib_.I2C_WriteBlk(device, pointer, count), expected) << what.str();
        break;
    }
    case InitAudio: {
        size_t slot = Below(kRecords);
        what << "InitTVAudio(record " << slot << ")";
        Note(what.str());
        uint32_t answer = lib_.InitTVAudio(&records_[slot]);
        EXPECT_EQ(answer, ExpectInitAudio(expected_[slot], records_[slot])) << what.str();
        break;
    }
    case SetVol:
    case SetMute: {
        size_t slot = Below(kRecords);
        uint32_t value = OneIn(3) ? Word() : Below(70000);
        bool mute = action == SetMute;
        what << (mute ? "SetTVMute" : "SetTVVol") << "(record " << slot << ", " << value << ")";
        Note(what.str());
        const TvMixerLine &r = expected_[slot];
        uint32_t channels = r.channelCount < 2 ? r.channelCount : 2;
        MMRESULT expected = mixer_.Set(r.mixerHandle, mute ? r.muteControlId : r.volumeControlId, channels, value);
        EXPECT_EQ(mute ? lib_.SetTVMute(&records_[slot], value) : lib_.SetTVVol(&records_[slot], value), expected)
            << what.str();
        break;
    }
    case GetVol: {
        size_t slot = Below(kRecords);
        what << "GetTVVol(record " << slot << ")";
        Note(what.str());
        TvMixerLine &r = expected_[slot];
        uint32_t values[2] = {0, 0};
        mixer_.Get(r.mixerHandle, r.volumeControlId, r.channelCount < 2 ? r.channelCount : 2, values);
        r.leftVolume = values[0];
        r.rightVolume = values[1];
        EXPECT_EQ(lib_.GetTVVol(&records_[slot]), values[0]) << what.str();
        break;
    }
    case GetMute: {
        size_t slot = Below(kRecords);
        what << "GetTVMute(record " << slot << ")";
        Note(what.str());
        const TvMixerLine &r = expected_[slot];
        uint32_t values[2] = {0, 0};
        mixer_.Get(r.mixerHandle, r.muteControlId, 1, values);
        EXPECT_EQ(lib_.GetTVMute(&records_[slot]), values[0]) << what.str();
        break;
    }
    case Spoil: {
        size_t slot = Below(kRecords);
        uint32_t TvMixerLine::*fields[] = {&TvMixerLine::mixerHandle,  &TvMixerLine::leftVolume,
                                           &TvMixerLine::rightVolume,  &TvMixerLine::volumeMin,
                                           &TvMixerLine::volumeMax,    &TvMixerLine::channelCount,
                                           &TvMixerLine::volumeControlId, &TvMixerLine::muteControlId};
        size_t field = Below(8);
        uint32_t value = Word();
        if (field == 0 && !closed_.empty() && OneIn(2)) value = *std::next(closed_.begin(), Below(closed_.size()));
        if (field == 0 && OneIn(3)) value = records_[Below(kRecords)].mixerHandle;
        if (field >= 6 && OneIn(2)) value = Below(17);
        if (field == 5 && OneIn(2)) value = Below(4);
        what << "record " << slot << " word " << field << " = 0x" << std::hex << value;
        Note(what.str());
        records_[slot].*fields[field] = value;
        expected_[slot].*fields[field] = value;
        break;
    }
    case AppClose: {
        size_t slot = Below(kRecords);
        HMIXER handle = expected_[slot].mixerHandle;
        what << "mixerClose(record " << slot << "'s handle 0x" << std::hex << handle << ")";
        Note(what.str());
        if (mixer_.IsOpen(handle)) closed_.insert(handle);
        MMRESULT expected = mixer_.Close(handle);
        EXPECT_EQ(mixerClose(records_[slot].mixerHandle), expected) << what.str();
        break;
    }
    case CardFault: {
        uint64_t sequence = card_->Sequence() + Below(5);
        uint32_t fault = OneIn(3) ? TVSIM_FAULT_READ : TVSIM_FAULT_NO_ACK;
        if (card_->ArmedAt(sequence)) break;
        what << "card fault " << fault << " at transaction " << sequence;
        Note(what.str());
        if (Card().FailTransaction(sequence, fault) == 1) card_->FailAt(sequence, fault);
        break;
    }
    case MixerFault: {
        if (mixer_.FailureArmed()) break;
        static constexpr uint32_t kMessages[] = {0, MXDM_OPEN, MXDM_CLOSE, MXDM_GETLINEINFO, MXDM_GETLINECONTROLS,
                                                 MXDM_GETCONTROLDETAILS, MXDM_SETCONTROLDETAILS};
        static constexpr uint32_t kResults[] = {MMSYSERR_ERROR, MMSYSERR_ALLOCATED, MMSYSERR_NOMEM,
                                                MMSYSERR_INVALPARAM, MIXERR_INVALLINE, 0x12345u};
        uint32_t message = kMessages[Below(7)], skip = Below(3), result = kResults[Below(6)];
        what << "mixer fault " << result << " on message " << message << " after " << skip;
        Note(what.str());
        ASSERT_EQ(Mixer().failMessage(message, skip, result), 1);
        mixer_.Fail(message, skip, result);
        break;
    }
    case BusAway:
    case BusBack:
    case Notify: {
        if (action != Notify) busAvailable_ = action == BusBack;
        Note(action == BusAway ? "bus away, thread notification" : action == BusBack ? "bus back, thread notification"
                                                                                     : "thread notification");
        Card().SetBusAvailable(busAvailable_ ? 1 : 0);
        uint32_t notified = OneIn(2) ? TvHostThreadAttach() : TvHostThreadDetach();
        EXPECT_EQ(notified, loaded_ ? 1u : 0u);
        if (loaded_) linked_ = busAvailable_;  // every notification checks the link again
        break;
    }
    case Reload:
        if (loaded_) {
            Note("unload");
            ExpectUnload();
            EXPECT_TRUE(lib_.Free());
            CheckTraffic();
        }
        Load();
        break;
    case kActions:
        break;
    }
}

void ModelRun::CheckTraffic() {
    // The card: every transaction, in order, as the model made it.
    std::vector<TvSimTransaction> sent = CardLog(cardSeen_);
    std::vector<model::Transaction> expected = card_->TakeSent();
    cardSeen_ = Card().LogTotal();
    EXPECT_EQ(cardSeen_, card_->Sequence()) << "transactions in all";
    ASSERT_EQ(sent.size(), expected.size()) << "transactions of this step";
    for (size_t i = 0; i < sent.size(); ++i) {
        const TvSimTransaction &t = sent[i];
        model::Transaction got{t.op, t.device, t.reg, t.value, t.count, t.result, t.fault, {}};
        got.bytes.assign(t.bytes, t.bytes + expected[i].bytes.size());
        EXPECT_EQ(got, expected[i]) << "transaction " << i;
    }
    // The mixer: every message, in order.
    std::vector<TvMixSimCall> calls = Mixer().AllCalls();
    std::vector<model::Message> messages = mixer_.TakeSent();
    Mixer().clearCalls();
    ASSERT_EQ(calls.size(), messages.size()) << "mixer messages of this step";
    for (size_t i = 0; i < calls.size(); ++i) {
        const TvMixSimCall &c = calls[i];
        model::Message got{c.message, c.result, c.injected, 0, 0, 0, {0, 0}};
        if (c.message == MXDM_GETCONTROLDETAILS || c.message == MXDM_SETCONTROLDETAILS) {
            got.controlId = c.controlId;
            got.cChannels = c.cChannels;
            got.valueCount = c.valueCount;
            for (uint32_t v = 0; v < c.valueCount && v < 2; ++v) got.values[v] = c.values[v];
        }
        EXPECT_EQ(got, messages[i]) << "message " << i;
    }
    for (size_t slot = 0; slot < kRecords; ++slot) EXPECT_EQ(records_[slot], expected_[slot]) << "record " << slot;
}

void ModelRun::CheckState() {
    uint8_t registers[256];
    Card().DecoderRegisters(registers);
    EXPECT_TRUE(std::equal(registers, registers + 256, card_->Registers().begin())) << "decoder registers";
    TvSimTuner tuner{};
    EXPECT_EQ(Card().TunerState(&tuner) != 0, card_->TunerProgrammed()) << "tuner programmed";
    if (card_->TunerProgrammed()) {
        EXPECT_TRUE(std::equal(tuner.block, tuner.block + 4, card_->TunerBlockHeld().begin())) << "tuner block";
    }
    if (loaded_) {
        for (uint32_t id = 1; id <= 6; ++id) EXPECT_EQ(lib_.GetTVParam(id), ExpectGetParam(id)) << "GetTVParam(" << id << ")";
    }
    EXPECT_EQ(TvHostLiveTranslations(), 0u);
    EXPECT_EQ(TvHostOpenHandleCount(), 0u);
    EXPECT_EQ(TvHostLiveRegions(), 0u);
    EXPECT_EQ(TvHostOpenMixerHandles(), mixer_.OpenCount());
    EXPECT_EQ(TvHostLoadedModuleCount(), loaded_ ? 1u : 0u);
}

std::string ModelRun::Recent() const {
    std::string text = "latest calls, oldest first:";
    for (const std::string &line : history_) text += "\n  " + line;
    return text;
}

void ModelRun::Run() {
    windir_ = getenv("TVHOST_WINDIR");
    // Stations on about half of the plans' carriers, and a tuner that
    // settles at once, so every lock is the model's to predict.
    std::set<uint32_t> stations;
    for (uint32_t plan = 0; plan < 2; ++plan)
        for (uint32_t channel = 0; channel < model::PlanEntries(plan); ++channel)
            if (uint32_t carrier = model::CarrierKHz(plan, channel); carrier != 0 && OneIn(2)) stations.insert(carrier);
    std::vector<double> mhz;
    for (uint32_t carrier : stations) mhz.push_back(carrier / 1000.0);
    ASSERT_EQ(Card().SetStations(mhz.data(), static_cast<uint32_t>(mhz.size())), 1);
    Card().SetSettleMs(0);
    std::array<uint8_t, 256> registers{};
    Card().DecoderRegisters(registers.data());
    card_ = std::make_unique<model::CardModel>(registers, stations);
    cardSeen_ = Card().LogTotal();
    ASSERT_EQ(cardSeen_, 0u);
    mixerGetNumDevs();  // the host loads the mixer driver once, before the run
    Mixer().clearCalls();

    Load();
    for (uint64_t step = 0; step < steps_ && !::testing::Test::HasFailure(); ++step) {
        {
            SCOPED_TRACE("step " + std::to_string(step));
            Step(Choose());
        }
        SCOPED_TRACE("step " + std::to_string(step) + "; " + Recent());
        CheckTraffic();
        if (step % 20 == 19 || step + 1 == steps_) CheckState();
    }
    SCOPED_TRACE("at the end; " + Recent());
    Mixer().clearFaults();
    mixer_.ClearFailure();
    if (loaded_) {
        ExpectUnload();
        EXPECT_TRUE(lib_.Free());
        if (!::testing::Test::HasFailure()) CheckTraffic();
    }
    Card().ClearFaults();
}

class ModelBased : public ::testing::Test {
protected:
    void SetUp() override { robust::UseSimulatedHardware(); }
    void TearDown() override {
        robust::UseSimulatedHardware();
        EXPECT_EQ(TvHostLoadedModuleCount(), 0u);
    }
};

TEST_F(ModelBased, RandomCallsAgreeWithTheModel) {
    uint64_t seed = robust::Setting("TVCORE_MODEL_SEED", 0);
    if (seed == 0) seed = (uint64_t{std::random_device{}()} << 32) | std::random_device{}();
    uint64_t steps = robust::Setting("TVCORE_MODEL_STEPS", 400);
    uint64_t tunes = robust::Setting("TVCORE_MODEL_TUNES", steps / 25);
    std::printf("model run: TVCORE_MODEL_SEED=%llu TVCORE_MODEL_STEPS=%llu TVCORE_MODEL_TUNES=%llu\n",
                static_cast<unsigned long long>(seed), static_cast<unsigned long long>(steps),
                static_cast<unsigned long long>(tunes));
    std::fflush(stdout);
    RecordProperty("seed", std::to_string(seed));
    SCOPED_TRACE("repeat with TVCORE_MODEL_SEED=" + std::to_string(seed) +
                 " TVCORE_MODEL_STEPS=" + std::to_string(steps) + " TVCORE_MODEL_TUNES=" + std::to_string(tunes));
    ModelRun run(seed, steps, tunes);
    run.Run();
}

}  // namespace
