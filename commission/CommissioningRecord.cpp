#include "commission/CommissioningRecord.h"

#include <cstdio>
#include <utility>

#include "commission/ConfigurationForms.h"
#include "commission/TextEscapes.h"
#include "device/UnitTypes.h"

namespace vk::commission {
namespace {

constexpr const char* kStyle =
    "body{font-family:sans-serif;margin:2em;color:#000;background:#fff}"
    "h1{font-size:1.4em;margin-bottom:0.2em}"
    "table{border-collapse:collapse;margin:0.8em 0}"
    "th,td{border:1px solid #444;padding:0.25em 0.6em;text-align:left}"
    "th{background:#eee}"
    ".ok{font-weight:bold}.bad{font-weight:bold;text-decoration:underline}"
    "@media print{body{margin:0}th{background:none}}";

constexpr const char* kSimulatedText =
    "Made against a simulated unit: no real unit was configured or checked.";

// The level registers by what a technician sets with them: the speaker slider
// writes register 1; the output slider registers 3, 7 and 4, of which the
// inputs page sets 4 again as its monitor level.
constexpr std::pair<int, const char*> kLevelNames[] = {
    {1, "Speaker level"}, {3, "Output level"}, {4, "Monitor level"}, {7, "Output level"}};

std::string Row(const std::string& name, const std::string& value)
{
    return "<tr><th>" + HtmlText(name) + "</th><td>" + HtmlText(value) + "</td></tr>\n";
}

std::string Date(const LocalTime& t)
{
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute);
    return text;
}

std::string Decibels(double value) { return OneDecimal(value) + " dB"; }

std::string ChannelTable(const UnitConfiguration& config)
{
    std::string out = "<table>\n<tr><th>Input</th><th>Use</th><th>Gain</th><th>Phantom</th><th>Level</th>"
                      "<th>Mute</th><th>Local level</th><th>Local mute</th></tr>\n";
    for (int c = 0; c < kInputChannels; ++c) {
        const auto& ch = config.channels[static_cast<size_t>(c)];
        out += "<tr><td>" + std::to_string(c + 1) + "</td><td>" + HtmlText(InputText(ch)) + "</td><td>" +
               GainDb(config.GainStep(c)) + " dB</td><td>" + PhantomName(config.Phantom(c)) + "</td><td>" +
               std::to_string(ch.level) + "</td><td>" + (ch.mute ? "yes" : "no") + "</td><td>" +
               std::to_string(ch.localLevel) + "</td><td>" + (ch.localMute ? "yes" : "no") + "</td></tr>\n";
    }
    return out + "</table>\n";
}

}  // namespace

std::string CommissioningRecordHtml(const CommissioningRecord& record)
{
    const UnitConfiguration& config = record.holds;
    const UnitIdentity& id = config.identity;
    const std::string simulated = record.simulated ? " (simulated unit)" : "";
    std::string out = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>Commissioning record " +
                      HtmlText(id.serialNumber) + simulated + "</title>\n<style>" + kStyle +
                      "</style>\n</head>\n<body>\n";
    out += "<h1>Commissioning record" + simulated + "</h1>\n<p>" + HtmlText(id.productName) + ", serial number " +
           HtmlText(id.serialNumber) + ", " + Date(record.date) + "</p>\n";
    if (record.simulated)
        out += "<p class=\"bad\">" + std::string(kSimulatedText) + "</p>\n";
    out += "<table>\n";
    out += Row("Serial number", id.serialNumber);
    out += Row("Type", UnitTypeRow(config.type).typeName);
    out += Row("Product", id.productName + " (" + HexWord(static_cast<unsigned>(id.productId)) + ")");
    out += Row("Firmware", id.softwareVersion + ", protocol " + std::to_string(id.protocolVersion));
    out += Row("Date", Date(record.date));
    if (!record.programVersion.empty())
        out += Row("Program", record.programVersion);
    if (!record.appliedFile.empty())
        out += Row("Configuration file", record.appliedFile);
    out += Row("Result", record.result);
    if (!record.failedStep.empty())
        out += "<tr><th>Failed step</th><td class=\"bad\">" + HtmlText(record.failedStep) + "</td></tr>\n";
    out += "<tr><th>Verified</th><td class=\"" + std::string(record.verified ? "ok" : "bad") + "\">" +
           (record.verified ? "yes: the unit holds this configuration" : "no") + "</td></tr>\n";
    if (record.changesKnown) {
        std::string changes;
        for (const auto& change : record.changes)
            changes += (changes.empty() ? "" : ", ") + change;
        out += Row("Changed", changes.empty() ? "nothing" : changes);
    }
    out += "</table>\n<h2>Inputs</h2>\n" + ChannelTable(config);
    out += "<h2>Levels</h2>\n<table>\n";
    for (const auto& [reg, name] : kLevelNames)
        out += Row(std::string(name) + " (register " + std::to_string(reg) + ")", std::to_string(config.Level(reg)));
    out += "</table>\n";
    if (record.echo) {
        out += "<h2>Echo</h2>\n<table>\n";
        out += Row("Echo reduction", Decibels(record.echo->echoReductionDb));
        out += Row("Residual echo", Decibels(record.echo->residualEchoDb));
        out += "</table>\n";
    }
    out += "<h2>Controller</h2>\n<table>\n";
    out += Row("Lines 16..31, 0..15", HexWord(config.lines[0]) + " " + HexWord(config.lines[1]));
    out += Row("Address word", HexWord(config.address));
    out += Row("Flags word", HexWord(config.flags));
    out += "</table>\n</body>\n</html>\n";
    return out;
}

std::string CommissioningRecordFileName(const UnitIdentity& identity)
{
    std::string name = identity.serialNumber.empty() ? "unit-" + HexWord(static_cast<unsigned>(identity.productId))
                                                      : identity.serialNumber;
    for (char& c : name) {
        const bool plain = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || c == '-' ||
                           c == '_' || c == '.';
        if (!plain || (c == '.' && &c == &name.front()))
            c = '_';
    }
    return name + ".html";
}

}  // namespace vk::commission
