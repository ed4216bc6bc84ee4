// vk550ctl report: the unit report of every attached unit, as the wizard builds it.
#include "Command.h"
#include "UnitBus.h"
#include "device/HIDProtocol.h"
#include "platform/ui/MessageBox.h"

#include <cstdio>
#include <string>

namespace vk::ctl {
namespace {

// Nobody can answer a question on a terminal run: the text goes to standard
// error and the question is declined.
class CDecliningMessageBox final : public IMessageBox {
public:
    int Show(IWindowOwner*, const std::string& text, const std::string& caption, unsigned) override
    {
        std::fprintf(stderr, "vk550ctl: %s: %s\n", caption.c_str(), text.c_str());
        return IDCANCEL;
    }
};

// The report's lines end in "\r\n" (one in "\n\r"); a terminal wants "\n".
std::string WithTerminalLineEnds(const std::string& report)
{
    std::string text;
    for (size_t i = 0; i < report.size(); ++i) {
        const char c = report[i];
        const bool pair = i + 1 < report.size() && ((c == '\r' && report[i + 1] == '\n') || (c == '\n' && report[i + 1] == '\r'));
        text.push_back(c == '\r' ? '\n' : c);
        if (pair)
            ++i;
    }
    return text;
}

int RunReport(const Invocation& invocation)
{
    if (!invocation.args.empty()) {
        std::fprintf(stderr, "vk550ctl: report takes no arguments\n");
        return 2;
    }
    const auto bus = CUnitBus::Install(invocation);
    if (!bus)
        return 2;
    CDecliningMessageBox box;
    SetMessageBoxes(&box);

    CHIDProtocol protocol;
    int reported = 0;
    // Each unit by its own path: units of one product id are told apart.
    for (const HIDDeviceEntry& entry : protocol.ListUnits(kFamilyFilter)) {
        const int productId = entry.attributes.productId;
        if (!protocol.OpenUnitAt(entry.path, true))
            continue;
        const std::string report = protocol.GetUnitReport();
        if (report.empty()) {
            std::fprintf(stderr, "vk550ctl: the unit 0x%04X at %s does not answer\n", productId, entry.path.c_str());
            continue;
        }
        std::fputs(WithTerminalLineEnds(report).c_str(), stdout);
        ++reported;
    }
    protocol.CloseUnit();
    SetMessageBoxes(nullptr);
    if (reported == 0) {
        std::fprintf(stderr, "vk550ctl: no unit answers\n");
        return 1;
    }
    return 0;
}

const CommandRegistration registration({"report", "report", "print the unit report of each attached unit", RunReport});

}  // namespace
}  // namespace vk::ctl
