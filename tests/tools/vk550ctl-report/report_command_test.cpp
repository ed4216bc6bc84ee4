// vk550ctl report and list as a technician runs them: a separate process, the
// text on standard output, a clear message and exit code 1 when no unit is
// attached or none answers.
#include <gtest/gtest.h>

#include "tests/support/CommandFolder.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

using CtlRun = vk::test::CommandRun;

class ReportCommand : public vk::test::CommandFolderTest {
protected:
    CtlRun Ctl(const std::string& arguments) const { return Run(std::string(VK550CTL_EXE) + " " + arguments); }
};

size_t Count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

TEST_F(ReportCommand, PrintsTheReportOfEachAttachedUnit)
{
    const CtlRun one = Ctl("--simulate=stand-alone report");
    EXPECT_EQ(one.exitCode, 0) << one.err;
    EXPECT_EQ(one.out.rfind("Connected to Dravena-Stand Alone\nS/N\t\t: VK5500001234\nUnit ID\t\t: 1-02-05-012-0725 F\n", 0), 0u)
        << one.out;
    EXPECT_NE(one.out.find("\nSoftware Version\t\t: 7.2\nProtocol Version\t\t: 22\n"), std::string::npos) << one.out;
    EXPECT_EQ(one.out.find('\r'), std::string::npos) << "terminal line ends";

    const CtlRun two = Ctl("--simulate=master+slave report");
    EXPECT_EQ(two.exitCode, 0) << two.err;
    EXPECT_EQ(Count(two.out, "Connected to "), 2u) << two.out;
    EXPECT_NE(two.out.find("Connected to Dravena-Master\n"), std::string::npos);
    EXPECT_NE(two.out.find("Connected to Dravena-Slave\n"), std::string::npos);
}

TEST_F(ReportCommand, FailsClearlyWithoutAUnit)
{
    // This machine has no unit attached; the real HID stack is asked.
    const CtlRun none = Ctl("report");
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_EQ(none.out, "");
    EXPECT_EQ(none.err, "vk550ctl: no unit attached\n");

    EXPECT_EQ(Ctl("--simulate=nonsense report").exitCode, 2);
    EXPECT_EQ(Ctl("report extra").exitCode, 2);
}

TEST_F(ReportCommand, ListNamesEachUnitWithItsVersions)
{
    const CtlRun list = Ctl("--simulate=master+slave list");
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(list.out.find("product 0x0217  Dravena-Master  software 7.2  protocol 22\n"), std::string::npos) << list.out;
    EXPECT_NE(list.out.find("product 0x0317  Dravena-Slave  software 7.2  protocol 22\n"), std::string::npos) << list.out;
}

}  // namespace
