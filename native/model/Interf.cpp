// Releasing a native-access object.
#include "native/model/Interf.h"

unsigned CInterf::nRelease() {
    if (m_nRef == 0) return 0;
    unsigned nNew = --m_nRef;
    if (nNew == 0 && m_bDoNotDelete == 0) delete this;
    return nNew;
}
