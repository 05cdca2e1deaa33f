// The watch page's JSON API: how a request names one of tvctl's commands,
// and how the command's reply answers it. The commands run through
// RunOneCommand, so the API does what tvctl does and says what it says.
//
//   POST /api/CMD[/SUB]   body {"args": ["word", ...]} (or no body): runs
//                         `tvctl CMD [SUB] word...`; GET runs it too for the
//                         commands that only read (get, stations, plans)
//
// Answers: the command's JSON record (as `tvctl --json` prints it, without
// "command" and "ok") with 200; on failure {"error": SENTENCE, "exitCode": N}
// with the status StatusOf gives.
#pragma once

#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "command_line.h"
#include "console.h"

namespace tvctl {

// HTTP statuses of the API.
inline constexpr int kHttpOk = 200;
inline constexpr int kHttpBadRequest = 400;      // the words or the body cannot be understood (exit 2)
inline constexpr int kHttpUnauthorized = 401;    // the token is missing or wrong
inline constexpr int kHttpForbidden = 403;       // a local server asked under another host name
inline constexpr int kHttpNotFound = 404;        // no such command (or one the page does not offer)
inline constexpr int kHttpMethodNotAllowed = 405;
inline constexpr int kHttpConflict = 409;        // the card is busy with a long command (a scan)
inline constexpr int kHttpPayloadTooLarge = 413;
inline constexpr int kHttpUnsupportedType = 415; // a POST that is not JSON
inline constexpr int kHttpUnprocessable = 422;   // the command was refused or failed (exit 1)
inline constexpr int kHttpUnavailable = 503;     // the library cannot be loaded, or no picture (exit 3)

// A request turned into command words, or the status and sentence that
// refuse it.
struct ApiRequest {
    Words words;
    int status = kHttpOk;  // not kHttpOk: refused with `error`
    std::string error;
};

// `path` is what follows "/api/" ("channel", "audio/volume"); `body` the
// request's body ("" for none) and `type` its Content-Type; `post` whether
// the method is POST. A POST must be JSON: a form or plain text (what
// another site's page can send without asking) is refused.
ApiRequest ApiCommandWords(std::string_view path, std::string_view body, std::string_view type, bool post);

// The status that answers a command's reply.
int StatusOf(const Reply &reply);

// The JSON body that answers a command's reply.
nlohmann::ordered_json BodyOf(const Reply &reply);

}  // namespace tvctl
