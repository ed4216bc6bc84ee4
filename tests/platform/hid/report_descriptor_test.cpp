#include "platform/hid/ReportDescriptor.h"

#include <gtest/gtest.h>

#include <vector>

namespace vk {
namespace {

using Bytes = std::vector<uint8_t>;

// The unit's command interface: vendor page 0xFF00, 8-byte input and output
// reports, no report ids.
const Bytes kVendorCommand = {
    0x06, 0x00, 0xFF,  // Usage Page (0xFF00)
    0x09, 0x01,        // Usage (1)
    0xA1, 0x01,        // Collection (Application)
    0x09, 0x01,        //   Usage (1)
    0x15, 0x00,        //   Logical Minimum (0)
    0x26, 0xFF, 0x00,  //   Logical Maximum (255)
    0x75, 0x08,        //   Report Size (8)
    0x95, 0x08,        //   Report Count (8)
    0x81, 0x02,        //   Input (Data,Var,Abs)
    0x09, 0x01,        //   Usage (1)
    0x91, 0x02,        //   Output (Data,Var,Abs)
    0xC0,              // End Collection
};

// The boot keyboard: modifier bits, a padding byte, LED bits and a key array.
const Bytes kBootKeyboard = {
    0x05, 0x01, 0x09, 0x06, 0xA1, 0x01,              // Generic Desktop, Keyboard, Collection
    0x05, 0x07, 0x19, 0xE0, 0x29, 0xE7, 0x15, 0x00,  // Key codes E0..E7
    0x25, 0x01, 0x75, 0x01, 0x95, 0x08, 0x81, 0x02,  // 8 x 1 bit, Input (Data,Var)
    0x95, 0x01, 0x75, 0x08, 0x81, 0x01,              // 1 x 8 bits, Input (Const)
    0x95, 0x05, 0x75, 0x01, 0x05, 0x08, 0x19, 0x01,  // LEDs 1..5
    0x29, 0x05, 0x91, 0x02,                          // Output (Data,Var)
    0x95, 0x01, 0x75, 0x03, 0x91, 0x01,              // Output padding
    0x95, 0x06, 0x75, 0x08, 0x15, 0x00, 0x25, 0x65,  // 6 x 8 bits
    0x05, 0x07, 0x19, 0x00, 0x29, 0x65, 0x81, 0x00,  // Input (Data,Array)
    0xC0,
};

// Two numbered reports of different sizes plus a feature report.
const Bytes kNumberedReports = {
    0x06, 0x00, 0xFF, 0x09, 0x02, 0xA1, 0x01,
    0x85, 0x01, 0x75, 0x08, 0x95, 0x03, 0x09, 0x01, 0x81, 0x02,  // id 1: 3 input bytes
    0x85, 0x02, 0x95, 0x10, 0x09, 0x01, 0x81, 0x02,              // id 2: 16 input bytes
    0x85, 0x03, 0x95, 0x04, 0x09, 0x01, 0xB1, 0x02,              // id 3: 4 feature bytes
    0xC0,
};

TEST(ReportDescriptor, ComputesCapabilitiesAsWindowsDoes)
{
    struct Case {
        const char* name;
        const Bytes* descriptor;
        uint16_t usagePage, usage, input, output, feature;
        bool numbered;
    };
    const Case cases[] = {
        {"vendor command interface", &kVendorCommand, 0xFF00, 0x01, 9, 9, 0, false},
        {"boot keyboard", &kBootKeyboard, 0x01, 0x06, 9, 2, 0, false},
        {"numbered reports", &kNumberedReports, 0xFF00, 0x02, 17, 0, 5, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto r = ParseReportDescriptor(*c.descriptor);
        ASSERT_TRUE(r.ok) << r.error;
        EXPECT_EQ(r.caps.usagePage, c.usagePage);
        EXPECT_EQ(r.caps.usage, c.usage);
        EXPECT_EQ(r.caps.inputReportByteLength, c.input);
        EXPECT_EQ(r.caps.outputReportByteLength, c.output);
        EXPECT_EQ(r.caps.featureReportByteLength, c.feature);
        EXPECT_EQ(r.numberedReports, c.numbered);
    }
}

// A keyboard and the unit's command collection in one descriptor: each
// collection has its own usage, report lengths and buttons.
TEST(ReportDescriptor, EachTopLevelCollectionHasItsOwnCapabilities)
{
    Bytes both = kBootKeyboard;
    both.insert(both.end(), kVendorCommand.begin(), kVendorCommand.end());
    const auto r = ParseReportDescriptor(both);
    ASSERT_TRUE(r.ok) << r.error;
    ASSERT_EQ(r.collections.size(), 2u);
    EXPECT_EQ(r.collections[0].usagePage, 0x01);
    EXPECT_EQ(r.collections[0].usage, 0x06);
    EXPECT_GT(r.collections[0].numberInputButtonCaps, 0);
    EXPECT_EQ(r.collections[1].usagePage, 0xFF00);
    EXPECT_EQ(r.collections[1].usage, 0x01);
    EXPECT_EQ(r.collections[1].numberInputButtonCaps, 0);
    EXPECT_EQ(r.collections[1].inputReportByteLength, 9);
    EXPECT_EQ(r.collections[1].outputReportByteLength, 9);
    EXPECT_EQ(r.collections[1].featureReportByteLength, 0);
    // The node as a whole still sums its buttons, as before.
    EXPECT_EQ(r.caps.numberInputButtonCaps, r.collections[0].numberInputButtonCaps);
    EXPECT_EQ(ParseReportDescriptor(kVendorCommand).collections.size(), 1u);
}

TEST(ReportDescriptor, CountsInputButtonsOnlyForOneBitVariablesAndArrays)
{
    EXPECT_EQ(ParseReportDescriptor(kVendorCommand).caps.numberInputButtonCaps, 0);
    // Modifier range and key array; the constant padding and the LED outputs are no input buttons.
    EXPECT_EQ(ParseReportDescriptor(kBootKeyboard).caps.numberInputButtonCaps, 2);
}

TEST(ReportDescriptor, PushAndPopRestoreTheGlobalState)
{
    const Bytes d = {
        0x06, 0x00, 0xFF, 0x09, 0x01, 0xA1, 0x01,
        0x75, 0x08, 0x95, 0x08,  // 8 x 8 bits
        0xA4,                    // Push
        0x95, 0x20,              //   32 x 8 bits
        0xB4,                    // Pop: back to 8 x 8 bits
        0x09, 0x01, 0x81, 0x02, 0xC0,
    };
    const auto r = ParseReportDescriptor(d);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.caps.inputReportByteLength, 9);
}

TEST(ReportDescriptor, RefusesMalformedDescriptorsWithAReason)
{
    struct Case {
        const char* name;
        Bytes descriptor;
        const char* reason;
    };
    const Case cases[] = {
        {"empty", {}, "empty"},
        {"truncated two-byte item", {0x06, 0x00}, "truncated item at offset 0"},
        {"truncated four-byte item at the end", {0x09, 0x01, 0xA1, 0x01, 0xC0, 0x27, 0xFF, 0xFF}, "truncated item at offset 5"},
        {"long item", {0x09, 0x01, 0xA1, 0x01, 0xFE, 0x02, 0x10, 0xAA, 0xBB, 0xC0}, "long item at offset 4"},
        {"long item cut short", {0xFE, 0xFF}, "long item at offset 0"},
        {"collection left open", {0x09, 0x01, 0xA1, 0x01, 0xA1, 0x02, 0xC0}, "unbalanced collections: 1 left open"},
        {"end collection first", {0xC0, 0x09, 0x01, 0xA1, 0x01}, "End Collection without Collection at offset 0"},
        {"no collection", {0x75, 0x08, 0x95, 0x08, 0x81, 0x02}, "no top-level collection"},
        {"pop without push", {0x09, 0x01, 0xA1, 0x01, 0xB4, 0xC0}, "Pop without Push"},
        {"report id zero", {0x09, 0x01, 0xA1, 0x01, 0x85, 0x00, 0xC0}, "report id 0"},
        {"ids mixed with unnumbered reports",
         {0x09, 0x01, 0xA1, 0x01, 0x75, 0x08, 0x95, 0x01, 0x81, 0x02, 0x85, 0x01, 0x81, 0x02, 0xC0},
         "both with and without"},
        {"report too long", {0x09, 0x01, 0xA1, 0x01, 0x77, 0xFF, 0xFF, 0xFF, 0xFF, 0x97, 0xFF, 0xFF, 0xFF, 0xFF, 0x81, 0x02, 0xC0},
         "longer than"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto r = ParseReportDescriptor(c.descriptor);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.error.find(c.reason), std::string::npos) << r.error;
    }
}

TEST(ReportDescriptor, NeverReadsPastAnyPrefixOfAValidDescriptor)
{
    // Every cut of a valid descriptor gets an answer; under ASan a stray read would abort.
    for (const Bytes* full : {&kVendorCommand, &kBootKeyboard, &kNumberedReports})
        for (size_t n = 0; n < full->size(); ++n) {
            const Bytes cut(full->begin(), full->begin() + static_cast<std::ptrdiff_t>(n));
            const auto r = ParseReportDescriptor(cut);
            EXPECT_FALSE(r.ok) << "prefix of " << n << " bytes was accepted";
        }
}

}  // namespace
}  // namespace vk
