// The commissioning record: texts from the unit cannot break the page or the
// file name, rows appear only with what they tell (echo figures, the file
// applied, the program, a failed step, a simulated unit), settings in words.
#include <gtest/gtest.h>

#include "commission/CommissioningRecord.h"
#include "device/UnitTypes.h"

#include <string>
#include <vector>

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

// What only some records know (the file applied, the program, a failed step, a
// simulated unit) shows only in those; the simulated mark is in the title too, so
// it survives printing the page alone.
TEST(CommissioningRecord, SaysWhatItKnowsAndOnlyThat)
{
    struct Case {
        const char* name;
        void (*set)(CommissioningRecord&);
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {"file applied", [](CommissioningRecord& r) { r.appliedFile = "/rooms/<12>.toml"; },
         {"<tr><th>Configuration file</th><td>/rooms/&lt;12&gt;.toml</td></tr>"}},
        {"program", [](CommissioningRecord& r) { r.programVersion = "vk550ctl 1.2.3.4"; },
         {"<tr><th>Program</th><td>vk550ctl 1.2.3.4</td></tr>"}},
        {"failed step", [](CommissioningRecord& r) { r.failedStep = "level register 1"; },
         {"<tr><th>Failed step</th><td class=\"bad\">level register 1</td></tr>"}},
        {"simulated", [](CommissioningRecord& r) { r.simulated = true; },
         {"<title>Commissioning record VK1 (simulated unit)</title>", "<h1>Commissioning record (simulated unit)</h1>",
          "no real unit was configured"}},
    };
    CommissioningRecord plain;
    plain.holds.identity.serialNumber = "VK1";
    const std::string plainPage = CommissioningRecordHtml(plain);
    for (const Case& c : cases) {
        CommissioningRecord record = plain;
        c.set(record);
        const std::string page = CommissioningRecordHtml(record);
        for (const std::string& row : c.rows) {
            EXPECT_NE(page.find(row), std::string::npos) << c.name << ": " << row;
            EXPECT_EQ(plainPage.find(row), std::string::npos) << c.name << ": " << row;
        }
    }
    EXPECT_EQ(plainPage.find("simulated"), std::string::npos);
}

// Settings in words: types, input types, phantom supply and the levels by name.
TEST(CommissioningRecord, NamesTheSettingsAsATechnicianKnowsThem)
{
    CommissioningRecord record;
    record.holds.type = kUnitMaster;
    record.holds.channels[0].mode = *ModeForInputName("microphone");
    record.holds.SetPhantom(0, *PhantomForName("24V"));
    record.holds.SetLevel(1, 20);
    record.holds.SetLevel(4, 7);
    const std::string page = CommissioningRecordHtml(record);
    for (const char* text : {"<tr><th>Type</th><td>MASTER</td></tr>", "<tr><td>1</td><td>microphone</td>",
                             "dB</td><td>24V</td>", "<tr><th>Speaker level (register 1)</th><td>20</td></tr>",
                             "<tr><th>Monitor level (register 4)</th><td>7</td></tr>"})
        EXPECT_NE(page.find(text), std::string::npos) << text;
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
