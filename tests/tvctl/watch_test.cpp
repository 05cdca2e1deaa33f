// tvctl watch as a browser and a script reach it: the API's answers and
// statuses, the pictures, the token, and a clean stop.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <httplib.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <nlohmann/json.hpp>
#include <regex>
#include <string>

#include "support/test_env.h"
#include "tool_runner.h"

namespace {

// A running `tvctl watch` on a port of its choosing, with a card, tuner
// record and station list of its own.
class Watch {
public:
    explicit Watch(const std::vector<std::string> &options = {}) : dir_(tvtest::MakeTempDir("tvctl-watch")) {
        env_ = {{"TVSIM_STATE", dir_ + "/card.state"},
                {"TVMIXSIM_STATE", dir_ + "/mixer.state"},
                {"XDG_STATE_HOME", dir_ + "/state"},
                {"XDG_CONFIG_HOME", dir_ + "/config"}};
        int out[2];
        if (pipe(out) != 0) return;
        std::vector<std::string> args{TVCTL_PROGRAM, "watch", "--port", "0"};
        args.insert(args.end(), options.begin(), options.end());
        pid_ = fork();
        if (pid_ == 0) {
            setenv("TVHOST_MIXERS", "tvmixsim", 1);
            for (const auto &[name, value] : env_) setenv(name.c_str(), value.c_str(), 1);
            dup2(out[1], STDOUT_FILENO);
            close(out[0]);
            std::vector<char *> argv;
            argv.reserve(args.size() + 1);
            for (std::string &arg : args) argv.push_back(arg.data());
            argv.push_back(nullptr);
            alarm(120);
            execv(argv[0], argv.data());
            _exit(127);
        }
        close(out[1]);
        // The first line says where it listens.
        std::string line;
        char c;
        while (read(out[0], &c, 1) == 1 && c != '\n') line += c;
        out_ = out[0];
        std::smatch match;
        if (std::regex_search(line, match, std::regex(R"(http://127\.0\.0\.1:(\d+)/(\?token=(\w+))?)"))) {
            port_ = std::stoi(match[1]);
            token_ = match[3];
        }
    }
    ~Watch() {
        if (pid_ > 0 && Stop() < 0) kill(pid_, SIGKILL);
        if (out_ >= 0) close(out_);
    }

    // Sends SIGTERM; the exit status, -1 when it did not exit.
    int Stop() {
        if (pid_ <= 0) return -1;
        kill(pid_, SIGTERM);
        int status = 0;
        pid_t waited = waitpid(pid_, &status, 0);
        pid_ = -1;
        return waited > 0 && WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    int Port() const { return port_; }
    const std::string &Token() const { return token_; }
    httplib::Client Client() const { return httplib::Client("127.0.0.1", port_); }
    // Another run of tvctl on the same card.
    tvtest::ToolRun Tvctl(const std::vector<std::string> &args) const { return tvtest::RunTvctl(args, env_); }

private:
    std::string dir_;
    std::vector<std::pair<std::string, std::string>> env_;
    pid_t pid_ = -1;
    int out_ = -1;
    int port_ = 0;
    std::string token_;
};

nlohmann::json Json(const httplib::Result &result) {
    return result ? nlohmann::json::parse(result->body, nullptr, false) : nlohmann::json();
}

TEST(Watch, AnswersCommandsWithTheirRecordOrTheirSentenceAndAStatus) {
    Watch watch;
    ASSERT_GT(watch.Port(), 0);
    httplib::Client client = watch.Client();
    struct Case {
        const char *method, *path, *body;
        int status;
        const char *field;  // a field of the answer, or "error"
        const char *value;  // what it holds ("" for anything)
    };
    const std::string big(20000, ' ');
    const Case cases[] = {
        {"POST", "/api/channel", R"({"args":["7"]})", 200, "channel", "7"},
        {"POST", "/api/channel", R"({"args":["up"]})", 200, "channel", "8"},
        {"POST", "/api/picture", R"({"args":["brightness=200"]})", 200, "", ""},
        {"GET", "/api/get", "", 200, "brightness", "200"},
        {"POST", "/api/channel", R"({"args":["7","8"]})", 400, "error", "channel does not take 8"},
        {"POST", "/api/channel", R"({"args":["seven"]})", 422, "error", "channel seven is not in the cable plan (1-125)"},
        {"POST", "/api/channel", R"({"args":["126"]})", 422, "error", "channel 126 is not in the cable plan (1-125)"},
        {"POST", "/api/picture", R"({"args":["brightness=300"]})", 422, "error", ""},
        {"POST", "/api/channel", "not json", 400, "error", ""},
        {"POST", "/api/channel", R"({"args":"7"})", 400, "error", ""},
        {"POST", "/api/channel", R"({"args":[["7"]]})", 400, "error", ""},
        {"GET", "/api/channel", "", 405, "error", ""},
        {"POST", "/api/frob", "", 404, "error", "the API offers no command \"frob\""},
        {"POST", "/api/shell", "", 404, "error", ""},
        {"POST", "/api/i2c/write", "", 404, "error", ""},
        {"POST", "/api/..%2F", "", 404, "error", ""},
        {"POST", "/api/channel", big.c_str(), 413, "error", ""},
        {"POST", "/api/channel", "text/plain", 415, "error", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.method) + " " + c.path + " " + std::string(c.body).substr(0, 40));
        // What another site's page can send without asking: plain text.
        const bool plain = std::string(c.body) == "text/plain";
        httplib::Result result = std::string(c.method) == "GET"
                                     ? client.Get(c.path)
                                     : client.Post(c.path, plain ? R"({"args":["up"]})" : c.body,
                                                   plain ? "text/plain" : "application/json");
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, c.status);
        nlohmann::json answer = Json(result);
        ASSERT_TRUE(answer.is_object()) << result->body;
        if (*c.field == '\0') continue;
        ASSERT_TRUE(answer.contains(c.field)) << result->body;
        if (*c.value != '\0') {
            const nlohmann::json &value = answer[c.field];
            EXPECT_EQ(value.is_string() ? value.get<std::string>() : value.dump(), c.value);
        }
    }
    // A host name other than this machine's (DNS rebinding) is refused.
    httplib::Result rebound = client.Get("/api/state", {{"Host", "tv.example.com:" + std::to_string(watch.Port())}});
    ASSERT_TRUE(rebound);
    EXPECT_EQ(rebound->status, 403);
    // The same sentence tvctl itself says (before its pointer to the help).
    tvtest::ToolRun run = watch.Tvctl({"channel", "126"});
    EXPECT_NE(run.err.find("channel 126 is not in the cable plan (1-125)"), std::string::npos) << run.err;
}

