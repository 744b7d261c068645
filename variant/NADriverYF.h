// Where the sortable keys find the host's engine interface IYFForNA (variant/HostAssumptions.h). The
// host hands it to the driver object (the driver core's CNADriver::bSetYF, which stores it as given),
// and the driver object passes it on here with s_SetYF. Until then it is null, and null means "no
// collation": collated Unicode keys are then written as plain ones. The driver's own callers never
// ask for collated keys (they pass the options 0x2800).
#pragma once

class IYFForNA;

class CNADriverYF {
public:
    // Called by the driver object with the engine the host gave it (null to forget it).
    static void s_SetYF(IYFForNA* piYF);
    // The engine, or null while the driver object has given none.
    static IYFForNA* s_piGetYF();

private:
    static IYFForNA* s_piYF;
};
