// The scan of vidcfg.ini text: does the SYSTEM section name the alternative
// board under BoardType? Works in place on the caller's bytes, line by line,
// and never looks past the given length.
#include "tvcore/card/board_scan.h"

#include <cstring>

namespace tvcore::card {
namespace {

// True when text[at, end) begins with `word`.
bool BeginsWith(const char *text, uint32_t at, uint32_t end, std::string_view word) {
    return end - at >= word.size() && std::memcmp(text + at, word.data(), word.size()) == 0;
}

uint32_t SkipSpaces(const char *text, uint32_t at, uint32_t end) {
    while (at < end && text[at] == ' ') ++at;
    return at;
}

// The scan itself. `report` is optional; the verdict never depends on it.
bool Scan(const char *text, uint32_t length, BoardScanReport *report) {
    if (text == nullptr) length = 0;
    const uint32_t size = length < kBoardConfigMaxBytes ? length : kBoardConfigMaxBytes;
    if (report != nullptr) {
        *report = BoardScanReport{};
        report->scannedBytes = size;
        report->cutAtLimit = length > kBoardConfigMaxBytes;
    }

    bool inComment = false;  // both flags carry over from line to line
    bool inSection = false;
    uint32_t lineNumber = 0;
    uint32_t lineStart = 0;
    bool verdict = false;

    while (lineStart < size) {
        const void *feed = std::memchr(text + lineStart, '\n', size - lineStart);
        if (feed == nullptr) {
            // A last line without its line feed is not scanned.
            if (report != nullptr) report->ignoredTailBytes = size - lineStart;
            break;
        }
        const uint32_t feedAt = static_cast<uint32_t>(static_cast<const char *>(feed) - text);
        uint32_t lineEnd = feedAt;
        if (lineEnd > lineStart && text[lineEnd - 1] == '\r') --lineEnd;
        const uint32_t nextLine = feedAt + 1;
        ++lineNumber;
        if (report != nullptr) report->linesScanned = lineNumber;

        for (uint32_t at = lineStart; at < lineEnd; ++at) {
            if (BeginsWith(text, at, lineEnd, "/*")) {
                inComment = true;
                ++at;
            }
            // Checked at the position that "/*" may just have moved to, so
            // "/*/" opens a comment and closes it at once.
            if (BeginsWith(text, at, lineEnd, "*/")) {
                inComment = false;
                ++at;
            }
            if (inComment) continue;
            if (BeginsWith(text, at, lineEnd, kBoardSectionHeader)) {
                inSection = true;
                if (report != nullptr) {
                    if (report->firstHeaderLine == 0) report->firstHeaderLine = lineNumber;
                    ++report->headerCount;
                }
                break;  // the rest of a header line is not examined
            }
            if (text[at] == '[' && inSection) {
                inSection = false;
                if (report != nullptr) report->sectionClosedLine = lineNumber;
            }
            if (!BeginsWith(text, at, lineEnd, kBoardKey)) continue;
            if (!inSection) {
                if (report != nullptr && report->firstStrayEntryLine == 0)
                    report->firstStrayEntryLine = lineNumber;
                continue;
            }
            uint32_t value = SkipSpaces(text, at + static_cast<uint32_t>(kBoardKey.size()), lineEnd);
            if (value >= lineEnd || text[value] != '=') {
                // An entry without "=": the rest of its line is passed over.
                if (report != nullptr && report->firstEntryWithoutEquals == 0)
                    report->firstEntryWithoutEquals = lineNumber;
                break;
            }
            value = SkipSpaces(text, value + 1, lineEnd);
            // The first entry with "=" decides, whatever its value.
            verdict = BeginsWith(text, value, lineEnd, kAlternativeBoardPrefix);
            if (report != nullptr) {
                report->entryLine = lineNumber;
                report->valueOffset = value;
                report->alternativeBoard = verdict;
                report->endedInComment = false;
            }
            return verdict;
        }
        lineStart = nextLine;
    }
    if (report != nullptr) report->endedInComment = inComment;
    return verdict;
}

}  // namespace

bool ScanBoardConfig(const char *text, uint32_t length) { return Scan(text, length, nullptr); }

BoardScanReport ExplainBoardConfig(const char *text, uint32_t length) {
    BoardScanReport report;
    Scan(text, length, &report);
    return report;
}

}  // namespace tvcore::card
