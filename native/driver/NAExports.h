// The four entries through which the host finds the driver library: the version handshake, the
// module start and stop, and the factory of the driver object. C linkage and plain names; the
// version script keeps them (and nothing of the driver itself) visible.
#pragma once

#include "native/driver/INADriver.h"

#define KX_DRIVER_EXPORT extern "C" __attribute__((visibility("default")))

// Module 7 (the host's database engine) and 28 (its SQL module) talk to the driver; the driver
// answers its own version, 32, and accepts a host of version 32 or later.
KX_DRIVER_EXPORT int bDLLCompatible(int nModuleId, unsigned nHostVersion, unsigned* pnDriverVersion);
// Counts the starts; the module starts on the first one, and again after a stop. Always 1.
KX_DRIVER_EXPORT int bInitLibrary(void* hModule);
// Stops the module on every call. Always 1.
KX_DRIVER_EXPORT int TermLibrary();
// A new driver object with one external reference, for the host; null when it cannot be made.
KX_DRIVER_EXPORT INADriver* piQueryInterface(int nUnused);

// Number of bInitLibrary calls so far (never lowered).
extern int gnNbInitialisation;
