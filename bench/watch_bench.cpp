// tvctl watch's speed on the simulated card at 640x480, measured from outside
// as a browser sees it: it starts `tvctl watch`, reads the MJPEG stream with
// one viewer and with four, and prints
//   - frames a second each viewer receives (the picture runs at 29.97),
//     and the CPU the tvctl process uses meanwhile (from /proc/PID/stat),
//     as a share of one core;
//   - from a channel change asked through the API to the first frame of the
//     new station (locked) on the stream, and what that is beyond the tune's
//     150 ms pause;
//   - a still image from the running server, and a snapshot by a new tvctl
//     run beside a run that only loads the library (`tvctl get`), so the
//     difference is what the snapshot costs beyond the load.
// Figures only: nothing is judged here (see README.md).
//
//   watch_bench [--seconds=N] [--changes=N] [--runs=N]
#include <fcntl.h>
#include <httplib.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <fstream>
#include <mutex>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

double Ms(Clock::duration duration) { return std::chrono::duration<double, std::milli>(duration).count(); }

double Median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// A scratch card, tuner record, station list and mixer for the runs.
void PrepareEnvironment() {
    char dir[] = "/tmp/watch-bench-XXXXXX";
    if (mkdtemp(dir) == nullptr) return;
    const std::string base = dir;
    setenv("TVSIM_STATE", (base + "/card.state").c_str(), 1);
    setenv("TVMIXSIM_STATE", (base + "/mixer.state").c_str(), 1);
    setenv("XDG_STATE_HOME", (base + "/state").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (base + "/config").c_str(), 1);
    setenv("TVHOST_MIXERS", "tvmixsim", 1);
}

