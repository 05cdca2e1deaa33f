// Hints for vidcfg.ini: the usual mistakes that make the library pass over
// an entry the user meant (tab before "=", letter case, quotes, an entry in a
// comment or outside the section, a last line without line feed, an entry
// beyond the bytes the library reads). The verdict itself is the library's
// own scanner's (ExplainBoardConfig); this linter only explains.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "tvcore/card/board_scan.h"

namespace tvctl {

using tvcore::card::BoardScanReport;

struct LintHint {
    uint32_t line;     // 1-based, over every line of the file (the cut-off ones too)
    std::string kind;  // a stable word for scripts: "tab-before-equals", ...
    std::string text;  // the sentence for the user
};

// Looks through the whole text (also past the 4096 bytes the library reads).
// `report` is the library's scan of the same text. Hints on lines after the
// deciding entry are left out, since the library never reads those lines;
// only "later-entry-ignored" speaks of them. `textIsCut`: the text is the
// start of a longer file, so its last line goes on past the library's limit.
std::vector<LintHint> LintBoardConfig(std::string_view text, const BoardScanReport &report, bool textIsCut = false);

}  // namespace tvctl
