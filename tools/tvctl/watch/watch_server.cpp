#include "watch_server.h"

#include <fmt/format.h>

#include <chrono>
#include <cmath>

#include "commands.h"
#include "plan_info.h"
#include "tune_ops.h"
#include "watch/watch_api.h"
#include "watch/watch_page.h"

namespace tvctl {

namespace {

using namespace std::chrono_literals;

// How long a command waits for the one before it (a tune is 150 ms; a scan
// takes seconds and is answered "busy"), and how long the state waits.
constexpr auto kCommandWait = 3s;
constexpr auto kStateWait = 100ms;
// How often the capture takes what other processes changed on the card.
constexpr int kCatchUpFrames = 10;
constexpr size_t kMaxBody = size_t{16} * 1024;
constexpr const char *kBoundary = "tvctlframe";

void Answer(httplib::Response &response, int status, const nlohmann::ordered_json &body) {
    response.status = status;
    response.set_header("Cache-Control", "no-store");
    response.set_content(body.dump(), "application/json");
}

void Refuse(httplib::Response &response, int status, const std::string &sentence) {
    Answer(response, status, {{"error", sentence}});
}

// Compares in time that does not depend on where the texts differ.
bool SameToken(const std::string &given, const std::string &token) {
    if (given.size() != token.size()) return false;
    unsigned char difference = 0;
    for (size_t i = 0; i < token.size(); ++i) difference |= static_cast<unsigned char>(given[i] ^ token[i]);
    return difference == 0;
}

nlohmann::ordered_json PictureJson(const Picture &picture) {
    if (!picture.jpeg) return {{"error", picture.error}};
    nlohmann::ordered_json json = {{"input", picture.info.input},
                                   {"locked", picture.info.locked},
                                   {"width", picture.info.width},
                                   {"height", picture.info.height},
                                   {"frame", picture.info.number}};
    if (picture.info.input == "tuner") json["carrierMHz"] = picture.info.carrierMHz;
    return json;
}

// Where a scan of `plan` stands, from the carrier on the picture now.
nlohmann::ordered_json ScanProgressJson(uint32_t planNumber, const Picture &picture) {
    std::optional<PlanInfo> plan = PlanByNumber(planNumber);
    nlohmann::ordered_json json = {{"running", true}};
    if (!plan || !picture.jpeg || picture.info.input != "tuner") return json;
    json["plan"] = plan->name;
    json["count"] = plan->walk->size();
    const auto kHz = std::llround(picture.info.carrierMHz * 1000);
    for (size_t at = 0; at < plan->walk->size(); ++at)
        if (std::optional<ChannelInfo> info = Channel(*plan, (*plan->walk)[at].Name());
            info && std::llabs(static_cast<long long>(info->carrierKHz) - kHz) <= 32) {
            json["channel"] = ChannelJson(info->name);
            json["at"] = at;  // its place in the plan's walk, from 0
        }
    return json;
}

}  // namespace

WatchServer::WatchServer(Session &session, FrameSource &source, WatchSettings settings)
    : session_(session), settings_(std::move(settings)) {
    const SimCardCalls *card = session_.Card();
    auto refresh = card != nullptr ? card->Refresh : nullptr;
    stream_ = std::make_unique<FrameStream>(source, settings_.quality, [refresh, frames = 0]() mutable {
        if (refresh != nullptr && frames++ % kCatchUpFrames == 0) refresh();
    });
    Route();
}

WatchServer::~WatchServer() { Stop(); }

std::string WatchServer::Bind() {
    port_ = settings_.port == 0 ? http_.bind_to_any_port(settings_.address)
                                : (http_.bind_to_port(settings_.address, settings_.port) ? settings_.port : -1);
    if (port_ > 0) return "";
    return fmt::format("cannot listen on {} port {} (in use, or not an address of this machine)", settings_.address,
                       settings_.port);
}

void WatchServer::Serve() { http_.listen_after_bind(); }

void WatchServer::Stop() {
    stream_->Stop();
    http_.stop();
}

bool WatchServer::LocalHost(const httplib::Request &request) const {
    // A page of another site that a name of its own led to this port
    // (DNS rebinding) names that host, not this one.
    const std::string host = request.get_header_value("Host");
    const std::string port = ":" + std::to_string(port_);
    return host == "127.0.0.1" + port || host == "localhost" + port || host == "[::1]" + port;
}

bool WatchServer::Authorized(const httplib::Request &request) const {
    if (settings_.token.empty()) return true;
    if (request.has_param("token") && SameToken(request.get_param_value("token"), settings_.token)) return true;
    const std::string header = request.get_header_value("Authorization");
    return header.rfind("Bearer ", 0) == 0 && SameToken(header.substr(7), settings_.token);
}

void WatchServer::Route() {
    // Many viewers each hold a thread for their stream; the controls keep
    // threads of their own beside them.
    const size_t threads = static_cast<size_t>(settings_.maxViewers) + 8;
    http_.new_task_queue = [threads] { return new httplib::ThreadPool(threads); };
    http_.set_payload_max_length(kMaxBody);
    http_.set_keep_alive_timeout(2);
    http_.set_read_timeout(5, 0);
    http_.set_write_timeout(5, 0);  // a viewer that takes nothing for this long is let go
    http_.set_pre_routing_handler([this](const httplib::Request &request, httplib::Response &response) {
        if (settings_.token.empty() && !LocalHost(request)) {
            Refuse(response, kHttpForbidden, "this watch page answers at 127.0.0.1 or localhost only");
            return httplib::Server::HandlerResponse::Handled;
        }
        if (Authorized(request)) return httplib::Server::HandlerResponse::Unhandled;
        Refuse(response, kHttpUnauthorized, "this watch page asks for its token (see what tvctl watch printed)");
        return httplib::Server::HandlerResponse::Handled;
    });
    http_.set_error_handler([](const httplib::Request &, httplib::Response &response) {
        if (!response.body.empty()) return;
        const char *sentence = response.status == kHttpPayloadTooLarge ? "the request is too large"
                               : response.status == kHttpNotFound      ? "nothing here"
                                                                       : "the request cannot be understood";
        Refuse(response, response.status, sentence);
    });

    for (const PageFile &file : PageFiles())
        http_.Get(file.path, [&file](const httplib::Request &, httplib::Response &response) {
            response.set_content(std::string(file.content), file.type);
        });
    http_.Get("/stream.mjpg", [this](const httplib::Request &, httplib::Response &response) { ServeStream(response); });
    http_.Get("/still.jpg", [this](const httplib::Request &, httplib::Response &response) { ServeStill(response); });
    http_.Get("/api/state", [this](const httplib::Request &, httplib::Response &response) { ServeState(response); });
    http_.Get("/api/(.+)", [this](const httplib::Request &request, httplib::Response &response) {
        ServeCommand(request, response, false);
    });
    http_.Post("/api/(.+)", [this](const httplib::Request &request, httplib::Response &response) {
        ServeCommand(request, response, true);
    });
}

void WatchServer::ServeStream(httplib::Response &response) {
    if (viewers_.fetch_add(1) >= settings_.maxViewers) {
        viewers_.fetch_sub(1);
        return Refuse(response, kHttpUnavailable, fmt::format("{} viewers watch already", settings_.maxViewers));
    }
    response.set_header("Cache-Control", "no-store");
    auto viewer = std::make_shared<FrameStream::Viewer>(*stream_);
    response.set_chunked_content_provider(
        fmt::format("multipart/x-mixed-replace; boundary={}", kBoundary),
        [viewer, sequence = uint64_t{0}](size_t, httplib::DataSink &sink) mutable {
            Picture picture = viewer->Next(sequence);
            if (picture.sequence == 0) return false;  // the stream stopped
            sequence = picture.sequence;
            if (!picture.jpeg) return true;  // no frame this time: wait for the next
            // Each part says what is on it, for a script that follows the picture.
            const std::string head = fmt::format(
                "--{}\r\nContent-Type: image/jpeg\r\nContent-Length: {}\r\nX-Frame: {}\r\nX-Input: {}\r\n"
                "X-Carrier-MHz: {}\r\nX-Locked: {}\r\n\r\n",
                kBoundary, picture.jpeg->size(), picture.info.number, picture.info.input, picture.info.carrierMHz,
                picture.info.locked ? 1 : 0);
            return sink.write(head.data(), head.size()) &&
                   sink.write(reinterpret_cast<const char *>(picture.jpeg->data()), picture.jpeg->size()) &&
                   sink.write("\r\n", 2);
        },
        [this](bool) { viewers_.fetch_sub(1); });
}

void WatchServer::ServeStill(httplib::Response &response) {
    Picture picture = stream_->Still();
    if (!picture.jpeg) return Refuse(response, kHttpUnavailable, picture.error);
    response.set_header("Cache-Control", "no-store");
    response.set_content(std::string(picture.jpeg->begin(), picture.jpeg->end()), "image/jpeg");
}

void WatchServer::CatchUp() {
    if (const SimCardCalls *card = session_.Card(); card != nullptr && card->Refresh != nullptr) card->Refresh();
    session_.ReloadTuner();
}

nlohmann::ordered_json WatchServer::ReadState() {
    CatchUp();
    nlohmann::ordered_json state = nlohmann::ordered_json::object();
    // The mixer first: `get` then shows its volume and mute.
    Reply audio = RunOneCommand(session_, {"audio", "volume"});
    Reply card = RunOneCommand(session_, {"get"});
    state["card"] = BodyOf(card);
    state["audio"] = BodyOf(audio);
    Reply stations = RunOneCommand(session_, {"stations"});
    state["stations"] = stations.ok ? stations.data["stations"] : nlohmann::ordered_json::array();
    if (!stations.ok) state["stationsError"] = stations.error;
    return state;
}

void WatchServer::ServeState(httplib::Response &response) {
    nlohmann::ordered_json state;
    std::unique_lock<std::timed_mutex> session(sessionLock_, kStateWait);
    if (session.owns_lock()) {
        state = ReadState();
        session.unlock();
        std::lock_guard<std::mutex> guard(stateLock_);
        lastState_ = state;
    } else {
        // A long command holds the card: what was read last, and what it does.
        std::lock_guard<std::mutex> guard(stateLock_);
        state = lastState_;
        state["busy"] = running_;
    }
    Picture now = stream_->Still();
    state["picture"] = PictureJson(now);
    {
        std::lock_guard<std::mutex> guard(stateLock_);
        if (running_ == "scan") state["scan"] = ScanProgressJson(scanPlan_, now);
    }
    state["viewers"] = viewers_.load();
    Answer(response, kHttpOk, state);
}

void WatchServer::ServeCommand(const httplib::Request &request, httplib::Response &response, bool post) {
    ApiRequest api =
        ApiCommandWords(request.matches[1].str(), request.body, request.get_header_value("Content-Type"), post);
    if (api.status != kHttpOk) return Refuse(response, api.status, api.error);
    std::unique_lock<std::timed_mutex> session(sessionLock_, kCommandWait);
    if (!session.owns_lock()) {
        std::lock_guard<std::mutex> guard(stateLock_);
        return Refuse(response, kHttpConflict,
                      running_.empty() ? std::string("the card is busy with another request; try again")
                                       : fmt::format("the card is busy with a {}; try again when it is done", running_));
    }
    CatchUp();
    {
        std::lock_guard<std::mutex> guard(stateLock_);
        running_ = api.words.front();
        scanPlan_ = session_.tuner.plan;
    }
    Reply reply = RunOneCommand(session_, api.words);
    {
        std::lock_guard<std::mutex> guard(stateLock_);
        running_.clear();
    }
    Answer(response, StatusOf(reply), BodyOf(reply));
}

}  // namespace tvctl
