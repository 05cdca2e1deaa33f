// i2c read|write|block|dump|adapters: the card's I2C devices, register by
// register, through the library's bus calls.
#include <fmt/format.h>

#include <unistd.h>

#include <cstdio>
#include <iostream>

#include "commands.h"
#include "driver_i2cdev.h"
#include "numbers.h"
#include "tvcore/card/decoder.h"
#include "tvcore/card/tuner.h"

namespace tvctl {

using namespace tvcore::card;

namespace {

// An I2C number read at the parse: a word that is no number is refused
// there; a number out of range is refused when the command runs.
Parsed<uint32_t> I2cNumber(const std::string &text, Parsed<uint32_t> parsed, const std::string &notNumber) {
    if (!parsed.value && !ParseNumber(text)) throw RefusedWord(notNumber.empty() ? parsed.error : notNumber);
    return parsed;
}

Parsed<uint32_t> ReadAddress(const std::string &text) { return I2cNumber(text, ParseDeviceAddress(text), ""); }

Parsed<uint32_t> ReadByte(const std::string &text, const std::string &what) {
    return I2cNumber(text, ParseByte(text, what), fmt::format("{} \"{}\" is not a number", what, text));
}

class I2cCommand : public Command {
public:
    explicit I2cCommand(CLI::App &app) {
        app.require_subcommand(1, 1);
        // The sub-apps live only as long as the parse; the choice is kept here.
        auto chosen = [this](CLI::App *sub, const char *yes) {
            sub->callback([this, sub] { sub_ = sub->get_name(); });
            if (std::string(sub->get_name()) != "adapters")
                Bind(*sub, "address", address_, ReadAddress, "device address")->required();
            if (yes != nullptr) sub->add_flag("-y,--yes", yes_, yes);
            return sub;
        };
        auto reg = [this](CLI::App *sub) {
            Bind(*sub, "register", reg_, [](const std::string &t) { return ReadByte(t, "register"); },
                 "register number 0x00-0xFF")->required();
            return sub;
        };
        reg(chosen(app.add_subcommand("read", "read one register: i2c read ADDR REG"), nullptr))
            ->add_flag("-b,--bare", bare_, "print only the value, as i2cget does (0xa9)");
        Bind(*reg(chosen(app.add_subcommand("write", "write one register: i2c write ADDR REG VALUE"),
                         "on a real bus, write without asking")),
             "value", value_, [](const std::string &t) { return ReadByte(t, "value"); }, "value 0x00-0xFF")
            ->required();
        BindEach(*chosen(app.add_subcommand("block", "send bytes with no register in front: i2c block ADDR BYTE..."),
                         "on a real bus, send without asking"),
                 "bytes", bytes_,
                 [](const std::string &t, size_t i) { return ReadByte(t, fmt::format("byte {}", i + 1)); },
                 "the bytes, 0x00-0xFF each")
            ->required();
        chosen(app.add_subcommand("dump", "read registers 0x00-0xFF: i2c dump ADDR"),
               "on a real bus, dump the tuner without asking");
        chosen(app.add_subcommand("adapters", "list the I2C adapters the i2c-dev bus driver sees"), nullptr);
    }

    bool Traced() const override { return sub_ != "adapters"; }

