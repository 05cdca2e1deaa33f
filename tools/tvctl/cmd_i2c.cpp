// i2c read|write|block|dump|adapters: the card's I2C devices, register by
// register, through the library's bus calls.
#include <fmt/format.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>

#include "commands.h"
#include "driver_i2cdev.h"
#include "numbers.h"
#include "tvcore/card/decoder.h"
#include "tvcore/card/tuner.h"
#include "tvhost/diag.h"

namespace tvctl {

using namespace tvcore::card;

namespace {

class I2cCommand : public Command {
public:
    explicit I2cCommand(CLI::App &app) {
        app.require_subcommand(1, 1);
        app.footer("Device addresses are the 8-bit form the card uses (decoder 0x88, tuner 0xC2); a 7-bit\n"
                   "address below 0x80 (as i2cdetect shows it) is accepted and converted. Numbers are decimal\n"
                   "or 0x hex. The calls go through the library to whichever bus it is linked to.\n"
                   "On a real bus (--bus i2cdev or v4l2), write, block and a dump of the tuner (each of its 256\n"
                   "reads first sends it a register byte) ask before they go out, as i2c-tools do: -y answers\n"
                   "yes; without a terminal to ask on, they are refused unless -y is given.");
        // The sub-apps live only as long as the parse; the choice is kept here.
        auto chosen = [this](CLI::App *sub) { sub->callback([this, sub] { sub_ = sub->get_name(); }); return sub; };
        CLI::App *read = chosen(app.add_subcommand("read", "read one register: i2c read ADDR REG"));
        read->add_option("address", address_, "device address")->required();
        read->add_option("register", reg_, "register number 0x00-0xFF")->required();
        read->add_flag("-b,--bare", bare_, "print only the value, as i2cget does (0xa9)");
        CLI::App *write = chosen(app.add_subcommand("write", "write one register: i2c write ADDR REG VALUE"));
        write->add_option("address", address_, "device address")->required();
        write->add_option("register", reg_, "register number 0x00-0xFF")->required();
        write->add_option("value", value_, "value 0x00-0xFF")->required();
        write->add_flag("-y,--yes", yes_, "on a real bus, write without asking");
        CLI::App *block = chosen(app.add_subcommand("block", "send bytes with no register in front: i2c block ADDR BYTE..."));
        block->add_option("address", address_, "device address")->required();
        block->add_option("bytes", bytes_, "the bytes, 0x00-0xFF each")->required();
        block->add_flag("-y,--yes", yes_, "on a real bus, send without asking");
        CLI::App *dump = chosen(app.add_subcommand("dump", "read registers 0x00-0xFF: i2c dump ADDR"));
        dump->add_option("address", address_, "device address")->required();
        dump->add_flag("-y,--yes", yes_, "on a real bus, dump the tuner without asking");
        chosen(app.add_subcommand("adapters", "list the I2C adapters the i2c-dev bus driver sees"));
    }

    std::string Name() const override { return "i2c " + sub_; }
    std::string Validate() const override {
        if (sub_ == "adapters") return "";
        Parsed<uint32_t> address = ParseDeviceAddress(address_);
        if (!address.value && ParseNumber(address_)) return "";  // out of range: refused when run
        if (!address.value) return address.error;
        auto form = [](const std::string &text, const std::string &what) -> std::string {
            return ParseNumber(text) ? "" : fmt::format("{} \"{}\" is not a number", what, text);
        };
        if (sub_ == "read" || sub_ == "write")
            if (std::string error = form(reg_, "register"); !error.empty()) return error;
        if (sub_ == "write")
            if (std::string error = form(value_, "value"); !error.empty()) return error;
        for (size_t i = 0; i < bytes_.size(); ++i)
            if (std::string error = form(bytes_[i], fmt::format("byte {}", i + 1)); !error.empty()) return error;
        return "";
    }
    bool Traced() const override { return sub_ != "adapters"; }

