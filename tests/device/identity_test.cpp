// Unit identification: the identity read at selection, identifier, serial number,
// interface board, PIC versions, hardware configuration and the unit report.
#include "tests/device/IdentifiedUnitBed.h"

#include "platform/ui/MessageBox.h"

#include <algorithm>
#include <functional>
#include <optional>
#include <string>

namespace vk::test {
namespace {

class Identity : public IdentifiedUnitBed {
protected:
    std::vector<uint16_t> Codes() const { return unit->LoggedCodes(); }
    void Silence(std::optional<uint16_t> onlyFor = std::nullopt)
    {
        SimFaults faults;
        faults.onlyFor = onlyFor;
        faults.silent = true;
        unit->SetFaults(faults);
    }
};

TEST_F(Identity, ReadAtSelection)
{
    struct Case {
        const char* what;
        uint16_t productId;
        uint16_t codeAnswer;
        uint16_t softwareAnswer;
        uint16_t protocolAnswer;
        std::optional<uint16_t> silentFor;
        std::string name;
        int productCode;
        int software;
        std::string softwareText;
        int protocol;
        bool asksProtocol;
        uint16_t levelBase;
    };
    const Case cases[] = {
        {"5.2 renames a 32 kHz unit", 0x1C, 0x9417, 0xA052, 0xA416, {}, "Dravena", 0x17, 5002, "5.2", 22, true, 0x603F},
        {"4.9 keeps the 32 kHz name", 0x1C, 0x9417, 0xA049, 0xA416, {}, "VK550_32kHZ", 0x17, 4009, "4.9", 22, true, 0x603F},
        {"3.0 is protocol 6 without asking", 0x117, 0x9417, 0xA030, 0xA416, {}, "Dravena-Stand Alone", 0x17, 3000, "3.0", 6, false, 0x603F},
        {"3.1 asks", 0x117, 0x9417, 0xA031, 0xA40B, {}, "Dravena-Stand Alone", 0x17, 3001, "3.1", 11, true, 0x603F},
        {"product code 0x3FF asks on old firmware", 0x17, 0x97FF, 0xA021, 0xA40D, {}, "VK550", 0x3FF, 2001, "2.1", 13, true, 0x603F},
        {"bit 10 clear: five bits of product code", 0x17, 0x90F7, 0xA021, 0xA416, {}, "VK550", 0x17, 2001, "2.1", 6, false, 0x603F},
        {"below 2.0 there is no protocol", 0x217, 0x9417, 0xA019, 0xA416, {}, "Dravena-Master", 0x17, 1009, "1.9", 0, false, 0x603F},
        {"protocol 9 moves the level commands", 0x317, 0x9417, 0xA040, 0xA409, {}, "Dravena-Slave", 0x17, 4000, "4.0", 9, true, 0x607F},
        {"no version answer", 0x1017, 0x9417, 0xA072, 0xA416, 0xA000, "HX 250/650", 0x17, 0, "", 0, false, 0x603F},
        {"no protocol answer", 0x117, 0x9417, 0xA072, 0xA416, 0xA400, "Dravena-Stand Alone", 0x17, 7002, "7.2", 0, true, 0x603F},
    };
    for (const Case& c : cases) {
        SimUnitState state = NewUnitState();
        state.productId = c.productId;
        state.productCodeAnswer = c.codeAnswer;
        state.softwareVersionAnswer = c.softwareAnswer;
        state.protocolVersionAnswer = c.protocolAnswer;
        unit = std::make_shared<CSimUnit>(state);
        if (c.silentFor)
            Silence(c.silentFor);
        const std::string path = bus.Plug(unit);
        EXPECT_TRUE(protocol.OpenUnit(kFamilyFilter, true)) << c.what;
        EXPECT_EQ(protocol.GetProductId(), c.productId) << c.what;
        EXPECT_EQ(protocol.GetProductName(), c.name) << c.what;
        EXPECT_EQ(protocol.GetProductCode(), c.productCode) << c.what;
        EXPECT_EQ(protocol.GetSoftwareVersion(), c.software) << c.what;
        EXPECT_EQ(protocol.GetSoftwareVersionText(), c.softwareText) << c.what;
        EXPECT_EQ(protocol.GetProtocolVersion(), c.protocol) << c.what;
        EXPECT_EQ(protocol.GetLevelCommandBase(), c.levelBase) << c.what;
        std::vector<uint16_t> expected = {0x9000, 0xA000};
        if (c.asksProtocol)
            expected.push_back(0xA400);
        if (c.silentFor)  // a silent command goes out twice
            expected.insert(std::find(expected.begin(), expected.end(), *c.silentFor), *c.silentFor);
        EXPECT_EQ(Codes(), expected) << c.what;
        bus.Unplug(unit);
    }
}

TEST_F(Identity, WithoutTheFlagOrAfterClosingOnlyTheLevelBaseStays)
{
    SimUnitState state = NewUnitState();
    state.protocolVersionAnswer = 0xA409;
    OpenIdentified(state);
    ASSERT_EQ(protocol.GetLevelCommandBase(), 0x607F);

    protocol.CloseUnit();
    EXPECT_EQ(protocol.GetProductId(), 0);
    EXPECT_EQ(protocol.GetProductName(), "");
    EXPECT_EQ(protocol.GetSoftwareVersion(), 0);
    EXPECT_EQ(protocol.GetProtocolVersion(), 0);
    EXPECT_EQ(protocol.GetLevelCommandBase(), 0x607F);

    EXPECT_TRUE(protocol.OpenUnit(kFamilyFilter, false));
    EXPECT_EQ(protocol.GetProductName(), "Dravena-Stand Alone");
    EXPECT_EQ(protocol.GetProductCode(), 0);
    EXPECT_EQ(protocol.GetSoftwareVersionText(), "");
    EXPECT_TRUE(Codes().empty());
}

TEST_F(Identity, UnitIdentifierTexts)
{
    const std::vector<uint16_t> nibbles = {0xB370, 0xB360, 0xB350, 0xB340, 0xB330, 0xB320, 0xB310, 0xB300};
    auto with = [](std::vector<uint16_t> head, const std::vector<uint16_t>& tail) {
        head.insert(head.end(), tail.begin(), tail.end());
        return head;
    };
    struct Case {
        const char* what;
        uint16_t softwareAnswer;
        uint16_t protocolAnswer;
        uint32_t identifier;
        std::string text;
        std::vector<uint16_t> codes;
    };
    const Case cases[] = {
        {"bit 20 adds F", 0xA072, 0xA416, 0x24B0C2D5, "1-02-05-012-0725 F", {0xB600, 0xF005}},
        {"without bit 20", 0xA072, 0xA416, 0x24A0C2D5, "1-02-05-012-0725", {0xB600, 0xF005}},
        {"not supported", 0xA072, 0xA416, 0xFFFFFFFE, "Not Supported", {0xB600, 0xF005}},
        {"blank board", 0xA072, 0xA416, 0xFFFFFFFF, "New Board", {0xB600, 0xF005}},
        {"protocol 19 checks the jumper first", 0xA072, 0xA413, 0x24B0C2D5, "1-02-05-012-0725 F", {0x36FF, 0xB600, 0xF005}},
        {"protocol 6 reads nibbles", 0xA030, 0xA416, 0x24B0C2D5, "1-02-05-012-0725 F", with({0x36FF, 0xB600}, nibbles)},
    };
    for (const Case& c : cases) {
        SimUnitState state = NewUnitState();
        state.softwareVersionAnswer = c.softwareAnswer;
        state.protocolVersionAnswer = c.protocolAnswer;
        state.unitIdentifier = c.identifier;
        OpenIdentified(state);
        EXPECT_EQ(protocol.GetUnitIdText(), c.text) << c.what;
        EXPECT_EQ(Codes(), c.codes) << c.what;
        bus.Unplug(unit);
    }
}

// Long commands need an answer of 8 bytes after the report id. A unit whose
// input reports hold the id and 7 bytes has its identifier read by the short
// commands and is refused parameter pages before anything goes out; the id and
// 8 bytes are enough for both.
TEST_F(Identity, LongCommandsNeedEightBytesAfterTheReportId)
{
    std::vector<uint16_t> nibbles = {0xB600};
    for (uint16_t n = 0xB370; n >= 0xB300; n = static_cast<uint16_t>(n - 0x10))
        nibbles.push_back(n);
    struct Case {
        uint16_t inputReportLength;
        std::vector<uint16_t> identifierCodes;
        int parameterRead;
        size_t parameterFrames;
    };
    const Case cases[] = {{8, nibbles, -1, 0}, {9, {0xB600, 0xF005}, 0xF00D, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.inputReportLength);
        unit = std::make_shared<CSimUnit>(NewUnitState());
        unit->SetInputReportLength(c.inputReportLength);
        (void)bus.Plug(unit);
        ASSERT_TRUE(protocol.OpenUnit(kFamilyFilter, true));
        unit->ClearLog();
        EXPECT_EQ(protocol.GetUnitIdText(), "1-02-05-012-0725 F");
        EXPECT_EQ(Codes(), c.identifierCodes);
        unit->ClearLog();
        uint16_t value = 0;
        EXPECT_EQ(protocol.GetParameter(0, 10, value), c.parameterRead);
        EXPECT_EQ(Frames().size(), c.parameterFrames);
        bus.Unplug(unit);
    }
}

TEST_F(Identity, UnitIdentifierIsCachedOnlyWhenRead)
{
    OpenIdentified(NewUnitState());
    EXPECT_EQ(protocol.GetUnitIdText(), "1-02-05-012-0725 F");
    unit->ClearLog();
    EXPECT_EQ(protocol.GetUnitIdText(), "1-02-05-012-0725 F");
    EXPECT_TRUE(Codes().empty());

    // A protected unit of protocol 19 reports 0x00010000: the read is blocked.
    SimUnitState state = NewUnitState();
    state.protocolVersionAnswer = 0xA413;
    state.protectionJumper = true;
    bus.Unplug(unit);
    OpenIdentified(state);
    EXPECT_EQ(protocol.GetUnitIdText(), "New Board");
    EXPECT_EQ(Codes(), (std::vector<uint16_t>{0x36FF, 0xB600, 0xF005}));
    State([](SimUnitState& s) { s.protectionJumper = false; });
    EXPECT_EQ(protocol.GetUnitIdText(), "1-02-05-012-0725 F") << "tried again";

    bus.Unplug(unit);
    OpenIdentified(NewUnitState());
    Silence();
    EXPECT_EQ(protocol.GetUnitIdText(), "New Board");
}

TEST_F(Identity, SerialNumberFromChunks)
{
    struct Case {
        const char* what;
        std::string stored;
        uint16_t protocolAnswer;
        std::string serial;
        size_t commands;
    };
    const Case cases[] = {
        {"ends at the first 0", "VK5500001234", 0xA416, "VK5500001234", 4},
        {"0xFF is skipped", std::string("AB\xFF\xFF") + "C", 0xA416, "ABC", 2},
        {"at most 20 characters", "ABCDEFGHIJKLMNOPQRSTUVW", 0xA416, "ABCDEFGHIJKLMNOPQRST", 5},
        {"protocol 21 has none", "VK5500001234", 0xA415, "", 0},
    };
    for (const Case& c : cases) {
        SimUnitState state = NewUnitState();
        state.serialNumber = c.stored;
        state.protocolVersionAnswer = c.protocolAnswer;
        OpenIdentified(state);
        EXPECT_EQ(protocol.GetSerialNumber(), c.serial) << c.what;
        EXPECT_EQ(Codes().size(), c.commands) << c.what;
        bus.Unplug(unit);
    }
    OpenIdentified(NewUnitState());
    SimFaults faults;
    faults.onlyFor = 0xF01A;
    faults.passFirst = 1;
    faults.silent = true;
    unit->SetFaults(faults);
    EXPECT_EQ(protocol.GetSerialNumber(), "Read Error");
}

TEST_F(Identity, InterfaceBoardDetection)
{
    const std::string board = "VK563-L - PSTN Line Analog Interface";
    const std::vector<uint16_t> sequence = {0x2080, 0x2180};
    struct Case {
        const char* what;
        uint16_t softwareAnswer;
        SimInterfaceBoard state;
        std::string name;
        std::vector<uint16_t> codes;
        uint64_t waitedMs;
    };
    const Case cases[] = {
        {"active line", 0xA072, SimInterfaceBoard::LineActive, board, {0x41FF}, 0},
        {"parked line is switched on", 0xA072, SimInterfaceBoard::LineParked, board,
         {0x41FF, 0x2080, 0x2180, 0x41FF, 0x2080, 0x2180}, 400},
        {"no board", 0xA072, SimInterfaceBoard::None, "", {0x41FF, 0x2080, 0x2180, 0x41FF}, 200},
        {"older firmware reads 0x40FF", 0xA049, SimInterfaceBoard::LineActive, board, {0x40FF}, 0},
        {"2.0 does not look", 0xA020, SimInterfaceBoard::LineActive, "", {}, 0},
    };
    for (const Case& c : cases) {
        SimUnitState state = NewUnitState();
        state.softwareVersionAnswer = c.softwareAnswer;
        state.interfaceBoard = c.state;
        OpenIdentified(state);
        const uint64_t start = clock.NowMs();
        EXPECT_EQ(protocol.GetInterfaceBoardName(), c.name) << c.what;
        EXPECT_EQ(Codes(), c.codes) << c.what;
        EXPECT_EQ(clock.NowMs() - start, c.waitedMs) << c.what;
        // A found board is kept; an empty name is looked for again.
        unit->ClearLog();
        EXPECT_EQ(protocol.GetInterfaceBoardName(), c.name) << c.what;
        EXPECT_EQ(Codes().empty(), !c.name.empty() || c.codes.empty()) << c.what;
        bus.Unplug(unit);
    }
}

TEST_F(Identity, PicVersions)
{
    struct Case {
        const char* what;
        uint16_t softwareAnswer;
        uint16_t protocolAnswer;
        int pic;
        SimPicVersion version;
        bool hasInterfacePic;
        bool ok;
        int identifier, major, minor;
        std::vector<SimBlock> frames;
    };
    const SimBlock main4{0xF0, 0x11, 0x19, 4, 0, 0, 0, 0}, main1{0xF0, 0x11, 0x19, 1, 0, 0, 0, 0};
    const SimBlock iface4{0xF0, 0x21, 0x19, 4, 0, 0, 0, 0}, iface1{0xF0, 0x21, 0x19, 1, 0, 0, 0, 0};
    const Case cases[] = {
        {"selector 4 answered", 0xA072, 0xA416, 1, {9, 3, 1, true}, true, true, 9, 3, 1, {main4}},
        {"selector 4 unknown: repeated with 1", 0xA071, 0xA416, 1, {9, 2, 7, false}, true, true, 4, 2, 7, {main4, main1}},
        {"interface, selector 4 unknown", 0xA071, 0xA416, 2, {9, 2, 7, false}, true, true, 5, 2, 7, {iface4, iface1}},
        {"before 7.0: selector 1, identifier 3", 0xA060, 0xA416, 1, {9, 1, 5, true}, true, true, 3, 1, 5, {main1}},
        {"before 5.0: none", 0xA049, 0xA416, 1, {9, 1, 5, true}, true, false, -1, 0, 0, {}},
        {"interface below protocol 20: none", 0xA072, 0xA413, 2, {9, 1, 5, true}, true, false, -1, 0, 0, {}},
        {"no interface controller", 0xA072, 0xA416, 2, {9, 1, 5, true}, false, false, -1, 0, 0, {iface4}},
    };
    for (const Case& c : cases) {
        SimUnitState state = NewUnitState();
        state.softwareVersionAnswer = c.softwareAnswer;
        state.protocolVersionAnswer = c.protocolAnswer;
        state.mainPic = state.interfacePic = c.version;
        state.hasInterfacePic = c.hasInterfacePic;
        OpenIdentified(state);
        int identifier = 99, major = 99, minor = 99;
        EXPECT_EQ(protocol.GetPicVersion(c.pic, identifier, major, minor), c.ok) << c.what;
        EXPECT_EQ(identifier, c.identifier) << c.what;
        EXPECT_EQ(major, c.major) << c.what;
        EXPECT_EQ(minor, c.minor) << c.what;
        EXPECT_EQ(Frames(), c.frames) << c.what;
        bus.Unplug(unit);
    }
}

TEST_F(Identity, HardwareConfigurationDecoded)
{
    struct Case {
        const char* what;
        std::array<uint8_t, 6> bytes;
        int dspCode;
        std::string dspName;
        int clock, memory, codecs, switches;
        std::array<uint8_t, 4> version;
    };
    const Case cases[] = {
        {"5509 at 192 MHz", {0x16, 0x0D, 0, 1, 0, 0}, 5509, "TMS320VC5509", 192, 1, 2, 3, {0, 1, 0, 0}},
        {"6746, clock code 3 keeps 108", {0x0F, 0x00, 1, 2, 3, 4}, 6746, "TMS320C6746", 108, 0, 1, 0, {1, 2, 3, 4}},
        {"5506 at 375 MHz", {0x28, 0x1F, 0, 0, 0, 0}, 5506, "TMS320VC5506", 375, 2, 4, 7, {0, 0, 0, 0}},
        {"no configuration: defaults", {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}, 0, "", 108, 0, 0, 15, {0, 0, 0, 0}},
    };
    for (const Case& c : cases) {
        SimUnitState state = NewUnitState();
        state.hardwareConfig = c.bytes;
        OpenIdentified(state);
        HardwareConfig config;
        EXPECT_TRUE(protocol.ReadHardwareConfig(config)) << c.what;
        EXPECT_EQ(config.nDspCode, c.dspCode) << c.what;
        EXPECT_EQ(config.strDspName, c.dspName) << c.what;
        EXPECT_EQ(config.nDspClockMHz, c.clock) << c.what;
        EXPECT_EQ(config.nMemoryType, c.memory) << c.what;
        EXPECT_EQ(config.nCodecs, c.codecs) << c.what;
        EXPECT_EQ(config.nSwitches, c.switches) << c.what;
        EXPECT_EQ(config.hardwareVersion, c.version) << c.what;
        EXPECT_EQ(Codes(), (std::vector<uint16_t>{0x0555, 0xB600, 0xF003})) << c.what;
        bus.Unplug(unit);
    }

    SimUnitState old = NewUnitState();
    old.protocolVersionAnswer = 0xA40A;  // 10
    OpenIdentified(old);
    HardwareConfig config;
    config.nSwitches = 3;
    EXPECT_FALSE(protocol.ReadHardwareConfig(config));
    EXPECT_EQ(config.nSwitches, 15) << "the record holds its defaults";
}

// The user is asked to remove the protection jumper while it blocks the read.
class JumperBox final : public IMessageBox {
public:
    std::vector<int> answers;
    std::function<void(int shown)> onShow;
    std::vector<CScriptedMessageBox::Asked> asked;

