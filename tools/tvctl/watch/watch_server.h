// The watch page's web server: the page, the live picture (MJPEG), a still
// image, and the JSON API, on one session that it serializes (one command at
// a time: the HTTP library serves requests from a pool of threads).
//
//   GET  /                 the page (and /watch.js, /watch.css)
//   GET  /stream.mjpg      the picture, live: multipart/x-mixed-replace JPEGs
//   GET  /still.jpg        one picture of now
//   GET  /api/state        what the card holds now (re-read at each request)
//   GET|POST /api/CMD...   one of tvctl's commands (watch_api.h)
//
// With a token, every request must carry it (?token=T, or the header
// "Authorization: Bearer T"); others are answered 401. Without one (this
// machine only), a request must name 127.0.0.1 or localhost as its host,
// so another site's page cannot reach the server through a name of its own.
#pragma once

#include <httplib.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <nlohmann/json.hpp>
#include <string>

#include "frame_source.h"
#include "session.h"
#include "watch/frame_stream.h"

namespace tvctl {

struct WatchSettings {
    std::string address = "127.0.0.1";
    int port = 0;           // 0: any free port
    std::string token;      // "": no token asked for
    int quality = 80;       // JPEG quality of the stream
    int maxViewers = 16;    // streams served at once; more are answered 503
};

class WatchServer {
public:
    // `session` must be in JSON mode (nothing printed); `source` its frames.
    WatchServer(Session &session, FrameSource &source, WatchSettings settings);
    ~WatchServer();
    WatchServer(const WatchServer &) = delete;
    WatchServer &operator=(const WatchServer &) = delete;

    // Binds the address and port: "" when done, else why not.
    std::string Bind();
    int Port() const { return port_; }
    // Serves until Stop() (blocks).
    void Serve();
    // Ends every stream and the server; Serve() returns.
    void Stop();

private:
    void Route();
    bool Authorized(const httplib::Request &request) const;
    bool LocalHost(const httplib::Request &request) const;
    void ServeStream(httplib::Response &response);
    void ServeStill(httplib::Response &response);
    void ServeState(httplib::Response &response);
    void ServeCommand(const httplib::Request &request, httplib::Response &response, bool post);
    // Brings this process's view of the card and the tuner record up to
    // what other runs changed; under the session lock.
    void CatchUp();
    nlohmann::ordered_json ReadState();

    Session &session_;
    WatchSettings settings_;
    httplib::Server http_;
    std::timed_mutex sessionLock_;  // one use of the session at a time
    std::mutex stateLock_;          // what follows
    nlohmann::ordered_json lastState_ = nlohmann::ordered_json::object();
    std::string running_;           // the command running now ("" for none)
    uint32_t scanPlan_ = 0;         // the plan of the tuner when that command began
    std::atomic<int> viewers_{0};
    int port_ = 0;
    std::unique_ptr<FrameStream> stream_;
};

}  // namespace tvctl
