#include "command_line.h"

#include <algorithm>

namespace tvctl {

namespace {

bool IsSeparator(const std::string &word) { return word == "--" || word == ";"; }

}  // namespace

std::vector<Words> SplitCommands(const Words &words, const std::function<bool(std::string_view)> &isCommand) {
    const bool explicitSeparators = std::any_of(words.begin(), words.end(), IsSeparator);
    std::vector<Words> commands;
    Words current;
    auto finish = [&] {
        if (!current.empty()) commands.push_back(std::move(current));
        current.clear();
    };
    for (const std::string &word : words) {
        if (explicitSeparators ? IsSeparator(word) : isCommand(word)) {
            finish();
            if (explicitSeparators) continue;
        }
        current.push_back(word);
    }
    finish();
    return commands;
}

std::optional<Words> TokenizeLine(std::string_view line, std::string *error) {
    Words words;
    std::string word;
    bool inWord = false;  // a word has begun (it may still be empty: "")
    auto finish = [&] {
        if (inWord) words.push_back(word);
        word.clear();
        inWord = false;
    };
    for (size_t at = 0; at < line.size(); ++at) {
        char c = line[at];
        if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
            finish();
        } else if (c == ';') {
            finish();
            words.emplace_back(";");
        } else if (c == '#' && !inWord) {
            break;
        } else if (c == '\'') {
            size_t close = line.find('\'', at + 1);
            if (close == std::string_view::npos) {
                *error = "unclosed ' quote";
                return std::nullopt;
            }
            word.append(line.substr(at + 1, close - at - 1));
            inWord = true;
            at = close;
        } else if (c == '"') {
            inWord = true;
            for (++at;; ++at) {
                if (at >= line.size()) {
                    *error = "unclosed \" quote";
                    return std::nullopt;
                }
                if (line[at] == '"') break;
                if (line[at] == '\\' && at + 1 < line.size() && (line[at + 1] == '"' || line[at + 1] == '\\')) ++at;
                word.push_back(line[at]);
            }
        } else if (c == '\\') {
            if (at + 1 >= line.size()) {
                *error = "unfinished escape (a backslash at its end)";
                return std::nullopt;
            }
            word.push_back(line[++at]);
            inWord = true;
        } else {
            word.push_back(c);
            inWord = true;
        }
    }
    finish();
    return words;
}

}  // namespace tvctl
