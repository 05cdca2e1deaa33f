// Turning a command line (or a line of the shell) into commands.
//
// Several commands may follow one another. When the words contain a "--" or
// a ";" of their own, commands are split there and only there; otherwise a
// new command begins at every word that names a command. So
//     tvctl source cable channel 7 get
//     tvctl source cable -- channel 7 -- get
// are the same three commands, and a separator lets a command take a word
// that names a command as its argument (config check -- ...).
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tvctl {

using Words = std::vector<std::string>;

// The commands in `words`, each starting with its name; empty pieces between
// separators are dropped.
std::vector<Words> SplitCommands(const Words &words, const std::function<bool(std::string_view)> &isCommand);

// Splits a shell line into words: blanks separate; '...' keeps everything
// literally, "..." keeps everything but \" and \\; a backslash outside quotes
// takes the next character as it is; ";" is a word of its own; "#" at the
// start of a word begins a comment. Empty with *error set on an unclosed
// quote or a trailing backslash; the error names what the line has ("the
// line has an ...").
std::optional<Words> TokenizeLine(std::string_view line, std::string *error);

}  // namespace tvctl