    void Run(Session &session, Reply &reply) override {
        if (sub_ == "adapters") return Adapters(session, reply);
        if (!address_.value) return reply.Fail(address_.error);
        if (!address_.note.empty()) Note(session, reply, address_.note);
        device_ = *address_.value;
        reply.data["address"] = device_;
        if (std::string refusal = Unconfirmed(session); !refusal.empty()) return reply.Fail(refusal);
        // The register, the value or the block's bytes, as the command takes them.
        std::vector<uint8_t> bytes;
        for (const Parsed<uint32_t> &word : sub_ == "read"    ? std::vector{reg_}
                                            : sub_ == "write" ? std::vector{reg_, value_}
                                                              : bytes_) {
            if (!word.value) return reply.Fail(word.error);
            bytes.push_back(static_cast<uint8_t>(*word.value));
        }
        const TvCalls *tv = session.Library(reply);
        if (tv == nullptr) return;
        if (sub_ == "read") return Read(session, *tv, bytes[0], reply);
        if (sub_ == "write") return Write(session, *tv, bytes[0], bytes[1], reply);
        if (sub_ == "block") return Block(session, *tv, bytes, reply);
        return Dump(session, *tv, reply);
    }

private:
    // A write, a block or a tuner dump on a real bus goes out only when the
    // user said yes: with -y, or at the question on a terminal. Answers why
    // it does not go out, or "".
    std::string Unconfirmed(const Session &session) const {
        const bool realBus = session.Options().host.bus != BusChoice::Simulated;
        if (!realBus || yes_ || sub_ == "read" || (sub_ == "dump" && device_ != kTunerAddress)) return "";
        const std::string what = sub_ == "write"   ? fmt::format("write register {} of {}", Hex(reg_.value.value_or(0)), Hex(device_))
                                 : sub_ == "block" ? fmt::format("send {} bytes to {}", bytes_.size(), Hex(device_))
                                                   : fmt::format("dump the tuner at {} (256 register-select writes)", Hex(device_));
        if (isatty(STDIN_FILENO) != 1 || session.Out().Json())
            return fmt::format("i2c {} would {} on a real bus: give -y to do it (there is no terminal to ask on){}",
                               sub_, what, HelpPointer(session, "i2c"));
        std::fflush(stdout);
        std::fprintf(stderr, "This will %s on a real bus.\nA wrong write can upset the card. Continue? [y/N] ",
                     what.c_str());
        std::fflush(stderr);
        std::string answer;
        if (!std::getline(std::cin, answer) || (answer != "y" && answer != "Y" && answer != "yes"))
            return "i2c " + sub_ + ": not done (not confirmed)";
        return "";
    }

    // On the simulated card only the decoder and the tuner answer.
    void NoteSilentAddress(Session &session, Reply &reply) const {
        if (session.Card() != nullptr && device_ != kDecoderAddress && device_ != kTunerAddress)
            Note(session, reply,
                 fmt::format("no device answers at {} on the simulated card (decoder 0x88, tuner 0xC2)", Hex(device_)));
    }

    void Read(Session &session, const TvCalls &tv, uint32_t reg, Reply &reply) const {
        uint32_t result = tv.I2C_Read(device_, reg);
        reply.data["register"] = reg;
        if (ReadFailed(result))
            return reply.Fail(fmt::format("reading register {} of {} failed: {}", Hex(reg), Hex(device_),
                                          DescribeReadFailure(session.Words(), result)));
        NoteSilentAddress(session, reply);
        reply.data["value"] = result;
    }

    void Write(Session &session, const TvCalls &tv, uint32_t reg, uint32_t value, Reply &reply) const {
        uint32_t result = tv.I2C_Write(device_, reg, value);
        reply.data["register"] = reg;
        reply.data["value"] = value;
        reply.data["result"] = result;
        if (result != 0)
            return reply.Fail(fmt::format("writing {} to register {} of {} failed: {}", Hex(value), Hex(reg),
                                          Hex(device_), DescribeWriteResult(session.Words(), TVBUS_CALL_WRITE, result)));
    }

    void Block(Session &session, const TvCalls &tv, const std::vector<uint8_t> &bytes, Reply &reply) const {
        uint32_t result = tv.I2C_WriteBlk(device_, bytes.data(), static_cast<uint32_t>(bytes.size()));
        reply.data["bytes"] = bytes;
        reply.data["result"] = result;
        if (result != 0)
            return reply.Fail(fmt::format("sending {} byte{} to {} failed: {}", bytes.size(),
                                          bytes.size() == 1 ? "" : "s", Hex(device_),
                                          DescribeWriteResult(session.Words(), TVBUS_CALL_WRITE_BLK, result)));
    }

