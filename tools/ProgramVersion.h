#pragma once
// --version of the companion programs: the version information embedded in the
// running program's own file ("vk550ctl 1.0.0.1" and the copyright line).

#include "app/AEVersionInfo.h"

#include <cstdio>
#include <string>

namespace vk::tools {

// "vk550ctl 1.0.0.1" for a record of what the program did; "(version unknown)"
// when the file carries no version information.
inline std::string ProgramVersionText(const char* program)
{
    const std::string version = CAEVersionInfo().GetProgramVersion();
    return program + (version.empty() ? std::string(" (version unknown)") : version);
}

// 0 after printing; 1 (and a message) when the file carries no version information.
inline int PrintProgramVersion(const char* program)
{
    CAEVersionInfo info;
    const std::string version = info.GetProgramVersion();
    if (version.empty()) {
        std::fprintf(stderr, "%s: no version information in %s\n", program, info.m_strFileName.c_str());
        return 1;
    }
    std::printf("%s%s\n", program, version.c_str());
    if (!info.m_strLegalCopyright.empty())
        std::printf("%s\n", info.m_strLegalCopyright.c_str());
    return 0;
}

}  // namespace vk::tools
