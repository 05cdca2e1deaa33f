// The settings file: defaults a user sets once for every run of tvctl,
// by default $XDG_CONFIG_HOME/tvctl/settings (~/.config/tvctl/settings).
// One setting a line, "KEY = VALUE" (blanks around both are dropped; the
// value is the rest of the line); a line whose first non-blank character
// is "#" is a comment; blank lines are allowed; lines end with LF, CR LF or
// CR. A line that cannot be understood is reported as "FILE:LINE: ..." and
// skipped; the others still apply. At most kMaxSettingsBytes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tvctl {

inline constexpr size_t kMaxSettingsBytes = 64u << 10;

struct SettingLine {
    std::string key;  // in lower case
    std::string value;
    size_t line = 0;    // from 1
    std::string error;  // what is wrong with the line's form; "" when nothing
};

struct SettingsText {
    std::vector<SettingLine> settings;  // every line that is no comment, in order
    std::string problem;                // why the file was not read; "" when it was (or is missing)
};

// The default file; "" when neither XDG_CONFIG_HOME nor HOME is set.
std::string DefaultSettingsFile();

// The file's lines that are no comment, in order: KEY and VALUE, or what is
// wrong with the line's form (the values are the reader's to check).
SettingsText ParseSettingsText(std::string_view text);

// Reads `file` as tvctl reads its other files (a regular file only, at most
// kMaxSettingsBytes): a missing file is no settings, said nowhere; one that
// cannot be read says why.
SettingsText LoadSettingsFile(const std::string &file);

}  // namespace tvctl