pid_t Start(const std::vector<std::string> &args, int *outFd) {
    int out[2];
    if (outFd != nullptr && pipe(out) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        if (outFd != nullptr) {
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
        } else {
            int null = open("/dev/null", O_WRONLY);
            dup2(null, STDOUT_FILENO);
            dup2(null, STDERR_FILENO);
        }
        std::vector<std::string> copy = args;
        std::vector<char *> argv;
        argv.reserve(copy.size() + 1);
        for (std::string &arg : copy) argv.push_back(arg.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    if (outFd != nullptr) {
        close(out[1]);
        *outFd = out[0];
    }
    return pid;
}

int Wait(pid_t pid) {
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Wall time of one tvctl run, in ms; negative when it failed.
double TimeRun(const std::vector<std::string> &args) {
    Clock::time_point start = Clock::now();
    int status = Wait(Start(args, nullptr));
    return status == 0 ? Ms(Clock::now() - start) : -1;
}

// CPU time (user + system) of a process so far, in seconds.
double CpuSeconds(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    size_t close = text.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; fields >> field && i <= 15; ++i)
        if (i == 14 || i == 15) ticks += std::stod(field);  // utime, stime
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// One part of the stream as it arrived.
struct Part {
    Clock::time_point at;
    double carrierMHz = 0;
    bool locked = false;
};

// Reads the stream until `stop`, calling `onPart` for each whole part.
template <typename OnPart>
void View(int port, const std::atomic<bool> &stop, OnPart onPart) {
    httplib::Client client("127.0.0.1", port);
    std::string buffer;
    client.Get("/stream.mjpg", [&](const char *data, size_t size) {
        buffer.append(data, size);
        for (;;) {
            size_t head = buffer.find("--tvctlframe\r\n");
            size_t end = head == std::string::npos ? head : buffer.find("\r\n\r\n", head);
            if (end == std::string::npos) break;
            const std::string headers = buffer.substr(head, end - head);
            std::smatch match;
            size_t length = 0;
            Part part;
            if (std::regex_search(headers, match, std::regex("Content-Length: (\\d+)"))) length = std::stoul(match[1]);
            if (std::regex_search(headers, match, std::regex("X-Carrier-MHz: ([0-9.]+)")))
                part.carrierMHz = std::stod(match[1]);
            part.locked = headers.find("X-Locked: 1") != std::string::npos;
            if (buffer.size() < end + 4 + length) break;
            part.at = Clock::now();
            buffer.erase(0, end + 4 + length);
            onPart(part);
        }
        return !stop.load();
    });
}

struct ViewersFigures {
    std::vector<double> fps;
    double cpuShare = 0;
};

ViewersFigures MeasureViewers(int port, pid_t watch, int viewers, double seconds) {
    std::atomic<bool> stop{false};
    std::vector<std::atomic<int>> counts(static_cast<size_t>(viewers));
    std::vector<std::thread> threads;
    threads.reserve(counts.size());
    for (int i = 0; i < viewers; ++i)
        threads.emplace_back([&, i] { View(port, stop, [&](const Part &) { ++counts[static_cast<size_t>(i)]; }); });
    std::this_thread::sleep_for(std::chrono::milliseconds(500));  // the streams are under way
    std::vector<int> before;
    before.reserve(counts.size());
    for (auto &count : counts) before.push_back(count.load());
    const double cpuBefore = CpuSeconds(watch);
    const Clock::time_point start = Clock::now();
    std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
    const double wall = std::chrono::duration<double>(Clock::now() - start).count();
    ViewersFigures figures;
    figures.cpuShare = (CpuSeconds(watch) - cpuBefore) / wall;
    for (size_t i = 0; i < counts.size(); ++i) figures.fps.push_back((counts[i].load() - before[i]) / wall);
    stop = true;
    for (std::thread &thread : threads) thread.join();
    return figures;
}

// From each channel change to the first locked frame of the new carrier.
std::vector<double> MeasureChannelChanges(int port, int changes) {
    std::atomic<bool> stop{false};
    std::mutex lock;
    std::vector<Part> parts;
    std::thread viewer([&] {
        View(port, stop, [&](const Part &part) {
            std::lock_guard<std::mutex> guard(lock);
            parts.push_back(part);
        });
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    httplib::Client control("127.0.0.1", port);
    std::vector<double> latencies;
    for (int i = 0; i < changes; ++i) {
        // Between two stations of the simulated card's default list.
        const char *channel = i % 2 == 0 ? "9" : "7";
        const Clock::time_point asked = Clock::now();
        httplib::Result result = control.Post("/api/channel", std::string("{\"args\":[\"") + channel + "\"]}",
                                              "application/json");
        if (!result || result->status != 200) continue;
        const double carrier = nlohmann::json::parse(result->body).value("carrierMHz", 0.0);
        for (int wait = 0; wait < 200; ++wait) {
            {
                std::lock_guard<std::mutex> guard(lock);
                auto seen = std::find_if(parts.begin(), parts.end(), [&](const Part &part) {
                    return part.at >= asked && part.locked && std::fabs(part.carrierMHz - carrier) < 0.01;
                });
                if (seen != parts.end()) {
                    latencies.push_back(Ms(seen->at - asked));
                    break;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    stop = true;
    viewer.join();
    return latencies;
}

std::vector<double> MeasureStills(int port, int runs) {
    httplib::Client client("127.0.0.1", port);
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        Clock::time_point start = Clock::now();
        httplib::Result result = client.Get("/still.jpg");
        if (result && result->status == 200) times.push_back(Ms(Clock::now() - start));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));  // no picture shared with the one before
    }
    return times;
}

double Option(int argc, char **argv, const std::string &name, double fallback) {
    for (int i = 1; i < argc; ++i)
        if (std::string(argv[i]).rfind("--" + name + "=", 0) == 0) return std::stod(argv[i] + name.size() + 3);
    return fallback;
}

int Measure(int argc, char **argv) {
    const double seconds = Option(argc, argv, "seconds", 5);
    const int changes = static_cast<int>(Option(argc, argv, "changes", 20));
    const int runs = static_cast<int>(Option(argc, argv, "runs", 10));
    const std::string tvctl = TVCTL_PROGRAM;
    PrepareEnvironment();
    if (TimeRun({tvctl, "channel", "7"}) < 0) {
        std::fprintf(stderr, "watch_bench: tvctl channel 7 failed\n");
        return 1;
    }

    int out = -1;
    pid_t watch = Start({tvctl, "watch", "--port", "0"}, &out);
    std::string line;
    char c;
    while (read(out, &c, 1) == 1 && c != '\n') line += c;
    std::smatch match;
    if (!std::regex_search(line, match, std::regex(R"(:(\d+)/)"))) {
        std::fprintf(stderr, "watch_bench: tvctl watch did not start: %s\n", line.c_str());
        kill(watch, SIGTERM);
        Wait(watch);
        return 1;
    }
    const int port = std::stoi(match[1]);

    std::printf("tvctl watch on the simulated card, 640x480, %.1f s a measurement\n", seconds);
    for (int viewers : {1, 4}) {
        ViewersFigures figures = MeasureViewers(port, watch, viewers, seconds);
        std::printf("  %d viewer%s: frames/s per viewer min %.2f max %.2f; tvctl CPU %.1f%% of one core\n", viewers,
                    viewers == 1 ? " " : "s", *std::min_element(figures.fps.begin(), figures.fps.end()),
                    *std::max_element(figures.fps.begin(), figures.fps.end()), figures.cpuShare * 100);
    }
    std::vector<double> latencies = MeasureChannelChanges(port, changes);
    const double worst = latencies.empty() ? 0 : *std::max_element(latencies.begin(), latencies.end());
    std::printf("  channel change to the new station's first frame (%zu of %d): median %.1f ms, worst %.1f ms "
                "(beyond the tune's 150 ms pause: worst %.1f ms)\n",
                latencies.size(), changes, Median(latencies), worst, std::max(0.0, worst - 150));
    std::printf("  still image from the running server: median %.1f ms\n", Median(MeasureStills(port, runs)));
    kill(watch, SIGTERM);
    const int stopped = Wait(watch);

    std::vector<double> loads, snapshots;
    const std::string file = std::string(getenv("XDG_STATE_HOME")) + "/../snapshot.png";
    for (int i = 0; i < runs; ++i) {
        loads.push_back(TimeRun({tvctl, "get"}));
        snapshots.push_back(TimeRun({tvctl, "snapshot", file}));
    }
    std::printf("  snapshot by a new run: median %.1f ms; a run that only loads the library (get): median %.1f ms; "
                "beyond the load: %.1f ms\n",
                Median(snapshots), Median(loads), Median(snapshots) - Median(loads));
    if (stopped != 0) {
        std::fprintf(stderr, "watch_bench: tvctl watch ended with status %d at SIGTERM\n", stopped);
        return 1;
    }
    const bool failedRun = std::any_of(loads.begin(), loads.end(), [](double t) { return t < 0; }) ||
                           std::any_of(snapshots.begin(), snapshots.end(), [](double t) { return t < 0; });
    return failedRun || latencies.empty() ? 1 : 0;
}

}  // namespace

int main(int argc, char **argv) {
    try {
        return Measure(argc, argv);
    } catch (const std::exception &error) {
        std::fprintf(stderr, "watch_bench: %s\n", error.what());
        return 1;
    }
}
