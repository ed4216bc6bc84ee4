#include "SweepRun.h"

#include "ScenarioRunner.h"
#include "Transcript.h"
#include "platform/clock/Clock.h"
#include "app/QuorvelVK550ConfigDlg.h"
#include "platform/settings/SettingsStore.h"

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace vk::faultsweep {

namespace {

struct KindName {
    SimTransactionFault::Kind kind;
    const char* name;
};
constexpr KindName kKinds[] = {
    {SimTransactionFault::Kind::Silent, "silent"}, {SimTransactionFault::Kind::Error, "error"},
    {SimTransactionFault::Kind::Echo, "echo"},     {SimTransactionFault::Kind::Delay, "delay"},
    {SimTransactionFault::Kind::Unplug, "unplug"},
};

// "setting "NAME" = dword 0x..." -> NAME and what follows "= ".
std::optional<std::pair<std::string, std::string>> SettingLine(const std::string& line)
{
    if (line.rfind("setting \"", 0) != 0)
        return std::nullopt;
    const size_t eq = line.find("\" = ");
    if (eq == std::string::npos)
        return std::nullopt;
    return std::make_pair(line.substr(9, eq - 9), line.substr(eq + 4));
}

std::string Shown(const RegValue& value)
{
    if (value.type != RegValue::Type::Dword)
        return "text " + scenario::Quote(value.text);
    char number[16];
    std::snprintf(number, sizeof number, "0x%08X", value.number);
    return std::string("dword ") + number;
}

}  // namespace

std::optional<Road> LoadRoad(const std::string& path)
{
    std::ifstream in(path);
    if (!in)
        return std::nullopt;
    Road road;
    road.units = "new";
    const size_t slash = path.find_last_of('/');
    road.name = path.substr(slash == std::string::npos ? 0 : slash + 1);
    if (road.name.size() > 4 && road.name.ends_with(".scn"))
        road.name.resize(road.name.size() - 4);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("# options: --units=", 0) == 0)
            road.units = line.substr(19);
        // Each expect keeps its line as a comment, so line numbers stay the file's.
        road.script += (line.rfind("expect ", 0) == 0 ? "# " + line : line) + "\n";
    }
    return road;
}

std::optional<SimTransactionFault::Kind> FaultKindNamed(const std::string& name)
{
    for (const KindName& k : kKinds)
        if (name == k.name)
            return k.kind;
    return std::nullopt;
}

std::string FaultKindName(SimTransactionFault::Kind kind)
{
    for (const KindName& k : kKinds)
        if (kind == k.kind)
            return k.name;
    return "?";
}

std::string FaultStep(const SweepFault& f)
{
    std::string step = "fault " + std::to_string(f.unit) + " at " + std::to_string(f.fault.at);
    if (f.fault.onlyFor) {
        char code[16];
        std::snprintf(code, sizeof code, " only 0x%04X", *f.fault.onlyFor);
        step += code;
    }
    step += " " + FaultKindName(f.fault.kind);
    if (f.fault.kind == SimTransactionFault::Kind::Error || f.fault.kind == SimTransactionFault::Kind::Delay)
        step += " " + std::to_string(f.fault.value);
    return step;
}

RunResult RunRoad(const Road& road, const std::optional<SweepFault>& fault)
{
    RunResult result;
    const auto began = std::chrono::steady_clock::now();
    scenario::CScenarioRunner runner({road.units, std::nullopt}, [&result](const std::string& line) {
        result.transcript.push_back(line);
        // A page line is printed on the window thread once the page is set up:
        // the title it has set follows it (the finished page's success text; the
        // title control takes it a moment later).
        if (line.rfind("page ", 0) == 0)
            if (const auto* wizard = dynamic_cast<const CQuorvelVK550ConfigDlg*>(CDialog::MainWindow()))
                result.transcript.push_back("title " + scenario::Quote(wizard->View().Title()));
    });
    // The fault is armed before anything else of the script: K counts from the start.
    const std::string script = (fault ? FaultStep(*fault) + "\n" : std::string()) + road.script;
    scenario::ParsedScript parsed = scenario::ParseScript(script, runner.InitialUnits());
    if (parsed.error) {
        result.exitCode = scenario::kRunScriptError;
        result.scriptError = parsed.error->reason;
        return result;
    }
    for (const auto& unit : runner.Units())
        result.unitsAtStart.push_back(unit->State());
    const uint64_t startMs = Clock().NowMs();
    std::optional<scenario::ScriptError> error;
    result.exitCode = runner.Run(parsed.steps, error);
    if (error)
        result.scriptError = std::to_string(error->line) + ": " + error->reason;
    result.virtualMs = Clock().NowMs() - startMs;
    for (const auto& unit : runner.Units()) {
        result.units.push_back({unit->State(), unit->Present()});
        if (fault && static_cast<size_t>(fault->unit) == result.units.size())
            result.faultFired = !unit->PendingTransactionFault();
    }

    // A fresh look at the file, as the next start of the program takes it.
    CSettingsStore fresh(runner.Folder() / "registry.reg");
    for (const std::string& line : result.transcript) {
        const auto setting = SettingLine(line);
        if (!setting)
            continue;
        const auto value = fresh.Query(scenario::kProgramKeyPath, setting->first);
        result.settingsAfter.emplace_back(setting->first, value ? std::optional(Shown(*value)) : std::nullopt);
    }
    result.realMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began).count();
    return result;
}

RunResult RunRoadOnRealStack(const std::string& program, const Road& road, const std::optional<SweepFault>& fault)
{
    RunResult result;
    char scriptPath[] = "/tmp/vk-faultsweep-XXXXXX";
    const int fd = mkstemp(scriptPath);
    if (fd < 0) {
        result.exitCode = scenario::kRunScriptError;
        result.scriptError = "no scratch file";
        return result;
    }
    const std::string script = (fault ? FaultStep(*fault) + "\n" : std::string()) + road.script;
    const bool written = write(fd, script.data(), script.size()) == static_cast<ssize_t>(script.size());
    close(fd);
    const auto began = std::chrono::steady_clock::now();
    // The program's stderr (what the bed says) is not part of the transcript.
    const std::string command = "'" + program + "' --stack=real --units=" + road.units + " " + scriptPath + " 2>/dev/null";
    if (FILE* out = written ? popen(command.c_str(), "r") : nullptr) {
        char line[4096];
        while (std::fgets(line, sizeof line, out)) {
            std::string text(line);
            if (!text.empty() && text.back() == '\n')
                text.pop_back();
            result.transcript.push_back(std::move(text));
        }
        const int status = pclose(out);
        result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    } else {
        result.exitCode = scenario::kRunScriptError;
    }
    unlink(scriptPath);
    result.realMs = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - began).count();
    result.virtualMs = static_cast<uint64_t>(result.realMs);
    if (result.exitCode == scenario::kRunScriptError)
        result.scriptError = "the program ended with exit " + std::to_string(result.exitCode);
    return result;
}

int UnitsOf(const RunResult& run)
{
    int units = static_cast<int>(run.units.size());
    for (const std::string& line : run.transcript)
        if (line.size() > 2 && line[0] >= '1' && line[0] <= '9' && line[1] == '>' && line[2] == ' ')
            units = std::max(units, line[0] - '0');
    return units;
}

std::vector<std::string> CommandsOf(const RunResult& run, int unit)
{
    const std::string prefix = std::to_string(unit) + "> ";
    std::vector<std::string> commands;
    for (const std::string& line : run.transcript)
        if (line.rfind(prefix, 0) == 0)
            commands.push_back(line.substr(prefix.size()));
    return commands;
}

}  // namespace vk::faultsweep
