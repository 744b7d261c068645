// INAVersion: the head of every interface the driver and the host exchange. Its five operations
// are the first five entries of each virtual table, so the host can ask any object which version
// of its interface it implements before calling anything else.
//
// No interface here declares a virtual destructor: the host lays out the virtual tables itself,
// and a destructor pair would shift every entry. The implementing class adds its destructors
// after the interface's last entry.
#pragma once

class INAVersion {
public:
    virtual int nGetVersion() = 0;
    virtual int nGetCompatSince() = 0;
    // The native-access layer's own version pair; -1 when the object does not say.
    virtual int nGetNAVersion() { return -1; }
    virtual int nGetNACompatSince() { return -1; }
    virtual void NAVersion_EmptySlot_3() {}

protected:
    INAVersion() = default;
    INAVersion(const INAVersion&) = default;
    INAVersion& operator=(const INAVersion&) = default;
    // Never deleted through the interface (see above).
    ~INAVersion() = default;
};
