// Whether the stand-in host keeps a record of every call it answers (the tests read them back).
// A program that runs the stand-in as its host for a long time (kxhost, the benchmarks) turns the
// records off, or they would grow with every value converted.
#pragma once

#include "tests/host/StandInHost.h"

namespace standin {

STANDIN_API void SetCallRecording(bool bOn);
STANDIN_API bool bCallRecording();

}  // namespace standin