    int Show(IWindowOwner*, const std::string& text, const std::string& caption, unsigned type) override
    {
        asked.push_back({text, caption, type});
        if (onShow)
            onShow(static_cast<int>(asked.size()));
        return asked.size() <= answers.size() ? answers[asked.size() - 1] : IDOK;
    }
};

TEST_F(Identity, ProtectionJumperIsAskedForAtMostFiveTimes)
{
    struct Case {
        const char* what;
        std::vector<int> answers;
        int removedAtBox;  // 0: never
        bool ok;
        size_t boxes;
    };
    const Case cases[] = {
        {"cancel", {IDCANCEL}, 0, false, 1},
        {"removed while the second box shows", {IDOK, IDOK}, 2, true, 2},
        {"five times OK, never removed", {IDOK, IDOK, IDOK, IDOK, IDOK, IDOK}, 0, false, 5},
        {"removed at the fifth box: still over", {IDOK, IDOK, IDOK, IDOK, IDOK}, 5, false, 5},
    };
    for (const Case& c : cases) {
        SimUnitState state = NewUnitState();
        state.protocolVersionAnswer = 0xA413;  // 19
        state.protectionJumper = true;
        OpenIdentified(state);
        JumperBox box;
        box.answers = c.answers;
        box.onShow = [&](int shown) {
            if (shown == c.removedAtBox)
                State([](SimUnitState& s) { s.protectionJumper = false; });
        };
        SetMessageBoxes(&box);
        HardwareConfig config;
        EXPECT_EQ(protocol.ReadHardwareConfig(config), c.ok) << c.what;
        SetMessageBoxes(nullptr);
        ASSERT_EQ(box.asked.size(), c.boxes) << c.what;
        EXPECT_EQ(box.asked[0].text, "You should remove protection jumper J5 for reading the hardware configuration.   ");
        EXPECT_EQ(box.asked[0].caption, "Reading Configuration");
        EXPECT_EQ(box.asked[0].type, MB_OKCANCEL | MB_ICONWARNING);
        if (c.ok) {
            EXPECT_EQ(config.strDspName, "TMS320VC5509") << c.what;
        }
        bus.Unplug(unit);
    }
}

TEST_F(Identity, ReportOfAnOldUnit)
{
    OpenIdentified(OldUnitState());
    EXPECT_EQ(protocol.GetUnitReport(),
              "Connected to VK550"
              "\r\nUnit ID\t\t: 1-02-05-012-0725"
              "\r\n\r\nProduct Type\t\t: 23"
              "\r\nSoftware Version\t\t: 2.1"
              "\r\nProtocol Version\t\t: 6"
              "\r\n\r\n");
}

TEST_F(Identity, ReportOfANewUnit)
{
    SimUnitState state = NewUnitState();
    state.interfaceBoard = SimInterfaceBoard::LineActive;
    state.mainPic = {1, 3, 2};
    state.interfacePic = {5, 1, 4};
    state.hardwareConfig = {0x16, 0x0D, 0, 1, 0, 0};
    state.SetText(0, 12, "Hall B, left rack");
    OpenIdentified(state);
    EXPECT_EQ(protocol.GetUnitReport(),
              "Connected to Dravena-Stand Alone"
              "\n\rInterface type\t: VK563-L - PSTN Line Analog Interface"
              "\r\nS/N\t\t: VK5500001234"
              "\r\nUnit ID\t\t: 1-02-05-012-0725 F"
              "\r\n\r\nDSP TYPE \t\t: TMS320VC5509"
              "\r\nDSP Clock \t\t: 192 MHz"
              "\r\nMemory Type \t\t: SPI"
              "\r\nNumber of CODECs \t: 2"
              "\r\nNumber of Switchs \t: 3"
              "\r\nHardware Version \t\t: 1"
              "\r\n\r\nProduct Type\t\t: 23"
              "\r\nSoftware Version\t\t: 7.2"
              "\r\nProtocol Version\t\t: 22"
              "\r\n\r\nHall B, left rack"
              "\r\n\r\nMain PIC Software\t\t: ID-1, Version-3.2"
              "\r\nInterface PIC Software\t: ID-5, Version-1.4"
              "\r\n\r\n");
}

TEST_F(Identity, ReportOfAUnitThatGoesAwayHalfWay)
{
    OpenIdentified(NewUnitState());
    bus.Unplug(unit);
    EXPECT_EQ(protocol.GetUnitReport(), "") << "no presence: no report";

    // This unit leaves the bus while the interface line is being switched.
    SimUnitState state = NewUnitState();
    state.interfaceBoard = SimInterfaceBoard::LineParked;
    OpenIdentified(state);
    unit->SetResetTiming({150, std::nullopt});
    const SimReport reset{0, 0x06, 0x66, 0, 0, 0, 0, 0, 0};
    unit->Receive(reset);
    const uint64_t start = clock.NowMs();
    EXPECT_EQ(protocol.GetUnitReport(),
              "Connected to Dravena-Stand Alone"
              "\r\nS/N\t\t: Read Error"
              "\r\nUnit ID\t\t: New Board"
              "\r\n\r\nProduct Type\t\t: 23"
              "\r\nSoftware Version\t\t: 7.2"
              "\r\nProtocol Version\t\t: 22"
              "\r\n\r\n");
    // Six silent commands of two time-outs each, and the two line-switching waits.
    EXPECT_LE(clock.NowMs() - start, 6u * 2000u + 200u);
    EXPECT_FALSE(protocol.IsOpen());
}

}  // namespace
}  // namespace vk::test
