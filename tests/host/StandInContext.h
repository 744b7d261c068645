// Moved to the emulated host (host/); kept so that existing includes still build.
#pragma once

#include "host/StandInContext.h"
