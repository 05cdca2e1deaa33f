// A second, deliberately plain scanner of vidcfg.ini text, written from the
// file's rules rather than from the library's code: the text is first cut
// into complete lines, then each line goes through a small state machine.
// Tests and the fuzz target compare the library's verdict with this one.
// Header-only, allocation allowed: it is test code, not library code.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

namespace reference {

struct ScanState {
    bool comment = false;
    bool section = false;
};

enum class LineResult { NextLine, Alternative, OtherBoard };

// The complete lines of the first 4096 bytes: each without its line feed and
// without a carriage return right before it. Bytes after the last line feed
// form no line.
inline std::vector<std::string_view> CompleteLines(std::string_view text) {
    if (text.size() > 4096) text = text.substr(0, 4096);
    std::vector<std::string_view> lines;
    for (std::size_t start = 0;;) {
        std::size_t feed = text.find('\n', start);
        if (feed == std::string_view::npos) break;
        std::string_view line = text.substr(start, feed - start);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        start = feed + 1;
    }
    return lines;
}

inline std::string_view DropLeadingSpaces(std::string_view s) {
    while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
    return s;
}

// What the entry at the start of `rest` ("BoardType...") amounts to.
inline LineResult ReadEntry(std::string_view rest) {
    rest.remove_prefix(std::string_view("BoardType").size());
    rest = DropLeadingSpaces(rest);
    if (rest.empty() || rest.front() != '=') return LineResult::NextLine;
    rest = DropLeadingSpaces(rest.substr(1));
    return rest.substr(0, 9) == std::string_view("QX_KESTREL").substr(0, 9) ? LineResult::Alternative
                                                                            : LineResult::OtherBoard;
}

inline std::pair<bool, LineResult> ScanLine(std::string_view line, ScanState &state) {
    std::size_t pos = 0;
    while (pos < line.size()) {
        if (line.substr(pos).starts_with("/*")) {
            state.comment = true;
            pos += 1;
        }
        if (line.substr(pos).starts_with("*/")) {
            state.comment = false;
            pos += 1;
        }
        std::string_view rest = line.substr(pos);
        if (!state.comment) {
            if (rest.starts_with("[SYSTEM]")) {
                state.section = true;
                return {false, LineResult::NextLine};
            }
            if (state.section && rest.front() == '[') state.section = false;
            if (state.section && rest.starts_with("BoardType")) {
                LineResult result = ReadEntry(rest);
                return {result != LineResult::NextLine, result};
            }
        }
        pos += 1;
    }
    return {false, LineResult::NextLine};
}

// True when the text names the alternative board.
inline bool Scan(std::string_view text) {
    ScanState state;
    for (std::string_view line : CompleteLines(text)) {
        auto [decided, result] = ScanLine(line, state);
        if (decided) return result == LineResult::Alternative;
    }
    return false;
}

}  // namespace reference