    void Dump(Session &session, const TvCalls &tv, Reply &reply) const {
        nlohmann::ordered_json registers = nlohmann::ordered_json::array();
        uint32_t failures = 0;
        uint32_t firstFailure = 0;
        for (uint32_t reg = 0; reg < 256; ++reg) {
            uint32_t result = tv.I2C_Read(device_, reg);
            if (ReadFailed(result) && failures++ == 0) firstFailure = result;
            registers.push_back(ReadFailed(result) ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(result));
        }
        reply.data["registers"] = registers;
        if (failures == 256)
            return reply.Fail(fmt::format("no register of {} could be read: {}", Hex(device_),
                                          DescribeReadFailure(session.Words(), firstFailure)));
        if (failures > 0)
            Note(session, reply, fmt::format("{} registers could not be read (XX): {}", failures,
                                             DescribeReadFailure(session.Words(), firstFailure)));
        NoteSilentAddress(session, reply);
    }

    void Adapters(Session &session, Reply &reply) {
        std::vector<I2cAdapter> found;
        std::string error;
        if (!ListI2cAdapters(session.Host().moduleDir, found, where_, error)) return reply.Fail(error);
        nlohmann::ordered_json adapters = nlohmann::ordered_json::array();
        for (const I2cAdapter &adapter : found) adapters.push_back({{"device", adapter.path}, {"name", adapter.name}});
        reply.data["adapters"] = adapters;
    }

public:
    std::string Text(const Record &record) const override {
        if (sub_ == "adapters") return AdaptersText(record);
        if (sub_ == "dump") return DumpText(record);
        if (sub_ == "block" && record.value("result", 1u) == 0)
            return fmt::format("{} <- {} byte{}: done", Hex(device_), record["bytes"].size(), record["bytes"].size() == 1 ? "" : "s");
        if (!record.contains("value") || (record.contains("result") && record["result"] != 0)) return "";
        const uint32_t reg = record.value("register", 0u), value = record["value"];
        if (sub_ == "read" && bare_) return fmt::format("0x{:02x}", value);
        if (sub_ == "read") {
            const char *name = RegisterName(device_, reg);
            return fmt::format("{} reg {}{}{}: {} ({})", Hex(device_), Hex(reg), *name ? " " : "", name, Hex(value), value);
        }
        return fmt::format("{} reg {} <- {}: done", Hex(device_), Hex(reg), Hex(value));
    }

private:
    std::string AdaptersText(const Record &record) const {
        std::string text;
        for (const Record &adapter : Field(record, "adapters")) {
            const std::string name = adapter["name"];
            text += fmt::format("{:<14} {}\n", adapter["device"].get<std::string>(), name.empty() ? "(name unreadable)" : name);
        }
        if (!record.contains("adapters")) return "";
        return text.empty() ? fmt::format("no I2C adapters in {}", where_)
                            : text + "choose the card's adapter with --bus i2cdev --i2c-device PATH or --i2c-adapter NAME";
    }

    static std::string DumpText(const Record &record) {
        if (!record.contains("registers")) return "";
        std::string table = "     0  1  2  3  4  5  6  7  8  9  a  b  c  d  e  f\n";
        const Record &registers = record["registers"];
        for (size_t reg = 0; reg < registers.size(); ++reg)
            table += fmt::format("{}{}{}", reg % 16 == 0 ? fmt::format("{:02x}:", reg) : "",
                                 registers[reg].is_null() ? " XX" : fmt::format(" {:02x}", registers[reg].get<uint32_t>()),
                                 reg % 16 == 15 ? "\n" : "");
        return table;
    }

    std::string sub_;  // the i2c command chosen
    Parsed<uint32_t> address_, reg_, value_;
    std::vector<Parsed<uint32_t>> bytes_;
    std::string where_;  // where the adapters were looked for
    uint32_t device_ = 0;
    bool bare_ = false;
    bool yes_ = false;
};

}  // namespace

std::vector<CommandEntry> I2cCommands() {
    return {Entry<I2cCommand>("i2c")};
}

}  // namespace tvctl
