// The linter walks the file line by line with its own, simpler idea of
// comments and sections (enough to place a hint), and looks at every word
// that resembles the key, the header or the value without regard to letter
// case.
#include "config_lint.h"

#include <fmt/format.h>

#include <cctype>

namespace tvctl {

namespace {

using tvcore::card::kBoardConfigMaxBytes;

// The scanner's own words.
constexpr std::string_view kKey = tvcore::card::kBoardKey;
constexpr std::string_view kHeader = tvcore::card::kBoardSectionHeader;
constexpr std::string_view kValue = tvcore::card::kAlternativeBoardName;
constexpr std::string_view kValueCompared = tvcore::card::kAlternativeBoardPrefix;

bool StartsWithFolded(std::string_view text, size_t at, std::string_view word) {
    if (text.size() - at < word.size()) return false;
    for (size_t i = 0; i < word.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[at + i])) !=
            std::tolower(static_cast<unsigned char>(word[i])))
            return false;
    return true;
}

bool StartsWith(std::string_view text, size_t at, std::string_view word) {
    return text.size() - at >= word.size() && text.compare(at, word.size(), word) == 0;
}

struct Line {
    size_t start, end;  // end: before the line feed (and a carriage return before it)
    size_t feed;        // offset of the line feed, or npos for an unterminated last line
    uint32_t number;
};

std::vector<Line> SplitLines(std::string_view text) {
    std::vector<Line> lines;
    size_t start = 0;
    uint32_t number = 0;
    while (start < text.size()) {
        size_t feed = text.find('\n', start);
        size_t end = feed == std::string_view::npos ? text.size() : feed;
        if (feed != std::string_view::npos && end > start && text[end - 1] == '\r') --end;
        lines.push_back({start, end, feed, ++number});
        if (feed == std::string_view::npos) break;
        start = feed + 1;
    }
    return lines;
}

// The value text after "=" up to the end of the line, for quoting in a hint.
std::string ValueText(std::string_view text, size_t at, size_t end) {
    std::string value(text.substr(at, end - at));
    while (!value.empty() && (value.back() == ' ' || value.back() == '\t')) value.pop_back();
    if (value.size() > 40) value.replace(40, std::string::npos, "...");
    return value;
}

class Linter {
public:
    Linter(std::string_view text, const BoardScanReport &report, bool textIsCut)
        : text_(text), report_(report), textIsCut_(textIsCut) {}

    std::vector<LintHint> Run() {
        for (const Line &line : SplitLines(text_)) LintLine(line);
        // The library stops at the deciding entry: nothing after it matters
        // but the note that a later entry is never read.
        std::erase_if(hints_, [&](const LintHint &hint) {
            return report_.entryLine != 0 && hint.line > report_.entryLine && hint.kind != "later-entry-ignored";
        });
        return hints_;
    }

private:
    // A hint about `line`; its text begins with the line's number.
    void Hint(uint32_t line, const char *kind, const std::string &text) {
        hints_.push_back({line, kind, fmt::format("line {}: {}", line, text)});
    }

    // Whether the library reads this line at all: it ends with a line feed,
    // and that line feed lies within the bytes read.
    bool Unread(const Line &line, bool *beyondLimit) const {
        *beyondLimit = line.feed == std::string_view::npos ? text_.size() > kBoardConfigMaxBytes || textIsCut_
                                                           : line.feed >= kBoardConfigMaxBytes;
        return *beyondLimit || line.feed == std::string_view::npos;
    }

    void LintLine(const Line &line) {
        bool beyond = false;
        bool unread = Unread(line, &beyond);
        bool sawKeyOrHeader = false;
        for (size_t at = line.start; at < line.end; ++at) {
            if (StartsWith(text_, at, "/*")) {
                if (!inComment_) commentLine_ = line.number;
                inComment_ = true;
                ++at;
            }
            if (at < line.end && StartsWith(text_, at, "*/")) {
                inComment_ = false;
                ++at;
            }
            if (at >= line.end) break;
            if (inComment_) {
                if (StartsWithFolded(text_, at, kKey) && LooksLikeEntry(at + kKey.size(), line.end))
                    Hint(line.number, "entry-in-comment",
                         fmt::format("this BoardType entry is inside a comment (opened on line {}), so the "
                                     "library does not see it",
                                     commentLine_));
                if (StartsWithFolded(text_, at, kKey)) at += kKey.size() - 1;
                continue;
            }
            if (text_[at] == '[') {
                sawKeyOrHeader = true;
                if (StartsWith(text_, at, kHeader)) {
                    inSection_ = true;
                    ++headers_;
                    CheckRestOfHeaderLine(line, at + kHeader.size());
                    break;  // the library does not read the rest of a header line
                }
                if (StartsWithFolded(text_, at, kHeader))
                    Hint(line.number, "header-case",
                         fmt::format("the section header \"{}\" differs in letter case from {}: it does not "
                                     "open the section (and, as a \"[\", closes an open one)",
                                     text_.substr(at, kHeader.size()), kHeader));
                if (inSection_) closedLine_ = line.number;
                inSection_ = false;
                continue;
            }
            if (StartsWithFolded(text_, at, kKey)) {
                sawKeyOrHeader = true;
                if (LintEntry(line, at, unread, beyond)) break;
                at += kKey.size() - 1;
            }
        }
        if (line.feed == std::string_view::npos && !beyond && !sawKeyOrHeader && !Blank(line.start, line.end))
            Hint(line.number, "no-final-line-feed",
                 "the last line has no line feed, so the library ignores it; end the file with a line break");
    }

