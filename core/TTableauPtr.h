// CTTableauPtr<T>: an array of pointers to T that never deletes what they point to; the owner of
// the objects keeps them alive and frees them itself.
#pragma once

#include "core/TTableau.h"

template <typename T>
class CTTableauPtr : public CTTableau<T*> {
public:
    CTTableauPtr(int nPasAgrandissement, int nSeuilCompactage) : CTTableau<T*>(nPasAgrandissement, nSeuilCompactage) {}
};
