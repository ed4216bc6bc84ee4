// Unit identification: product name, product code, software and protocol
// versions read after selection; on request the unit identifier, serial number,
// interface board, PIC versions, hardware configuration and the unit report.
#include "device/HIDProtocol.h"

#include "platform/clock/Clock.h"
#include "platform/ui/MessageBox.h"

#include <algorithm>
#include <cstdio>

namespace vk {
namespace {

// Short commands of the identification.
constexpr uint16_t kProductCode = 0x9000;
constexpr uint16_t kSoftwareVersion = 0xA000;
constexpr uint16_t kProtocolVersion = 0xA400;
constexpr uint16_t kBeforeIdentityRead = 0xB600;
constexpr uint16_t kIdentifierNibbles = 0xB300;  // + nibble number (7 = most significant) x 0x10
constexpr uint16_t kStatusWord = 0x36FF;         // bit 7: the protection jumper may block reads
constexpr uint16_t kInterfaceStatusOld = 0x40FF;  // bit 3 clear: line active (software before 5.0)
constexpr uint16_t kInterfaceStatus = 0x41FF;     // bit 1 clear: line active
constexpr uint16_t kLineSwitchOff = 0x2080;
constexpr uint16_t kLineSwitchOn = 0x2180;
// Long commands of the identification.
constexpr uint16_t kReadHardwareConfig = 0xF003;
constexpr uint16_t kReadUnitIdentifier = 0xF005;
constexpr uint16_t kMainPicRequest = 0xF011;
constexpr uint16_t kInterfacePicRequest = 0xF021;
constexpr uint16_t kReadSerialChunk = 0xF01A;

constexpr uint32_t kUnitIdUnread = 0xFFFFFFFF;
constexpr uint32_t kUnitIdNotSupported = 0xFFFFFFFE;
constexpr uint32_t kUnitIdProtected = 0x00010000;  // what a protected unit reports
constexpr int kMaxJumperPrompts = 5;
constexpr const char* kInterfaceBoard = "VK563-L - PSTN Line Analog Interface";

struct ProductNameEntry {
    int productId;
    const char* name;
};
constexpr ProductNameEntry kProductNames[] = {
    {0x17, "VK550"},
    {0x1C, "VK550_32kHZ"},
    {0x117, "Dravena-Stand Alone"},
    {0x217, "Dravena-Master"},
    {0x317, "Dravena-Slave"},
    {0x1017, "HX 250/650"},
};


std::string Format(const char* format, auto... values)
{
    char text[64];
    std::snprintf(text, sizeof text, format, values...);
    return text;
}

void DecodeHardwareConfig(const CommandBlock& answer, HardwareConfig& config)
{
    static constexpr struct {
        int code;
        const char* name;
    } kDsps[] = {{5506, "TMS320VC5506"}, {5507, "TMS320VC5507"}, {5509, "TMS320VC5509"}, {6746, "TMS320C6746"}};
    static constexpr int kClocks[] = {108, 192, 375};

    config.nDspCode = kDsps[answer[2] & 3].code;
    config.strDspName = kDsps[answer[2] & 3].name;
    if (const int clock = answer[2] >> 2 & 3; clock < 3)
        config.nDspClockMHz = kClocks[clock];
    config.nMemoryType = answer[2] >> 4 & 3;
    config.nCodecs = (answer[3] & 3) + 1;
    config.nSwitches = answer[3] >> 2 & 7;
    for (size_t i = 0; i < config.hardwareVersion.size(); ++i)
        config.hardwareVersion[i] = answer[4 + i];
}

const char* MemoryTypeText(int memoryType)
{
    static constexpr const char* kTexts[] = {"Paralel", "SPI", "SPI-16M", ""};
    return kTexts[memoryType & 3];
}

}  // namespace

std::string ProductNameForId(int productId)
{
    for (const auto& entry : kProductNames)
        if (entry.productId == productId)
            return entry.name;
    return {};
}

// --- identity after selection --------------------------------------------------

void CHIDProtocol::BeginIdentity()
{
    m_strProductName = ProductNameForId(m_nProductId);
    m_strInterfaceBoard.clear();
    m_dwUnitId = kUnitIdUnread;
    m_connectionSerial.reset();
}

void CHIDProtocol::ReadIdentity(bool readIdentity)
{
    m_nProductCode = 0;
    m_nSoftwareVersion = m_nSoftwareMajor = m_nSoftwareMinor = 0;
    m_strSoftwareVersion.clear();
    m_nProtocolVersion = 0;
    if (!readIdentity)
        return;

    if (const int code = SendShortCommand(kProductCode); code >= 0)
        m_nProductCode = (code & 0x400) ? (code & 0x3FF) : (code & 0x1F);

    if (const int version = SendShortCommand(kSoftwareVersion); version >= 0) {
        m_nSoftwareMajor = version >> 4 & 0x7F;
        m_nSoftwareMinor = version & 0xF;
        m_nSoftwareVersion = m_nSoftwareMajor * 1000 + m_nSoftwareMinor;
        m_strSoftwareVersion = Format("%d.%d", m_nSoftwareMajor, m_nSoftwareMinor);
        if (m_nProductId == 0x1C && m_nSoftwareVersion >= 5000)
            m_strProductName = "Dravena";
    }

    m_nProtocolVersion = m_nSoftwareVersion >= 2000 ? 6 : 0;
    if (m_nSoftwareVersion > 3000 || m_nProductCode == 0x3FF) {
        const int protocol = SendShortCommand(kProtocolVersion);
        m_nProtocolVersion = protocol < 0 ? 0 : (protocol & 0x3FF);
    }
    constexpr uint16_t kLevelBaseProtocol9 = 0x607F;
    constexpr uint16_t kLevelBase = 0x603F;
    m_wLevelCommandBase = m_nProtocolVersion == 9 ? kLevelBaseProtocol9 : kLevelBase;
}

void CHIDProtocol::ClearIdentity()
{
    m_nProductId = 0;
    m_strProductName.clear();
    m_nProductCode = 0;
    m_nSoftwareVersion = m_nSoftwareMajor = m_nSoftwareMinor = 0;
    m_strSoftwareVersion.clear();
    m_nProtocolVersion = 0;
    m_dwUnitId = kUnitIdUnread;
    m_strInterfaceBoard.clear();
    m_connectionSerial.reset();
}

bool CHIDProtocol::ReportsCarryEightBytes() const
{
    return m_readEntry.caps.inputReportByteLength >= 9;  // the report id and 8 data bytes
}

// --- unit identifier -----------------------------------------------------------

std::optional<uint32_t> CHIDProtocol::ReadRawUnitIdentifier()
{
    if (SendShortCommand(kBeforeIdentityRead) < 0)
        return std::nullopt;
    if (m_nProtocolVersion >= 11 && ReportsCarryEightBytes()) {
        CommandBlock answer{};
        if (Transact(LongCommand(kReadUnitIdentifier), answer) < 0)
            return std::nullopt;
        return static_cast<uint32_t>(answer[4]) << 24 | static_cast<uint32_t>(answer[5]) << 16 |
               static_cast<uint32_t>(answer[6]) << 8 | answer[7];
    }
    uint32_t id = 0;
    for (int nibble = 7; nibble >= 0; --nibble) {
        const int answer = SendShortCommand(static_cast<uint16_t>(kIdentifierNibbles | nibble << 4));
        if (answer < 0)
            return std::nullopt;
        id = id << 4 | (static_cast<uint32_t>(answer) & 0xF);
    }
    return id;
}

// The protection jumper blocks identity and configuration reads on older
// firmware: status bit 7 of 0x36FF is set and the unit reports 0x00010000.
bool CHIDProtocol::IsConfigReadBlocked()
{
    if (m_nProtocolVersion >= 20)
        return false;
    const int status = SendShortCommand(kStatusWord);
    if (status < 0 || (status & 0x80) == 0)
        return false;
    const auto id = ReadRawUnitIdentifier();
    return id && *id == kUnitIdProtected;
}

void CHIDProtocol::ReadUnitIdentifier()
{
    if (IsConfigReadBlocked())
        return;
    if (const auto id = ReadRawUnitIdentifier())
        m_dwUnitId = *id;
}

std::string CHIDProtocol::GetUnitIdText()
{
    if (m_dwUnitId == kUnitIdUnread)
        ReadUnitIdentifier();
    const uint32_t id = m_dwUnitId;
    if (id == kUnitIdNotSupported)
        return "Not Supported";
    if (id == kUnitIdUnread)
        return "New Board";
    std::string text = Format("%1.1d-%2.2d-%2.2d-%3.3d-%4.4d", id >> 29 & 0x7, id >> 25 & 0xF, id >> 21 & 0xF,
                              id >> 12 & 0xFF, id & 0xFFF);
    if (id & 1u << 20)
        text += " F";
    return text;
}

// --- serial number, interface board, PIC versions -----------------------------

std::string CHIDProtocol::GetSerialNumber() { return ReadSerialNumber().value_or("Read Error"); }

// A chunk the unit refuses (bit 7 of byte 2 with an error number in byte 7)
// carries no characters: it is asked for once more, and a second refusal
// leaves the serial number unknown.
std::optional<std::string> CHIDProtocol::ReadSerialNumber()
{
    constexpr int kChunks = 5;
    constexpr int kTries = 2;
    if (m_nProtocolVersion < 22)
        return m_connectionSerial = std::string();
    std::string serial;
    for (int chunk = 0; chunk < kChunks; ++chunk) {
        CommandBlock answer{};
        bool answered = false;
        for (int attempt = 0; attempt < kTries && !answered; ++attempt) {
            const int result = Transact(LongCommand(kReadSerialChunk, static_cast<uint8_t>(chunk)), answer);
            if (result < 0)
                return std::nullopt;  // no answer at all: the transaction has already sent it twice
            answered = DecodeUnitResult(result, answer) >= 0;
        }
        if (!answered)
            return std::nullopt;
        for (size_t i = 4; i < 8; ++i) {
            if (answer[i] == 0)
                return m_connectionSerial = serial;
            if (answer[i] != 0xFF)
                serial.push_back(static_cast<char>(answer[i]));
        }
    }
    return m_connectionSerial = serial;
}

bool CHIDProtocol::IsInterfaceLineActive()
{
    if (m_nSoftwareVersion < 5000) {
        const int status = SendShortCommand(kInterfaceStatusOld);
        return status >= 0 && (status & 0x08) == 0;
    }
    const int status = SendShortCommand(kInterfaceStatus);
    return status >= 0 && (status & 0x02) == 0;
}

void CHIDProtocol::SwitchInterfaceLine()
{
    (void)SendShortCommand(kLineSwitchOff);
    Clock().SleepMs(100);
    (void)SendShortCommand(kLineSwitchOn);
    Clock().SleepMs(100);
}

// Only a found board is cached; an empty name is looked for again next time.
std::string CHIDProtocol::GetInterfaceBoardName()
{
    if (!m_strInterfaceBoard.empty() || m_nSoftwareVersion < 2001)
        return m_strInterfaceBoard;
    if (IsInterfaceLineActive()) {
        m_strInterfaceBoard = kInterfaceBoard;
    } else {
        SwitchInterfaceLine();
        if (IsInterfaceLineActive()) {
            SwitchInterfaceLine();
            m_strInterfaceBoard = kInterfaceBoard;
        }
    }
    return m_strInterfaceBoard;
}

bool CHIDProtocol::GetPicVersion(int pic, int& identifier, int& major, int& minor)
{
    identifier = -1;
    major = minor = 0;
    if (pic != kMainPic && pic != kInterfacePic)
        return false;
    if (m_nSoftwareVersion < 5000 || (pic == kInterfacePic && m_nProtocolVersion < 20))
        return false;
    const uint16_t code = pic == kMainPic ? kMainPicRequest : kInterfacePicRequest;
    constexpr uint8_t kVersionRequest = 0x19;
    const uint8_t selector = m_nSoftwareVersion < 7000 ? 1 : 4;
    CommandBlock answer{};
    if (Transact(LongCommand(code, kVersionRequest, selector), answer) < 0 || (answer[2] & 0x80) != 0)
        return false;
    if (answer[5] == 0xFF) {
        // Not available with this selector: ask the older way.
        if (Transact(LongCommand(code, kVersionRequest, 1), answer) < 0 || (answer[2] & 0x80) != 0)
            return false;
        identifier = pic == kMainPic ? 4 : 5;
    } else {
        identifier = m_nSoftwareVersion < 7000 ? 3 : answer[7];
    }
    major = answer[4];
    minor = answer[5];
    return true;
}

// --- hardware configuration ----------------------------------------------------

bool CHIDProtocol::ReadHardwareConfig(HardwareConfig& config)
{
    config = HardwareConfig{};
    if (!CheckConnection() || m_nProtocolVersion < 11 || !ReportsCarryEightBytes())
        return false;
    for (int shown = 1; IsConfigReadBlocked(); ++shown) {
        const int button = AfxMessageBox(
            "You should remove protection jumper J5 for reading the hardware configuration.   ",
            MB_OKCANCEL | MB_ICONWARNING, "Reading Configuration");
        if (button != IDOK || shown >= kMaxJumperPrompts)
            return false;
    }
    (void)SendShortCommand(kBeforeIdentityRead);
    CommandBlock answer{};
    if (Transact(LongCommand(kReadHardwareConfig), answer) < 0)
        return false;
    const bool noConfiguration = std::all_of(answer.begin() + 2, answer.end(), [](uint8_t b) { return b == 0xFF; });
    if (!noConfiguration)
        DecodeHardwareConfig(answer, config);
    return true;
}

// --- the unit report -------------------------------------------------------------

std::string CHIDProtocol::PicVersionText(int pic)
{
    int identifier = 0, major = 0, minor = 0;
    if (!GetPicVersion(pic, identifier, major, minor))
        return {};
    return Format("ID-%d, Version-%d.%d", identifier, major, minor);
}

std::string CHIDProtocol::GetUnitReport()
{
    if (!CheckConnection())
        return {};
    const std::string board = GetInterfaceBoardName();
    const std::string interfaceLine = board.empty() ? std::string() : "\n\rInterface type\t: " + board;
    const std::string unitId = GetUnitIdText();
    const std::string serial = GetSerialNumber();
    const std::string mainPic = PicVersionText(kMainPic);
    const std::string interfacePic = PicVersionText(kInterfacePic);

    std::string report = "Connected to " + m_strProductName + interfaceLine;
    if (!serial.empty())
        report += "\r\nS/N\t\t: " + serial;
    report += "\r\nUnit ID\t\t: " + unitId;
    if (HardwareConfig config; ReadHardwareConfig(config)) {
        report += "\r\n\r\nDSP TYPE \t\t: " + config.strDspName;
        report += "\r\nDSP Clock \t\t: " + Format("%d MHz", config.nDspClockMHz);
        report += "\r\nMemory Type \t\t: " + std::string(MemoryTypeText(config.nMemoryType));
        report += "\r\nNumber of CODECs \t: " + Format("%d", config.nCodecs);
        report += "\r\nNumber of Switchs \t: " + Format("%d", config.nSwitches);
        report += "\r\nHardware Version \t\t: " + Format("%d", config.hardwareVersion[1]);
    }
    report += "\r\n\r\nProduct Type\t\t: " + Format("%d", m_nProductCode);
    report += "\r\nSoftware Version\t\t: " + m_strSoftwareVersion;
    report += "\r\nProtocol Version\t\t: " + Format("%d", m_nProtocolVersion);
    if (std::string description; GetParameterText(0, 12, description) > 0)
        report += "\r\n\r\n" + description;
    if (!mainPic.empty())
        report += "\r\n\r\nMain PIC Software\t\t: " + mainPic;
    if (!interfacePic.empty())
        report += "\r\nInterface PIC Software\t: " + interfacePic;
    report += "\r\n\r\n";
    return report;
}

}  // namespace vk
