// watch: the card's live picture in a web browser, with the remote control
// beside it (watch/watch_server.h serves it).
#include <fmt/format.h>

#include <csignal>
#include <optional>
#include <random>
#include <thread>

#include "commands.h"
#include "frame_source.h"
#include "watch/watch_server.h"

namespace tvctl {

namespace {

constexpr int kDefaultPort = 8023;

// 128 random bits as hex: the token a request from the network must carry.
std::string NewToken() {
    std::random_device random;
    std::string token;
    for (int i = 0; i < 4; ++i) token += fmt::format("{:08x}", random());
    return token;
}

class WatchCommand : public Command {
public:
    explicit WatchCommand(CLI::App &app) {
        app.add_option("--port", port_, fmt::format("the TCP port (default {}; 0 takes any free port)", kDefaultPort))
            ->check(CLI::Range(0, 65535));
        app.add_option("--listen", listen_,
                                 "the address to listen on (default 127.0.0.1, this machine only); with it every "
                                 "request needs the token printed at start");
        app.add_option("--quality", quality_, "JPEG quality of the picture, 1-100 (default 80)")->check(CLI::Range(1, 100));
    }
    std::string Name() const override { return "watch"; }
    bool Traced() const override { return false; }

    void Run(Session &session, Reply &reply) override {
        // Everything runs until a signal: it is waited for here, and no
        // other thread takes it (the scan's Ctrl-C included).
        sigset_t stopSignals, previous;
        sigemptyset(&stopSignals);
        sigaddset(&stopSignals, SIGINT);
        sigaddset(&stopSignals, SIGTERM);
        pthread_sigmask(SIG_BLOCK, &stopSignals, &previous);
        Serve(session, reply, stopSignals);
        pthread_sigmask(SIG_SETMASK, &previous, nullptr);
    }

private:
    void Serve(Session &session, Reply &reply, const sigset_t &stopSignals) {
        // The page's commands answer in JSON and print nothing: a session of
        // their own, with tvctl's options.
        GlobalOptions options = session.Options();
        options.json = true;
        const Console quiet(true);
        Session watched(options, quiet);
        std::unique_ptr<FrameSource> source = OpenFrameSource(watched, reply);
        if (!source) return;

        WatchSettings settings;
        settings.address = listen_.value_or("127.0.0.1");
        settings.port = port_;
        settings.quality = quality_;
        if (listen_) settings.token = NewToken();
        WatchServer server(watched, *source, settings);
        if (std::string why = server.Bind(); !why.empty()) return reply.Fail(why);

        const std::string host = settings.address.find(':') != std::string::npos ? "[" + settings.address + "]"
                                                                                  : settings.address;
        std::string url = fmt::format("http://{}:{}/", host, server.Port());
        if (!settings.token.empty()) url += "?token=" + settings.token;
        reply.data["url"] = url;
        reply.data["address"] = settings.address;
        reply.data["port"] = server.Port();
        reply.data["source"] = source->Describe();
        session.Out().Print("watch: {} ({}; Ctrl-C stops)", url, source->Describe());

        std::thread serving([&server] { server.Serve(); });
        int signal = 0;
        sigwait(&stopSignals, &signal);
        server.Stop();
        serving.join();
        reply.data["stoppedBy"] = signal == SIGTERM ? "SIGTERM" : "SIGINT";
    }

    int port_ = kDefaultPort;
    std::optional<std::string> listen_;  // given: that address, and a token asked for
    int quality_ = 80;
};

}  // namespace

std::vector<CommandEntry> WatchCommands() {
    return {Entry<WatchCommand>("watch")};
}

}  // namespace tvctl
