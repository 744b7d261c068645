// The stand-in host's switch for its records of calls.
#include "tests/host/StandInRecording.h"

#include <atomic>

namespace standin {

namespace {
std::atomic<bool> g_bRecording{true};
}  // namespace

void SetCallRecording(bool bOn) {
    g_bRecording = bOn;
}

bool bCallRecording() {
    return g_bRecording;
}

}  // namespace standin
