// The commissioning record: texts from the unit cannot break the page or the
// file name, and the echo block appears only when an echo test ran.
#include <gtest/gtest.h>

#include "commission/CommissioningRecord.h"

namespace vk::commission {
namespace {

TEST(CommissioningRecord, UnitTextsAreEscapedAndEchoFiguresShownWhenKnown)
{
    CommissioningRecord record;
    record.holds.identity.serialNumber = "<b>&\"x";
    record.result = "applied";
    record.date = {2026, 12, 3, 10, 9, 8, 7, 0};
    const std::string page = CommissioningRecordHtml(record);
    EXPECT_NE(page.find("<td>&lt;b&gt;&amp;&quot;x</td>"), std::string::npos);
    EXPECT_EQ(page.find("<b>&"), std::string::npos);
    EXPECT_NE(page.find("<td>2026-12-10 09:08</td>"), std::string::npos);
    EXPECT_EQ(page.find("Echo reduction"), std::string::npos);

    record.echo = EchoFigures{32.4, -40.2};
    const std::string withEcho = CommissioningRecordHtml(record);
    EXPECT_NE(withEcho.find("<th>Echo reduction</th><td>32.4 dB</td>"), std::string::npos);
    EXPECT_NE(withEcho.find("<th>Residual echo</th><td>-40.2 dB</td>"), std::string::npos);
}

TEST(CommissioningRecord, FileNamesStayInTheirFolder)
{
    struct Case {
        std::string serial;
        int productId;
        std::string name;
    };
    const Case cases[] = {
        {"VK5500001234", 0x217, "VK5500001234.html"},
        {"../etc/x", 0x217, "_._etc_x.html"},
        {"", 0x117, "unit-0x0117.html"},
    };
    for (const Case& c : cases) {
        UnitIdentity id;
        id.serialNumber = c.serial;
        id.productId = c.productId;
        EXPECT_EQ(CommissioningRecordFileName(id), c.name) << c.serial;
    }
}

}  // namespace
}  // namespace vk::commission
