#include "tests/support/RuntimeFolder.h"

#include <cstdlib>
#include <string>

namespace vk::test {

CRuntimeFolder::CRuntimeFolder()
{
    std::string name = "/tmp/vk-test-runtime-XXXXXX";
    if (::mkdtemp(name.data())) {  // mode 0700, as a runtime folder must be
        m_path = name;
        ::setenv("XDG_RUNTIME_DIR", name.c_str(), 1);
    }
}

CRuntimeFolder::~CRuntimeFolder()
{
    std::error_code ignored;
    if (!m_path.empty())
        std::filesystem::remove_all(m_path, ignored);
}

}  // namespace vk::test