    // Whether spaces or tabs and then "=" follow.
    bool LooksLikeEntry(size_t at, size_t end) const {
        while (at < end && (text_[at] == ' ' || text_[at] == '\t')) ++at;
        return at < end && text_[at] == '=';
    }

    bool Blank(size_t from, size_t to) const {
        for (size_t at = from; at < to; ++at)
            if (!std::isspace(static_cast<unsigned char>(text_[at]))) return false;
        return true;
    }

    void CheckRestOfHeaderLine(const Line &line, size_t from) {
        for (size_t at = from; at < line.end; ++at)
            if (StartsWithFolded(text_, at, kKey)) {
                Hint(line.number, "entry-on-header-line",
                     "the library does not read the rest of a [SYSTEM] header line; put BoardType on a line of its "
                     "own");
                return;
            }
    }

    // Looks at a word that reads "BoardType" in any letter case; answers true
    // when the rest of the line is done with (an entry with "=" was seen).
    bool LintEntry(const Line &line, size_t at, bool unread, bool beyond) {
        const uint32_t n = line.number;
        const bool exactKey = StartsWith(text_, at, kKey);
        size_t pos = at + kKey.size();
        bool tabBefore = false;
        while (pos < line.end && (text_[pos] == ' ' || text_[pos] == '\t')) tabBefore |= text_[pos++] == '\t';
        const bool hasEquals = pos < line.end && text_[pos] == '=';
        if (!hasEquals && !tabBefore) {
            if (exactKey && inSection_ && !unread)
                Hint(n, "entry-without-equals", "BoardType has no \"=\" after it; the library passes over the line");
            return false;
        }
        if (!hasEquals) return false;  // a tab and then no "=": not an entry anyway

        size_t value = pos + 1;
        bool tabAfter = false;
        while (value < line.end && (text_[value] == ' ' || text_[value] == '\t')) tabAfter |= text_[value++] == '\t';
        const std::string shown = ValueText(text_, value, line.end);

        if (unread) {
            Hint(n, beyond ? "beyond-limit" : "no-final-line-feed",
                 beyond ? fmt::format("this BoardType entry lies beyond the first {} bytes (or is cut by that "
                                      "limit); the library never reads it",
                                      kBoardConfigMaxBytes)
                        : "this BoardType entry is on a last line without line feed, which the library ignores; "
                          "end the file with a line break");
            return true;
        }
        if (!exactKey)
            Hint(n, "key-case",
                 fmt::format("the key \"{}\" differs in letter case from {}; the library does not recognise it",
                             text_.substr(at, kKey.size()), kKey));
        if (tabBefore)
            Hint(n, "tab-before-equals",
                 "a tab stands between BoardType and \"=\"; only spaces may, so the library passes over this line");
        if (!exactKey || tabBefore) return true;

        if (!inSection_) {
            Hint(n, "entry-outside-section",
                 headers_ == 0 ? "this BoardType entry comes before any [SYSTEM] header; the library looks for it "
                                 "only inside that section"
                               : fmt::format("this BoardType entry is outside the [SYSTEM] section (the \"[\" on "
                                             "line {} closed it)",
                                             closedLine_));
            return true;
        }
        if (tabAfter)
            Hint(n, "tab-after-equals",
                 fmt::format("a tab stands after \"=\"; only spaces are skipped there, so the value \"{}\" does "
                             "not match",
                             shown));
        const bool quoted = value < line.end && (text_[value] == '"' || text_[value] == '\'');
        if (quoted && StartsWithFolded(text_, value + 1, kValueCompared))
            Hint(n, "quoted-value",
                 fmt::format("the value {} is in quotes; the library compares the quote too. Write BoardType = {}",
                             shown, kValue));
        else if (!tabAfter && StartsWithFolded(text_, value, kValueCompared) && !StartsWith(text_, value, kValueCompared))
            Hint(n, "value-case",
                 fmt::format("the value \"{}\" differs in letter case from {}; the library does not recognise it",
                             shown, kValue));
        if (++entries_ > 1 && report_.entryLine != 0 && n > report_.entryLine)
            Hint(n, "later-entry-ignored",
                 fmt::format("this entry is never read: the first BoardType entry, on line {}, decides",
                             report_.entryLine));
        return true;
    }

    std::string_view text_;
    const BoardScanReport &report_;
    const bool textIsCut_;
    std::vector<LintHint> hints_;
    bool inComment_ = false;
    bool inSection_ = false;
    uint32_t commentLine_ = 0;
    uint32_t closedLine_ = 0;
    uint32_t headers_ = 0;
    uint32_t entries_ = 0;  // in-section entries with "=" seen so far
};

}  // namespace

std::vector<LintHint> LintBoardConfig(std::string_view text, const BoardScanReport &report, bool textIsCut) {
    return Linter(text, report, textIsCut).Run();
}

}  // namespace tvctl