    void Run(Session &session, Reply &reply) override {
        if (sub_ == "adapters") return Adapters(session, reply);
        Parsed<uint32_t> address = ParseDeviceAddress(address_);
        if (!address.value) return reply.Fail(address.error);
        if (!address.note.empty()) Note(session, reply, address.note);
        device_ = *address.value;
        reply.data["address"] = device_;
        if (sub_ == "read") return Read(session, reply);
        if (!Confirmed(session, reply)) return;
        if (sub_ == "write") return Write(session, reply);
        if (sub_ == "block") return Block(session, reply);
        return Dump(session, reply);
    }

private:
    bool Byte(const std::string &text, const char *what, uint32_t &out, Reply &reply) const {
        Parsed<uint32_t> parsed = ParseByte(text, what);
        if (!parsed.value) {
            reply.Fail(parsed.error);
            return false;
        }
        out = *parsed.value;
        return true;
    }

    // A write, a block or a tuner dump on a real bus goes out only when the
    // user said yes: with -y, or at the question on a terminal.
    bool Confirmed(Session &session, Reply &reply) const {
        const bool realBus = session.Options().host.bus != BusChoice::Simulated;
        if (!realBus || yes_ || (sub_ == "dump" && device_ != kTunerAddress)) return true;
        const std::string what = sub_ == "write"   ? fmt::format("write register {} of {}", Hex(ParseByte(reg_, "").value.value_or(0)), Hex(device_))
                                 : sub_ == "block" ? fmt::format("send {} bytes to {}", bytes_.size(), Hex(device_))
                                                   : fmt::format("dump the tuner at {} (256 register-select writes)", Hex(device_));
        if (isatty(STDIN_FILENO) != 1 || session.Out().Json()) {
            reply.Fail(fmt::format("i2c {} would {} on a real bus: give -y to do it (there is no terminal to ask "
                                   "on){}",
                                   sub_, what, HelpPointer(session, "i2c")));
            return false;
        }
        std::fflush(stdout);
        std::fprintf(stderr, "This will %s on a real bus.\nA wrong write can upset the card. Continue? [y/N] ",
                     what.c_str());
        std::fflush(stderr);
        std::string answer;
        if (!std::getline(std::cin, answer) || (answer != "y" && answer != "Y" && answer != "yes")) {
            reply.Fail("i2c " + sub_ + ": not done (not confirmed)");
            return false;
        }
        return true;
    }

    // On the simulated card only the decoder and the tuner answer.
    void NoteSilentAddress(Session &session, Reply &reply) const {
        if (session.Card() != nullptr && device_ != kDecoderAddress && device_ != kTunerAddress)
            Note(session, reply,
                 fmt::format("no device answers at {} on the simulated card (decoder 0x88, tuner 0xC2)", Hex(device_)));
    }

    void Read(Session &session, Reply &reply) {
        uint32_t reg = 0;
        if (!Byte(reg_, "register", reg, reply)) return;
        const TvCalls *tv = session.Library(reply);
        if (tv == nullptr) return;
        uint32_t result = tv->I2C_Read(device_, reg);
        reply.data["register"] = reg;
        if (ReadFailed(result))
            return reply.Fail(fmt::format("reading register {} of {} failed: {}", Hex(reg), Hex(device_),
                                          DescribeReadFailure(session.Words(), result)));
        NoteSilentAddress(session, reply);
        reply.data["value"] = result;
        const char *name = RegisterName(device_, reg);
        if (bare_) return session.Out().Print("0x{:02x}", result);
        session.Out().Print("{} reg {}{}{}: {} ({})", Hex(device_), Hex(reg), *name ? " " : "", name, Hex(result),
                            result);
    }

