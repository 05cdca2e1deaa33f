#include "console.h"

#include <unistd.h>

#include <cstdio>

namespace tvctl {

void Console::Say(std::string_view text) const {
    if (json_) return;
    std::fwrite(text.data(), 1, text.size(), stdout);
    if (text.empty() || text.back() != '\n') std::fputc('\n', stdout);
    std::fflush(stdout);
}

void Console::TellText(std::string_view text) const {
    if (json_) return;
    std::fflush(stdout);  // what was said before comes first on a shared terminal
    std::fwrite(text.data(), 1, text.size(), stderr);
    if (text.empty() || text.back() != '\n') std::fputc('\n', stderr);
    std::fflush(stderr);
}

bool Console::ProgressIsBar() const { return isatty(STDERR_FILENO) == 1; }

void Console::Progress(std::string_view bar, std::string_view line) const {
    if (json_) return;
    if (ProgressIsBar())
        fmt::print(stderr, "\r\033[K{}", bar);
    else
        fmt::print(stderr, "{}\n", line);
    std::fflush(stderr);
}

void Console::EndProgress() const {
    if (json_ || !ProgressIsBar()) return;
    fmt::print(stderr, "\r\033[K");
    std::fflush(stderr);
}

void Console::Help(std::string_view command, std::string_view text) const {
    if (!json_) {
        std::fwrite(text.data(), 1, text.size(), stdout);
        std::fflush(stdout);
        return;
    }
    Reply reply;
    reply.data["help"] = text;
    Finish(command, reply);
}

void Console::Finish(std::string_view command, const Reply &reply) const {
    if (json_) {
        nlohmann::ordered_json out = nlohmann::ordered_json::object();
        out["command"] = command;
        out["ok"] = reply.ok;
        if (!reply.ok) {
            out["error"] = reply.error;
            out["exitCode"] = reply.exitCode;
            if (!reply.details.empty()) out["details"] = reply.details;
        }
        if (!reply.notes.empty()) out["notes"] = reply.notes;
        for (const auto &[key, value] : reply.data.items()) out[key] = value;
        // Bytes that are not UTF-8 (a file's text, a device name) are
        // replaced rather than failing the whole answer.
        std::string line = out.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
        std::fwrite(line.data(), 1, line.size(), stdout);
        std::fputc('\n', stdout);
        std::fflush(stdout);
        return;
    }
    if (!reply.ok) {
        std::fflush(stdout);
        fmt::print(stderr, "tvctl: {}\n", reply.error);
        for (const std::string &detail : reply.details) fmt::print(stderr, "  {}\n", detail);
        std::fflush(stderr);
    }
}

}  // namespace tvctl
