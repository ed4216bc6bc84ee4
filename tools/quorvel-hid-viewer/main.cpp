// quorvel-hid-viewer: takes the window title "Quorvel HID Viewer" and prints one
// line for every record of unit traffic that programs send it.
#include <signal.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/ipc/ViewerRecord.h"
#include "platform/ipc/WindowSocket.h"
#include "platform/post/MessageTarget.h"
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
                      "  --count N   exit after N records\n"
                      "  --simulate  accepted like every program of the family; the viewer has no unit to simulate\n"
                      "  -h, --help  print this text\n"
                      "  --version   print the version\n\n"
                      "exit codes:\n"
                      "  0  interrupted, or N records printed\n"
                      "  1  the window title is taken (another viewer runs)\n"
                      "  2  usage error\n",
                      vk::kViewerWindowTitle);
    return out == stdout ? 0 : 2;
}

}  // namespace

int main(int argc, char** argv)
{
    long limit = -1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--count") == 0 && i + 1 < argc) {
            char* end = nullptr;
            errno = 0;
            limit = std::strtol(argv[++i], &end, 10);
            if (errno || *end || limit < 1)
                return Usage(stderr);
        } else if (std::strcmp(argv[i], "--simulate") == 0 || std::strncmp(argv[i], "--simulate=", 11) == 0) {
            continue;
        } else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            return Usage(stdout);
        } else if (std::strcmp(argv[i], "--version") == 0) {
            return vk::tools::PrintProgramVersion("quorvel-hid-viewer");
        } else {
            std::fprintf(stderr, "quorvel-hid-viewer: unknown option '%s'\n", argv[i]);
            return Usage(stderr);
        }
    }

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
