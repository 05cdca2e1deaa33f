// snapshot: one frame of the card's picture, to a PNG or JPEG file.
#include <fmt/format.h>

#include <cmath>
#include <filesystem>
#include <optional>
#include <vector>

#include "commands.h"
#include "frame_source.h"
#include "image_file.h"
#include "plan_info.h"
#include "tune_ops.h"

namespace tvctl {

namespace {

class SnapshotCommand : public Command {
public:
    explicit SnapshotCommand(CLI::App &app) {
        Bind(app, "file", file_, FileName("file", false),
             "the picture file to write (default snapshot.png, or snapshot.jpg with --format jpeg)");
        BindChoice(app, "--format", format_, {"png", "jpeg"}, "png or jpeg (default: from the file's extension: .jpg and .jpeg are JPEG)");
        Bind(app, "--quality", quality_, InRange("--quality", 1, 100), "JPEG quality, 1-100 (default 90)");
        app.add_option("--frame", frame_, "the simulated card's frame number (default: the frame showing now, at 30000/1001 a second)");
        app.callback([this] {
            if (!format_.empty() && !file_.empty() && (format_ == "jpeg") != (ImageFormatOfName(file_) == ImageFormat::Jpeg))
                throw RefusedWord(fmt::format("the file {} names a {} file, but --format is {}", file_,
                                              ImageFormatOfName(file_) == ImageFormat::Jpeg ? "JPEG" : "PNG", format_));
        });
    }
    bool Traced() const override { return false; }

    void Run(Session &session, Reply &reply) override {
        std::unique_ptr<FrameSource> source = OpenFrameSource(session, reply);
        if (!source) return;
        const ImageFormat format = !format_.empty() ? (format_ == "jpeg" ? ImageFormat::Jpeg : ImageFormat::Png)
                                   : file_.empty()  ? ImageFormat::Png
                                                    : ImageFormatOfName(file_);
        const std::string file = !file_.empty() ? file_ : format == ImageFormat::Jpeg ? "snapshot.jpg" : "snapshot.png";

        Frame frame;
        if (std::string why = source->Grab(frame, frame_); !why.empty()) return reply.Fail(why);
        if (std::string why = WriteImage(file, format, frame.rgb.data(), frame.width, frame.height, static_cast<int>(quality_));
            !why.empty())
            return reply.Fail(fmt::format("{} could not be written: {}", file, why));

        std::error_code error;
        const auto bytes = std::filesystem::file_size(file, error);
        reply.data["file"] = file;
        reply.data["bytes"] = error ? 0 : bytes;
        reply.data["format"] = format == ImageFormat::Jpeg ? "jpeg" : "png";
        reply.data["width"] = frame.width;
        reply.data["height"] = frame.height;
        reply.data["frame"] = frame.number;
        reply.data["input"] = frame.input;
        reply.data["locked"] = frame.locked;
        if (frame.input == "tuner") {
            reply.data["carrierMHz"] = frame.carrierMHz;
            // tvctl's own record names the channel, when it is the one the tuner is on.
            std::optional<PlanInfo> plan = PlanByNumber(session.tuner.plan);
            const TunerMemory &tuned = session.tuner;
            if (plan && !tuned.channel.empty() &&
                std::llround(static_cast<double>(tuned.carrierHz) / 62500.0) + tuned.fine ==
                    std::llround(frame.carrierMHz * 16)) {
                reply.data["plan"] = plan->name;
                reply.data["channel"] = ChannelJson(tuned.channel);
            }
        }
    }
    std::string Text(const Record &record) const override {
        if (!record.contains("file")) return "";
        std::string on = record["input"];
        if (on == "tuner") {
            on = fmt::format("tuner at {:.2f} MHz", record["carrierMHz"].get<double>());
            if (record.contains("channel"))
                on = fmt::format("{} channel {}, {}", record["plan"].get<std::string>(), record["channel"].dump(), on);
            on += record["locked"].get<bool>() ? ", locked" : ", no station (snow)";
        }
        return fmt::format("{} ({}x{}, {})", record["file"].get<std::string>(), record["width"].dump(),
                           record["height"].dump(), on);
    }

private:
    std::string file_;
    std::string format_;
    uint32_t quality_ = 90;
    std::optional<uint64_t> frame_;
};

}  // namespace

std::vector<CommandEntry> SnapshotCommands() {
    return {Entry<SnapshotCommand>("snapshot")};
}

}  // namespace tvctl
