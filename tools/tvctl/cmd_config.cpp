// config check [FILE]: which board file the library reads, what it decides
// from it, and the usual mistakes in it. config show: tvctl's settings in
// force and where each came from (user_settings.h).
#include <fmt/format.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

#include "card_readback.h"
#include "commands.h"
#include "safe_file.h"
#include "config_lint.h"
#include "plan_info.h"
#include "station_list.h"
#include "tvcore/card/board_file.h"
#include "tvcore/card/board_scan.h"
#include "tvcore/card/decoder.h"
#include "tvhost/win32.h"

namespace tvctl {

using namespace tvcore::card;

namespace {

// The file the library reads, as the host resolves the library's path (the
// Windows directory, a backslash, vidcfg.ini): the backslash is a directory
// separator. Empty with `why` set when the library would read none.
std::string LibraryFile(std::string &why) {
    char dir[kWindowsDirBufferSize];
    UINT length = GetWindowsDirectoryA(dir, sizeof dir);
    if (length == 0) {
        why = "the Windows directory cannot be obtained";
        return "";
    }
    if (!WindowsDirFits(length)) {
        why = fmt::format("the Windows directory's path is {} characters long; the library's buffer holds {}, "
                          "so it reads no file",
                          length - 1, kWindowsDirBufferSize - 1);
        return "";
    }
    std::string path = BoardFilePath(dir, length);
    std::replace(path.begin(), path.end(), '\\', '/');
    return path;
}

// Missing: no such file. Refused: not opened, or not a regular file, as the
// library refuses it. Failed: opened, but the read itself failed (EIO).
enum class ReadOutcome { Read, Missing, Refused, Failed };

// Reads the file as the library does: a regular file only, opened without
// waiting (a FIFO cannot stall the check), and no more than the library's
// kBoardConfigMaxBytes. `fileBytes` is the file's size, to tell when it is
// longer than what was read.
ReadOutcome ReadAsLibrary(const std::string &path, std::string &text, uint64_t &fileBytes, std::string &error) {
    int fd;
    do {
        fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        // A file that cannot be opened (no permission, a path through a
        // file) is one the library cannot open either.
        const int openError = errno;
        error = std::strerror(openError);
        return openError == ENOENT ? ReadOutcome::Missing : ReadOutcome::Refused;
    }
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        error = fmt::format("it is {}, and the library reads only regular files", NonRegularKind(info.st_mode));
        close(fd);
        return ReadOutcome::Refused;
    }
    fileBytes = static_cast<uint64_t>(info.st_size);
    // The one read the library makes (ReadBoardConfig: how much to ask for,
    // where the text is cut), with read(2) taking the short reads a pipe or
    // a network file system may give.
    text.resize(kBoardConfigMaxBytes);
    size_t got = 0;
    bool failed = false;
    ReadBoardConfig(text.data(), [&](char *buffer, uint32_t size) -> std::optional<uint32_t> {
        while (got < size) {
            ssize_t n = read(fd, buffer + got, size - got);
            if (n < 0 && errno == EINTR) continue;
            if (n < 0) {
                error = std::strerror(errno);
                failed = true;
                return std::nullopt;
            }
            if (n == 0) break;
            got += static_cast<size_t>(n);
        }
        return static_cast<uint32_t>(got);
    });
    close(fd);
    if (failed) return ReadOutcome::Failed;
    text.resize(got);
    fileBytes = std::max<uint64_t>(fileBytes, got);
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
        return fmt::format("the {} entry on line {} names {}", kBoardKey, report.entryLine, kAlternativeBoardName);
    if (report.entryLine != 0) {
        std::string value = ValueAt(text, report.valueOffset);
        std::string shown = value.empty()                               ? "an empty value"
                            : value.front() == '"' || value.front() == '\'' ? "the value " + value + " (quotes included)"
                                                                           : "the value \"" + value + "\"";
        return fmt::format("the {} entry on line {} decides, with {}, which is not {}", kBoardKey, report.entryLine,
                           shown, kAlternativeBoardName);
    }
    if (text.empty()) return "the file is empty";
    if (report.headerCount == 0) return fmt::format("there is no {} section header", kBoardSectionHeader);
    return fmt::format("no {} entry with \"=\" stands inside the {} section", kBoardKey, kBoardSectionHeader);
}

class ConfigCommand : public Command {
public:
    explicit ConfigCommand(CLI::App &app) {
        app.require_subcommand(1, 1);
        CLI::App *check = app.add_subcommand("check", "explain the board configuration file: config check [FILE]");
        Bind(*check, "file", file_, FileName("file", false), "a file to check instead of the one the library reads");
        app.add_subcommand("show", "show tvctl's settings and where each came from: config show")
            ->callback([this] { show_ = true; });
    }
    bool Traced() const override { return false; }

