#include "ConfigFiles.h"

#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "ConfigOptions.h"
#include "audio/StrFormat.h"

namespace vk::ctl {

std::string InputName(const std::string& path) { return path == kStandardStream ? "standard input" : path; }

std::string OutputName(const std::string& path) { return path == kStandardStream ? "standard output" : path; }

commission::WholeFileText ReadInputFile(const std::string& path)
{
    if (path == kStandardStream)
        return commission::ReadWholeStream(STDIN_FILENO);
    return commission::ReadWholeFile(path);
}

commission::WholeFileWritten WriteOutputFile(const std::string& path, const std::string& text)
{
    if (path != kStandardStream)
        return commission::WriteWholeFile(path, text);
    errno = 0;
    if (std::fputs(text.c_str(), stdout) < 0 || std::fflush(stdout) != 0)
        return {ErrorText(errno != 0 ? errno : EIO)};
    return {};
}

std::optional<commission::LoadedConfiguration> LoadConfigurationFile(const std::string& path, bool sending)
{
    const auto text = ReadInputFile(path);
    if (!text) {
        std::fprintf(stderr, "vk550ctl: cannot read %s: %s\n", InputName(path).c_str(), text.why.c_str());
        return std::nullopt;
    }
    auto outcome = commission::ParseConfigurationFile(*text, InputName(path));
    for (const auto& error : outcome.errors)
        std::fprintf(stderr, "vk550ctl: %s\n", error.c_str());
    if (!outcome.errors.empty() && sending)
        std::fprintf(stderr, "vk550ctl: nothing was sent\n");
    return std::move(outcome.loaded);
}

}  // namespace vk::ctl
