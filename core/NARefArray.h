// CNARefArray<T>: a CRefArray that is itself shared: created with new, passed around under the
// CKXUnknown reference count and deleted when the last holder releases it; its destruction
// releases the elements last first, as any CRefArray does.
#pragma once

#include "core/KXUnknown.h"
#include "core/RefArray.h"

template <typename T>
class CNARefArray : public CRefArray<T>, public CKXUnknown {
public:
    CNARefArray(int nPasAgrandissement, int nSeuilCompactage) : CRefArray<T>(nPasAgrandissement, nSeuilCompactage) {}
    ~CNARefArray() override = default;
};
