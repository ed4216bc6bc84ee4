// quorvel-hid-viewer: takes the window title "Quorvel HID Viewer" and prints one
// line for every record of unit traffic that programs send it.
#include <signal.h>

#include <cstdio>
#include <string>

#include <CLI/CLI.hpp>

#include "platform/ipc/ViewerRecord.h"
#include "platform/ipc/WindowSocket.h"
#include "platform/post/MessageTarget.h"
#include "program/CommandLineCompletion.h"
#include "program/CommandLineParse.h"
#include "program/SimulateOption.h"
#include "tools/ProgramVersion.h"
#include "tools/quorvel-hid-viewer/ViewerLine.h"

namespace {

volatile sig_atomic_t g_stop = 0;

void OnSignal(int) { g_stop = 1; }

int Usage(FILE* out)
{
    std::fprintf(out, "usage: quorvel-hid-viewer [--simulate[=KIND]] [--count N]\n"
                      "       quorvel-hid-viewer --help | --version\n"
                      "  prints every unit-traffic record sent to the window \"%s\"\n\n"
                      "options:\n"
                      "  --count N          exit after N records\n"
                      "  --simulate[=KIND]  accepted like every program of the family; the viewer has no unit\n"
                      "                     to simulate\n"
                      "  -h, --help         print this text\n"
                      "  --version          print the version\n\n"
                      "exit codes:\n"
                      "  0  interrupted, or N records printed\n"
                      "  1  the window title is taken (another viewer runs)\n"
                      "  2  usage error\n",
                      vk::kViewerWindowTitle);
    return out == stdout ? 0 : 2;
}

// A count of records: a whole number of at least 1.
std::string CheckCount(const std::string& text)
{
    if (text.empty() || text.size() > 18 || text.find_first_not_of("0123456789") != std::string::npos ||
        std::stoll(text) < 1)
        return text + " is not a number of records (1 or more)";
    return {};
}

}  // namespace

int main(int argc, char** argv)
{
    CLI::App app{"prints the unit traffic of the programs running beside it", "quorvel-hid-viewer"};
    app.set_help_flag("-h,--help", "print this text");
    long limit = -1;
    bool version = false;
    std::string simulate;
    app.add_option("--count", limit, "exit after N records")->type_name("N")->check(CLI::Validator(CheckCount, ""));
    vk::cli::AddSimulateOption(app, simulate, "accepted like every program of the family");
    app.add_flag("--version", version, "print the version");
    if (const auto completed = vk::cli::AnswerCompletion(app, argc, argv))
        return *completed;
    try {
        vk::cli::ParseArguments(app, argc, argv);
    } catch (const CLI::CallForHelp&) {
        return Usage(stdout);
    } catch (const CLI::ParseError& error) {
        std::fprintf(stderr, "quorvel-hid-viewer: %s\n", error.what());
        return Usage(stderr);
    }
    if (version)
        return vk::tools::PrintProgramVersion("quorvel-hid-viewer");

    struct sigaction action{};
    action.sa_handler = OnSignal;  // no SA_RESTART: the wait returns and the loop ends
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);

    std::string error;
    auto window = vk::CWindowReceiver::Bind(vk::kViewerWindowTitle, &error);
    if (!window) {
        std::fprintf(stderr, "quorvel-hid-viewer: %s\n", error.c_str());
        return 1;
    }
    std::fprintf(stderr, "quorvel-hid-viewer: listening at %s\n", window->Path().c_str());

    long printed = 0;
    while (!g_stop && (limit < 0 || printed < limit)) {
        const auto message = window->Receive(250);
        if (!message || message->message != vk::WM_COPYDATA)
            continue;
        if (const auto record = vk::DecodeViewerRecord(message->data)) {
            std::printf("%s\n", vk::FormatViewerLine(*record).c_str());
            ++printed;
        }
    }
    return 0;
}