TEST(Watch, ShowsThePictureAndWhatAnotherRunChanges) {
    Watch watch;
    ASSERT_GT(watch.Port(), 0);
    httplib::Client client = watch.Client();
    ASSERT_EQ(watch.Tvctl({"channel", "7"}).status, 0);
    nlohmann::json state = Json(client.Get("/api/state"));
    EXPECT_EQ(state["card"]["tuner"]["channel"], 7) << state.dump();
    EXPECT_EQ(state["picture"]["carrierMHz"], 175.25);
    EXPECT_EQ(state["picture"]["locked"], true);

    ASSERT_EQ(watch.Tvctl({"channel", "up"}).status, 0);
    state = Json(client.Get("/api/state"));
    EXPECT_EQ(state["card"]["tuner"]["channel"], 8) << state.dump();
    EXPECT_EQ(state["picture"]["carrierMHz"], 181.25);
    ASSERT_EQ(watch.Tvctl({"--mixer", "sim", "audio", "volume", "12345"}).status, 0);
    state = Json(client.Get("/api/state"));
    EXPECT_EQ(state["audio"]["left"], 12345) << state.dump();

    httplib::Result still = client.Get("/still.jpg");
    ASSERT_TRUE(still);
    EXPECT_EQ(still->status, 200);
    EXPECT_EQ(still->get_header_value("Content-Type"), "image/jpeg");
    ASSERT_GT(still->body.size(), 1000U);
    EXPECT_EQ(still->body.substr(0, 2), "\xFF\xD8");

    // The stream: JPEG after JPEG, each in its part.
    std::string stream;
    httplib::Result streamed = client.Get("/stream.mjpg", [&](const char *data, size_t size) {
        stream.append(data, size);
        return stream.find("\xFF\xD9\r\n--tvctlframe", stream.find("\xFF\xD9\r\n--tvctlframe") + 1) == std::string::npos;
    });
    EXPECT_NE(stream.find("Content-Type: image/jpeg"), std::string::npos);
    EXPECT_EQ(watch.Stop(), 0);
}

TEST(Watch, WithListenAsksEveryRequestForTheToken) {
    Watch watch({"--listen", "127.0.0.1"});
    ASSERT_GT(watch.Port(), 0);
    ASSERT_EQ(watch.Token().size(), 32U);
    httplib::Client client = watch.Client();
    const std::string token = watch.Token();
    std::string wrong = token;
    wrong[0] = wrong[0] == 'a' ? 'b' : 'a';
    struct Case {
        std::string path;
        httplib::Headers headers;
        int status;
    };
    const Case cases[] = {
        {"/api/state", {}, 401},
        {"/", {}, 401},
        {"/still.jpg", {}, 401},
        {"/api/state?token=" + wrong, {}, 401},
        {"/api/state", {{"Authorization", "Bearer " + wrong}}, 401},
        {"/api/state?token=" + token, {}, 200},
        {"/still.jpg", {{"Authorization", "Bearer " + token}}, 200},
        {"/?token=" + token, {}, 200},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.path);
        httplib::Result result = client.Get(c.path, c.headers);
        ASSERT_TRUE(result);
        EXPECT_EQ(result->status, c.status);
    }
    EXPECT_EQ(watch.Stop(), 0);
    // The port is free again.
    EXPECT_FALSE(client.Get("/api/state?token=" + token));
}

}  // namespace
