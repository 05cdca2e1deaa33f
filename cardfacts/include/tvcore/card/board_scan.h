// The scanner of vidcfg.ini text, with a variant that says why it decided as
// it did (for tools that explain a configuration file to its user). Pure:
// reading the file is the caller's business.
#pragma once

#include <cstdint>
#include <string_view>

namespace tvcore::card {

// The scanner's words: the section header, the key, and the alternative
// board's name, recognised by its first kBoardNameCompared characters only.
// Case-sensitive.
inline constexpr std::string_view kBoardSectionHeader = "[SYSTEM]";
inline constexpr std::string_view kBoardKey = "BoardType";
inline constexpr std::string_view kAlternativeBoardName = "QX_KESTREL";
inline constexpr uint32_t kBoardNameCompared = 9;
inline constexpr std::string_view kAlternativeBoardPrefix = kAlternativeBoardName.substr(0, kBoardNameCompared);

// Only this many bytes of the file count; a longer text is scanned as if it
// ended here.
inline constexpr uint32_t kBoardConfigMaxBytes = 4096;

// True when `text` (exactly `length` bytes, at most kBoardConfigMaxBytes are
// looked at) names the alternative board. Pure: changes nothing, reads
// nothing past `length`; a null `text` is an empty one.
bool ScanBoardConfig(const char *text, uint32_t length);

// What one scan saw. Line numbers count from 1 over the lines that end with a
// line feed within the scanned bytes (empty lines included); 0 means "none".
struct BoardScanReport {
    bool alternativeBoard;          // the verdict, exactly as ScanBoardConfig answers
    uint32_t scannedBytes;          // the length looked at: at most kBoardConfigMaxBytes
    bool cutAtLimit;                // the text was longer than kBoardConfigMaxBytes
    uint32_t linesScanned;          // complete lines examined before the scan stopped
    uint32_t ignoredTailBytes;      // bytes after the last line feed, never scanned
    uint32_t firstHeaderLine;       // first "[SYSTEM]" header outside a comment
    uint32_t headerCount;           // "[SYSTEM]" headers seen outside comments
    uint32_t sectionClosedLine;     // latest line where a "[" closed the section
    uint32_t entryLine;             // the BoardType entry with "=" that decided the scan
    uint32_t valueOffset;           // offset in the text of that entry's value
    uint32_t firstEntryWithoutEquals;  // first in-section BoardType entry passed over (no "=")
    uint32_t firstStrayEntryLine;   // first BoardType outside comments but outside the section
    bool endedInComment;            // a comment was still open where the scan stopped
};

// The same scan as ScanBoardConfig (one code path gives both answers), with
// the report filled in. Pure: changes nothing, reads nothing past `length`.
BoardScanReport ExplainBoardConfig(const char *text, uint32_t length);

}  // namespace tvcore::card
