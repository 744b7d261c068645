// INATable: the table object as the host holds it after the driver object handed it out. The host
// calls it through the virtual table, so the order of its entries is binary interface: slots 2 to
// 6 are the INAVersion head, then the two reference operations.
//
// LEAST VERSION (table-object task): only the head and the references are declared; the record,
// open, close and query entries take their places after slot 8, in their order, when the table
// object is built.
#pragma once

#include "native/driver/INAVersion.h"

class INATable : public INAVersion {
public:
    // Slots 7 and 8: the references the host holds.
    virtual void ExternalAddRef() = 0;
    virtual int nExternalRelease() = 0;

protected:
    INATable() = default;
    INATable(const INATable&) = default;
    INATable& operator=(const INATable&) = default;
    ~INATable() = default;
};
