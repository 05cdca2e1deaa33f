// snapshot: one frame of the simulated card's picture, to a PNG or JPEG file.
#include <fmt/format.h>

#include <chrono>
#include <cmath>
#include <filesystem>
#include <optional>
#include <vector>

#include "bus_words.h"
#include "commands.h"
#include "image_file.h"
#include "plan_info.h"

namespace tvctl {

namespace {

const char *InputName(uint32_t input) {
    switch (input) {
        case TVSIM_INPUT_TUNER: return "tuner";
        case TVSIM_INPUT_COMPOSITE: return "composite";
        case TVSIM_INPUT_SVIDEO: return "svideo";
        default: return "none";
    }
}

// The frame showing now, counted at 30000/1001 frames a second since the
// Unix epoch, so successive snapshots move on as a live picture does.
uint64_t FrameNow() {
    auto since = std::chrono::system_clock::now().time_since_epoch();
    auto us = static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::microseconds>(since).count());
    return us * 3 / 100100;  // 30000 / (1001 * 1000000) frames a microsecond
}

class SnapshotCommand : public Command {
public:
    explicit SnapshotCommand(CLI::App &app) {
        app.add_option("file", file_, "the picture file to write (default snapshot.png, or snapshot.jpg with --format jpeg)");
        app.add_option("--format", format_, "png or jpeg (default: from the file's extension: .jpg and .jpeg are JPEG)")
            ->check(CLI::IsMember({"png", "jpeg"}));
        app.add_option("--quality", quality_, "JPEG quality, 1-100 (default 90)")->check(CLI::Range(1, 100));
        app.add_option("--frame", frame_, "the frame number (default: the frame showing now, at 30000/1001 a second)");
        app.footer("Takes one frame of the picture the simulated card delivers now (640x480): on the tuner a\n"
                   "station's test card when it is locked, snow when it is not; the composite and S-video jacks'\n"
                   "own pictures; the picture controls applied. Prints the file written; --json also tells what\n"
                   "was on. Other bus drivers deliver no picture through tvctl yet.");
    }
    std::string Name() const override { return "snapshot"; }
    bool Traced() const override { return false; }
    std::string Validate() const override {
        if (!format_.empty() && !file_.empty() && (format_ == "jpeg") != (ImageFormatOfName(file_) == ImageFormat::Jpeg))
            return fmt::format("the file {} names a {} file, but --format is {}", file_,
                               ImageFormatOfName(file_) == ImageFormat::Jpeg ? "JPEG" : "PNG", format_);
        return "";
    }

    void Run(Session &session, Reply &reply) override {
        if (session.Library(reply) == nullptr) return;
        const SimCardCalls *card = session.Card();
        if (card == nullptr)
            return reply.Fail(fmt::format("snapshot takes its frame from the simulated card; the library's bus driver "
                                          "drives {}, whose picture tvctl cannot capture yet",
                                          BusDevice(session.Words())));
        const ImageFormat format = !format_.empty() ? (format_ == "jpeg" ? ImageFormat::Jpeg : ImageFormat::Png)
                                   : file_.empty()  ? ImageFormat::Png
                                                    : ImageFormatOfName(file_);
        const std::string file = !file_.empty() ? file_ : format == ImageFormat::Jpeg ? "snapshot.jpg" : "snapshot.png";

        TvSimFrameInfo info{};
        const uint64_t frameNumber = frame_.value_or(FrameNow());
        std::vector<uint8_t> rgb(card->Frame(frameNumber, TVSIM_FORMAT_RGB24, nullptr, 0, &info));
        if (rgb.empty() || card->Frame(frameNumber, TVSIM_FORMAT_RGB24, rgb.data(), info.size, &info) != info.size)
            return reply.Fail("the simulated card delivered no frame");
        if (std::string why = WriteImage(file, format, rgb.data(), info.width, info.height, quality_); !why.empty())
            return reply.Fail(fmt::format("{} could not be written: {}", file, why));

        std::error_code error;
        const auto bytes = std::filesystem::file_size(file, error);
        reply.data["file"] = file;
        reply.data["bytes"] = error ? 0 : bytes;
        reply.data["format"] = format == ImageFormat::Jpeg ? "jpeg" : "png";
        reply.data["width"] = info.width;
        reply.data["height"] = info.height;
        reply.data["frame"] = info.frameNumber;
        reply.data["input"] = InputName(info.input);
        reply.data["locked"] = info.locked != 0;
        std::string on = InputName(info.input);
        if (info.input == TVSIM_INPUT_TUNER) {
            reply.data["carrierMHz"] = info.carrierMHz;
            on = fmt::format("tuner at {:.2f} MHz", info.carrierMHz);
            // tvctl's own record names the channel, when it is the one the tuner is on.
            std::optional<PlanInfo> plan = PlanByNumber(session.tuner.plan);
            const TunerMemory &tuned = session.tuner;
            if (plan && tuned.channel != 0 &&
                std::llround(static_cast<double>(tuned.carrierHz) / 62500.0) + tuned.fine ==
                    std::llround(info.carrierMHz * 16)) {
                reply.data["plan"] = plan->name;
                reply.data["channel"] = tuned.channel;
                on = fmt::format("{} channel {}, {}", plan->name, tuned.channel, on);
            }
            on += info.locked != 0 ? ", locked" : ", no station (snow)";
        }
        session.Out().Print("{} ({}x{}, {})", file, info.width, info.height, on);
    }

private:
    std::string file_;
    std::string format_;
    int quality_ = 90;
    std::optional<uint64_t> frame_;
};

}  // namespace

std::vector<CommandEntry> SnapshotCommands() {
    return {
        {"snapshot", "write one frame of the simulated card's picture to a PNG or JPEG file",
         [](CLI::App &app) { return std::make_unique<SnapshotCommand>(app); }},
    };
}

}  // namespace tvctl
