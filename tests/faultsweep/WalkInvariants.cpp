// The invariants of a generated run (a road with a device event, a monkey's
// walk): no baseline to compare with, only what must hold for every run.
#include "SweepInvariants.h"

#include "StepInterpreter.h"

namespace vk::faultsweep {

bool EndedByWizard(const RunResult& run)
{
    return run.exitCode == scenario::kRunScriptError && run.scriptError &&
           run.scriptError->find("the wizard has ended") != std::string::npos;
}

std::vector<Violation> CheckWalk(const RunResult& run, uint64_t boundMs)
{
    std::vector<Violation> out;
    RunResult judged = run;
    if (EndedByWizard(run))
        judged.exitCode = scenario::kRunOk;  // a step the walk made after the wizard ended
    else if (run.exitCode == scenario::kRunScriptError)
        out.push_back({"script cannot run", run.scriptError.value_or("")});
    CheckLiveness(judged, boundMs, out);
    if (run.realMs > kRealBoundMs)
        out.push_back({"real time", std::to_string(static_cast<long>(run.realMs)) + " ms"});
    CheckStore(run, out);
    CheckPinnedWrites(run, out);
    CheckEndState(run, out);
    return out;
}

}  // namespace vk::faultsweep
