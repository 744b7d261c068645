// IStdVersion: the version questions every pluggable object of the family answers first (its
// version, the oldest version it stays compatible with, the number of the module that built it),
// followed by three reserved slots kept for later questions. Part of the slot order of the digest
// objects.
#pragma once

class IStdVersion {
public:
    virtual int nGetVersion() = 0;             // 0
    virtual int nGetCompatSince() = 0;         // 1
    virtual int nGetDllNum() = 0;              // 2
    virtual void vEmptyMethodStdVersion3() {}  // 3
    virtual void vEmptyMethodStdVersion4() {}  // 4
    virtual void vEmptyMethodStdVersion5() {}  // 5

protected:
    ~IStdVersion() = default;
};