    void Write(Session &session, Reply &reply) {
        uint32_t reg = 0, value = 0;
        if (!Byte(reg_, "register", reg, reply) || !Byte(value_, "value", value, reply)) return;
        const TvCalls *tv = session.Library(reply);
        if (tv == nullptr) return;
        uint32_t result = tv->I2C_Write(device_, reg, value);
        reply.data["register"] = reg;
        reply.data["value"] = value;
        reply.data["result"] = result;
        if (result != 0)
            return reply.Fail(fmt::format("writing {} to register {} of {} failed: {}", Hex(value), Hex(reg),
                                          Hex(device_), DescribeWriteResult(session.Words(), TVBUS_CALL_WRITE, result)));
        session.Out().Print("{} reg {} <- {}: done", Hex(device_), Hex(reg), Hex(value));
    }

    void Block(Session &session, Reply &reply) {
        std::vector<uint8_t> bytes;
        for (size_t i = 0; i < bytes_.size(); ++i) {
            uint32_t byte = 0;
            if (!Byte(bytes_[i], fmt::format("byte {}", i + 1).c_str(), byte, reply)) return;
            bytes.push_back(static_cast<uint8_t>(byte));
        }
        const TvCalls *tv = session.Library(reply);
        if (tv == nullptr) return;
        uint32_t result = tv->I2C_WriteBlk(device_, bytes.data(), static_cast<uint32_t>(bytes.size()));
        reply.data["bytes"] = bytes;
        reply.data["result"] = result;
        if (result != 0)
            return reply.Fail(fmt::format("sending {} byte{} to {} failed: {}", bytes.size(),
                                          bytes.size() == 1 ? "" : "s", Hex(device_),
                                          DescribeWriteResult(session.Words(), TVBUS_CALL_WRITE_BLK, result)));
        session.Out().Print("{} <- {} byte{}: done", Hex(device_), bytes.size(), bytes.size() == 1 ? "" : "s");
    }

    void Dump(Session &session, Reply &reply) {
        const TvCalls *tv = session.Library(reply);
        if (tv == nullptr) return;
        nlohmann::ordered_json registers = nlohmann::ordered_json::array();
        std::string table = "     0  1  2  3  4  5  6  7  8  9  a  b  c  d  e  f\n";
        uint32_t failures = 0;
        uint32_t firstFailure = 0;
        for (uint32_t reg = 0; reg < 256; ++reg) {
            if (reg % 16 == 0) table += fmt::format("{:02x}:", reg);
            uint32_t result = tv->I2C_Read(device_, reg);
            if (ReadFailed(result)) {
                if (failures++ == 0) firstFailure = result;
                registers.push_back(nullptr);
                table += " XX";
            } else {
                registers.push_back(result);
                table += fmt::format(" {:02x}", result);
            }
            if (reg % 16 == 15) table += "\n";
        }
        reply.data["registers"] = registers;
        session.Out().Say(table);
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
        std::string where, error;
        if (!ListI2cAdapters(session.Host().moduleDir, found, where, error)) return reply.Fail(error);
        nlohmann::ordered_json adapters = nlohmann::ordered_json::array();
        for (const I2cAdapter &adapter : found) {
            adapters.push_back({{"device", adapter.path}, {"name", adapter.name}});
            session.Out().Print("{:<14} {}", adapter.path, adapter.name.empty() ? "(name unreadable)" : adapter.name);
        }
        reply.data["adapters"] = adapters;
        if (found.empty())
            session.Out().Print("no I2C adapters in {}", where);
        else
            session.Out().Print("choose the card's adapter with --bus i2cdev --i2c-device PATH or --i2c-adapter NAME");
    }

    std::string sub_;  // the i2c command chosen
    std::string address_, reg_, value_;
    std::vector<std::string> bytes_;
    uint32_t device_ = 0;
    bool bare_ = false;
    bool yes_ = false;
};

}  // namespace

std::vector<CommandEntry> I2cCommands() {
    return {{"i2c", "registers of the card's I2C devices: i2c read|write|block|dump|adapters",
             [](CLI::App &app) { return std::make_unique<I2cCommand>(app); }}};
}

}  // namespace tvctl
