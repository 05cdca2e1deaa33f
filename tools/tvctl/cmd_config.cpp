// config check [FILE]: which board file the library reads, what it decides
// from it, and the usual mistakes in it.
#include <fmt/format.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "commands.h"
#include "config_lint.h"
#include "tv/board_scan.h"
#include "tvhost/win32.h"

namespace tvctl {

namespace {

// The Windows directory buffer the library uses.
constexpr UINT kWindowsDirBuffer = 128;

// The file the library reads, as the host resolves it: the Windows
// directory, a backslash, vidcfg.ini; the host takes the backslash as a
// directory separator. Empty with `why` set when the library would read none.
std::string LibraryFile(std::string &libraryForm, std::string &why) {
    char dir[kWindowsDirBuffer];
    UINT length = GetWindowsDirectoryA(dir, sizeof dir);
    if (length == 0) {
        why = "the Windows directory cannot be obtained";
        return "";
    }
    if (length >= sizeof dir) {
        why = fmt::format("the Windows directory's path is {} characters long; the library's buffer holds 127, "
                          "so it reads no file",
                          length - 1);
        return "";
    }
    libraryForm = std::string(dir) + "\\vidcfg.ini";
    return std::string(dir) + "/vidcfg.ini";
}

enum class ReadOutcome { Read, Missing, Failed };

ReadOutcome ReadWholeFile(const std::string &path, std::string &text, std::string &error) {
    std::error_code status;
    if (std::filesystem::is_directory(path, status)) {
        error = "it is a directory";
        return ReadOutcome::Failed;
    }
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = std::strerror(errno);
        return errno == ENOENT ? ReadOutcome::Missing : ReadOutcome::Failed;
    }
    std::ostringstream content;
    content << file.rdbuf();
    if (file.bad()) {
        error = "read error";
        return ReadOutcome::Failed;
    }
    text = content.str();
    return ReadOutcome::Read;
}

// The value text at `offset`, up to the line's end, for the verdict.
std::string ValueAt(const std::string &text, uint32_t offset) {
    size_t end = text.find_first_of("\r\n", offset);
    std::string value = text.substr(offset, end == std::string::npos ? std::string::npos : end - offset);
    if (value.size() > 40) value.replace(40, std::string::npos, "...");
    return value;
}

std::string Verdict(const std::string &text, const BoardScanReport &report) {
    if (report.alternativeBoard)
        return fmt::format("the BoardType entry on line {} names QX_KESTREL", report.entryLine);
    if (report.entryLine != 0) {
        std::string value = ValueAt(text, report.valueOffset);
        std::string shown = value.empty()                               ? "an empty value"
                            : value.front() == '"' || value.front() == '\'' ? "the value " + value + " (quotes included)"
                                                                           : "the value \"" + value + "\"";
        return fmt::format("the BoardType entry on line {} decides, with {}, which is not QX_KESTREL",
                           report.entryLine, shown);
    }
    if (text.empty()) return "the file is empty";
    if (report.headerCount == 0) return "there is no [SYSTEM] section header";
    return "no BoardType entry with \"=\" stands inside the [SYSTEM] section";
}

class ConfigCommand : public Command {
public:
    explicit ConfigCommand(CLI::App &app) {
        app.require_subcommand(1, 1);
        CLI::App *check = app.add_subcommand("check", "explain the board configuration file: config check [FILE]");
        check->add_option("file", file_, "a file to check instead of the one the library reads");
        check->footer("Says which file the library reads (the Windows directory, as TVHOST_WINDIR or the\n"
                      "installation sets it, and vidcfg.ini), whether it selects the standard or the alternative\n"
                      "board (the library's own scanner decides), and points at the usual mistakes. The exit\n"
                      "status is 0 when the file could be checked (or is absent), whatever it selects.");
    }
    std::string Name() const override { return "config check"; }
    bool Traced() const override { return false; }

    void Run(Session &session, Reply &reply) override {
        const Console &out = session.Out();
        std::string libraryForm, why;
        std::string libraryFile = LibraryFile(libraryForm, why);
        reply.data["libraryFile"] = libraryFile.empty() ? nlohmann::ordered_json(nullptr) : nlohmann::ordered_json(libraryFile);
        if (libraryFile.empty())
            out.Print("the library reads: no file ({})", why);
        else
            out.Print("the library reads: {}", libraryFile);

        const std::string checked = file_.empty() ? libraryFile : file_;
        if (checked.empty()) {
            reply.data["board"] = "standard";
            out.Print("board: standard (no file is read)");
            return;
        }
        reply.data["checkedFile"] = checked;
        if (!file_.empty() && file_ != libraryFile) out.Print("checking:          {} (not the file the library reads)", file_);

        std::string text, error;
        switch (ReadWholeFile(checked, text, error)) {
            case ReadOutcome::Missing:
                if (!file_.empty()) return reply.Fail(fmt::format("cannot read {}: {}", file_, error));
                reply.data["exists"] = false;
                reply.data["board"] = "standard";
                out.Print("board: standard (there is no such file; without it the library uses the standard board)");
                return;
            case ReadOutcome::Failed:
                reply.data["exists"] = true;
                if (!file_.empty()) return reply.Fail(fmt::format("cannot read {}: {}", file_, error));
                reply.data["board"] = "standard";
                out.Print("board: standard (the file cannot be read: {}; the library then uses the standard board)",
                          error);
                return;
            case ReadOutcome::Read: break;
        }
        reply.data["exists"] = true;

        // The verdict is the library's own scanner's, on the same bytes.
        BoardScanReport report = ExplainBoardConfig(text.data(), static_cast<uint32_t>(text.size()));
        const char *board = report.alternativeBoard ? "alternative" : "standard";
        reply.data["board"] = board;
        reply.data["reason"] = Verdict(text, report);
        reply.data["entryLine"] = report.entryLine;
        reply.data["headerLine"] = report.firstHeaderLine;
        reply.data["scannedBytes"] = report.scannedBytes;
        reply.data["fileBytes"] = text.size();
        out.Print("board: {} ({})", board, Verdict(text, report));
        if (report.alternativeBoard)
            out.Print("       composite input on multiplexer 0x40, tuner and S-video on 0x60");
        if (report.cutAtLimit)
            out.Print("note: the file has {} bytes; the library reads only the first {}", text.size(),
                      kBoardConfigMaxBytes);

        std::vector<LintHint> hints = LintBoardConfig(text, report);
        nlohmann::ordered_json list = nlohmann::ordered_json::array();
        for (const LintHint &hint : hints) list.push_back({{"line", hint.line}, {"kind", hint.kind}, {"text", hint.text}});
        reply.data["hints"] = list;
        if (hints.empty()) {
            out.Print("no usual mistakes found");
        } else {
            out.Print("{} hint{}:", hints.size(), hints.size() == 1 ? "" : "s");
            for (const LintHint &hint : hints) out.Print("  {}", hint.text);
        }
    }

private:
    std::string file_;
};

}  // namespace

std::vector<CommandEntry> ConfigCommands() {
    return {{"config", "check the board configuration file: config check [FILE]",
             [](CLI::App &app) { return std::make_unique<ConfigCommand>(app); }}};
}

}  // namespace tvctl
