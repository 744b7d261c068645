// Belongs to the driver core, declared in this layer because the sortable keys read it: the host
// engine interface that the process's one driver object (CNADriver::s_pclDriver) keeps, as the host
// handed it to CNADriver::bSetYF (stored as given). The driver core keeps CNADriverYF::s_piYF equal
// to its driver object's; it is null until then, and null means "no collation": collated Unicode
// keys are then written as plain ones.
#pragma once

class IYFForNA;

class CNADriverYF {
public:
    static IYFForNA* s_piYF;
};
