// The test program restarts itself under umockdev's preload before main, as
// umockdev-wrapper would start it; without the preload the tests skip.
#include "tests/platform/hid/umockdev/UmockdevBed.h"

namespace {
struct CRestart {
    CRestart() { vk::test::CUmockdevBed::RestartUnderPreload(); }
};
const CRestart g_restart;
}  // namespace