    void Run(Session &session, Reply &reply) override {
        if (show_) return ShowSettings(session, reply);
        std::string libraryFile = LibraryFile(libraryWhy_);
        reply.data["libraryFile"] = libraryFile.empty() ? Record(nullptr) : Record(libraryFile);
        const std::string checked = file_.empty() ? libraryFile : file_;
        if (checked.empty()) {
            standardWhy_ = "no file is read";
            reply.data["board"] = "standard";
            return;
        }
        reply.data["checkedFile"] = checked;
        std::string text, error;
        uint64_t fileBytes = 0;
        ReadOutcome outcome = ReadAsLibrary(checked, text, fileBytes, error);
        if (outcome == ReadOutcome::Read) return RecordVerdict(text, fileBytes, reply);
        if (outcome != ReadOutcome::Missing) reply.data["exists"] = true;
        // A read that fails is an error to report, not an empty file; the
        // library, failing the same way, keeps the standard board.
        if (outcome == ReadOutcome::Failed)
            return reply.Fail(fmt::format("cannot read {}: {} (the library then uses the standard board)", checked, error));
        if (!file_.empty())
            return reply.Fail(fmt::format("cannot {} {}: {}", outcome == ReadOutcome::Missing ? "read" : "check", file_, error));
        if (outcome == ReadOutcome::Missing) reply.data["exists"] = false;
        reply.data["board"] = "standard";
        standardWhy_ = outcome == ReadOutcome::Missing
                           ? "there is no such file; without it the library uses the standard board"
                           : fmt::format("the file is not read: {}; the library then uses the standard board", error);
    }

    std::string Text(const Record &record) const override {
        if (record.contains("settings")) return SettingsText(record);
        if (!record.contains("libraryFile")) return "";
        const Record &library = record["libraryFile"];
        std::string text = library.is_null() ? fmt::format("the library reads: no file ({})\n", libraryWhy_)
                                             : fmt::format("the library reads: {}\n", library.get<std::string>());
        if (!file_.empty() && record.contains("checkedFile") && (library.is_null() || file_ != library))
            text += fmt::format("checking:          {} (not the file the library reads)\n", file_);
        if (!record.contains("board")) return text;
        if (!record.contains("reason")) return text + fmt::format("board: standard ({})\n", standardWhy_);
        text += fmt::format("board: {} ({})\n", record["board"].get<std::string>(), record["reason"].get<std::string>());
        if (record["board"] == "alternative")
            text += fmt::format("       composite input on multiplexer {:#04x}, tuner and S-video on {:#04x}\n",
                                kAlternativeCompositeMux, kAlternativeTunerMux);
        if (record["longerThanRead"].get<bool>())
            text += fmt::format("note: the file has {} bytes; the library reads only the first {}, and so does this check\n",
                                record["fileBytes"].dump(), kBoardConfigMaxBytes);
        const Record &hints = record["hints"];
        if (hints.empty()) return text + "no usual mistakes found";
        text += fmt::format("{} hint{}:\n", hints.size(), hints.size() == 1 ? "" : "s");
        for (const Record &hint : hints) text += fmt::format("  {}\n", hint["text"].get<std::string>());
        return text;
    }

private:
    // The verdict of the library's own scanner, on the same bytes, and the
    // usual mistakes.
    static void RecordVerdict(const std::string &text, uint64_t fileBytes, Reply &reply) {
        BoardScanReport report = ExplainBoardConfig(text.data(), static_cast<uint32_t>(text.size()));
        const bool longer = fileBytes > text.size();
        reply.data.update({{"exists", true}, {"board", report.alternativeBoard ? "alternative" : "standard"},
                           {"reason", Verdict(text, report)}, {"entryLine", report.entryLine},
                           {"headerLine", report.firstHeaderLine}, {"scannedBytes", report.scannedBytes},
                           {"fileBytes", fileBytes}, {"longerThanRead", longer}});
        Record list = Record::array();
        for (const LintHint &hint : LintBoardConfig(text, report, longer))
            list.push_back({{"line", hint.line}, {"kind", hint.kind}, {"text", hint.text}});
        reply.data["hints"] = list;
    }

    static void ShowSettings(const Session &session, Reply &reply) {
        const UserDefaults &defaults = session.Options().defaults;
        reply.data["settingsFile"] = defaults.file.empty() ? Record(nullptr) : Record(defaults.file);
        Record list = Record::array();
        for (const SettingShown &shown : defaults.shown) {
            Record entry = {{"key", shown.key}, {"value", shown.value}, {"from", shown.from}};
            // The plan in force is the tuner record's once it has one.
            struct stat record {};
            if (shown.key == "plan" && !session.tunerFile.empty() && lstat(session.tunerFile.c_str(), &record) == 0) {
                std::optional<PlanInfo> plan = PlanByNumber(session.tuner.plan);
                entry["value"] = plan ? plan->name : "cable";
                entry["from"] = fmt::format("tuner record ({})", session.tunerFile);
            }
            list.push_back(entry);
        }
        reply.data["settings"] = list;
        reply.data["problems"] = defaults.problems;
    }

    static std::string SettingsText(const Record &record) {
        const Record &file = record["settingsFile"];
        std::string text = fmt::format("{:<9} {}\n", "file", file.is_null() ? "none" : file.get<std::string>());
        for (const Record &setting : record["settings"]) {
            std::string value = setting["value"].get<std::string>();
            text += fmt::format("{:<9} {:<16} {}\n", setting["key"].get<std::string>(), value.empty() ? "-" : Printable(value),
                                setting["from"].get<std::string>());
        }
        return text;
    }

    bool show_ = false;
    std::string libraryWhy_;   // why the library reads no file
    std::string standardWhy_;  // why the board is the standard one, when no file was scanned
    std::string file_;
};

}  // namespace

bool LibraryBoardIsAlternative() {
    std::string why, text, error;
    uint64_t fileBytes = 0;
    const std::string file = LibraryFile(why);
    return !file.empty() && ReadAsLibrary(file, text, fileBytes, error) == ReadOutcome::Read &&
           ExplainBoardConfig(text.data(), static_cast<uint32_t>(text.size())).alternativeBoard;
}

std::vector<CommandEntry> ConfigCommands() {
    return {Entry<ConfigCommand>("config")};
}

}  // namespace tvctl
