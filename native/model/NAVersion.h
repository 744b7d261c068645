// INAVersion: the version pair that opens every interface the driver and the host exchange
// (descriptions, errors, the driver and table objects). Its five slots come first in each of
// those interfaces, so their order is binary interface. It has no virtual destructor: the classes
// that implement an interface add their destructors after the interface's last slot.
#pragma once

class INAVersion {
public:
    virtual int nGetVersion() const = 0;                  // slot 2
    virtual int nGetCompatSince() const = 0;              // slot 3
    virtual int nGetNAVersion() const { return -1; }      // slot 4
    virtual int nGetNACompatSince() const { return -1; }  // slot 5
    virtual void NAVersion_EmptySlot_3() {}               // slot 6

protected:
    ~INAVersion() = default;
};
