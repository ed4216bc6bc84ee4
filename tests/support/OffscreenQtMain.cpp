#include "tests/support/OffscreenQt.h"

int main(int argc, char** argv) { return vk::test::RunOffscreenQtTests(argc, argv); }
