#include "watch_api.h"

#include <fmt/format.h>

#include <algorithm>
#include <array>

namespace tvctl {

namespace {

struct ApiCommand {
    std::string_view name;
    bool readOnly;  // GET may run it
};

// The commands the API offers: those of the page's controls and what they
// read. Not offered: the shell and the tour (interactive), snapshot (the
// still image replaces it), config (reads files by name), i2c (raw register
// writes have no place on a page) and watch itself.
constexpr std::array kApiCommands = {
    ApiCommand{"source", false}, ApiCommand{"channel", false},  ApiCommand{"freq", false},
    ApiCommand{"fine", false},   ApiCommand{"tune", false},     ApiCommand{"stations", true},
    ApiCommand{"picture", false}, ApiCommand{"get", true},      ApiCommand{"reset", false},
    ApiCommand{"scan", false},   ApiCommand{"plans", true},     ApiCommand{"audio", false},
};

bool IsPathWord(std::string_view word) {
    return !word.empty() && std::all_of(word.begin(), word.end(), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-';
    });
}

ApiRequest Refuse(int status, std::string sentence) {
    ApiRequest request;
    request.status = status;
    request.error = std::move(sentence);
    return request;
}

// The body's "args": a list of words (numbers are taken as they are written).
std::optional<Words> BodyWords(std::string_view body) {
    if (body.find_first_not_of(" \t\r\n") == std::string_view::npos) return Words{};
    nlohmann::json json = nlohmann::json::parse(body, nullptr, false);
    if (!json.is_object()) return std::nullopt;
    auto args = json.find("args");
    if (args == json.end()) return json.empty() ? std::optional<Words>(Words{}) : std::nullopt;
    if (!args->is_array() || json.size() != 1) return std::nullopt;
    Words words;
    for (const nlohmann::json &arg : *args) {
        if (arg.is_string()) words.push_back(arg.get<std::string>());
        else if (arg.is_number()) words.push_back(arg.dump());
        else return std::nullopt;
    }
    return words;
}

}  // namespace

ApiRequest ApiCommandWords(std::string_view path, std::string_view body, std::string_view type, bool post) {
    ApiRequest request;
    for (size_t start = 0; start <= path.size();) {
        size_t slash = std::min(path.find('/', start), path.size());
        std::string_view word = path.substr(start, slash - start);
        if (!IsPathWord(word)) return Refuse(kHttpNotFound, fmt::format("no API at /api/{}", path));
        request.words.emplace_back(word);
        start = slash + 1;
    }
    auto command = std::find_if(kApiCommands.begin(), kApiCommands.end(),
                                [&](const ApiCommand &c) { return c.name == request.words.front(); });
    if (command == kApiCommands.end())
        return Refuse(kHttpNotFound, fmt::format("the API offers no command \"{}\"", request.words.front()));
    if (!post && !command->readOnly)
        return Refuse(kHttpMethodNotAllowed, fmt::format("{} changes the card: use POST", command->name));
    if (post && type.substr(0, type.find(';')) != "application/json")
        return Refuse(kHttpUnsupportedType, "the API takes JSON: send Content-Type: application/json");
    std::optional<Words> args = BodyWords(body);
    if (!args)
        return Refuse(kHttpBadRequest, "the request's body must be a JSON object {\"args\": [words]}");
    request.words.insert(request.words.end(), args->begin(), args->end());
    return request;
}

int StatusOf(const Reply &reply) {
    if (reply.ok) return kHttpOk;
    switch (reply.exitCode) {
        case kExitUsage: return kHttpBadRequest;
        case kExitNoLibrary: return kHttpUnavailable;
        default: return kHttpUnprocessable;
    }
}

nlohmann::ordered_json BodyOf(const Reply &reply) {
    nlohmann::ordered_json body = reply.data;
    if (!reply.notes.empty()) body["notes"] = reply.notes;
    if (!reply.ok) {
        body["error"] = reply.error;
        body["exitCode"] = reply.exitCode;
    }
    return body;
}

}  // namespace tvctl
