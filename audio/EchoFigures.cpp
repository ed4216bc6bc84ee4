#include "audio/EchoFigures.h"

#include "audio/StrFormat.h"

namespace vk {

uint64_t EchoWindowBytes(float seconds, uint32_t rate)
{
    const double bytes = (static_cast<double>(seconds) * rate + 0.5) * 2.0;
    return static_cast<uint64_t>(bytes) & ~uint64_t{1};
}

EchoWindow EchoWindowA(uint32_t rate) { return {EchoWindowBytes(0.2f, rate), EchoWindowBytes(1.8f, rate)}; }

EchoWindow EchoWindowB(uint32_t rate) { return {EchoWindowBytes(2.2f, rate), EchoWindowBytes(1.8f, rate)}; }

std::string FormatEchoReport(double reduction, bool reductionPassed, double residual, bool residualPassed)
{
    return StrFormat("\n\r For new units: Echo Reduction is %5.1fdB - %s the test.  Limit is %5.1fdB        \n\r",
                  reduction, reductionPassed ? "Passed" : "Failed", kEchoReductionLimit) +
           StrFormat("\n\r For old units: Residual Echo is %5.1fdB - %s the test.  Limit is %5.1fdB             ",
                  residual, residualPassed ? "Passed" : "Failed", kResidualEchoLimit);
}

}  // namespace vk
