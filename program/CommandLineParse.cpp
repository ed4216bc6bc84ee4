#include "program/CommandLineParse.h"

#include <algorithm>

namespace vk::cli {

void ParseWords(CLI::App& app, std::vector<std::string> words)
{
    for (const std::string& word : words) {
        if (word == "--")
            break;
        if (word.size() > 3 && word.rfind("--", 0) == 0 && word.back() == '=' && word.find('=') == word.size() - 1)
            throw CLI::ArgumentMismatch(word.substr(0, word.size() - 1) + ": no value after '='");
    }
    std::reverse(words.begin(), words.end());  // CLI11 takes the words last first
    app.parse(words);
}

void ParseArguments(CLI::App& app, int argc, const char* const* argv)
{
    ParseWords(app, std::vector<std::string>(argv + std::min(argc, 1), argv + argc));
}

}  // namespace vk::cli
