// Stub of the driver core, the one piece of it this layer holds: in place of reading the host
// engine interface from the process's driver object (CNADriver::s_pclDriver, built by the driver
// core), the sortable keys read it here. The driver core's CNADriver::bSetYF, which stores the
// interface the host hands over as given, must store it in CNADriverYF::s_piYF as well. Null until
// then, and null means "no collation": collated Unicode keys are then written as plain ones. The
// driver's own callers never ask for collated keys (they pass the options 0x2800).
#pragma once

class IYFForNA;

class CNADriverYF {
public:
    static IYFForNA* s_piYF;
};
