// CAny_VQObjetHote<CODE>: the value classes that hold one reference on an object of the host: the
// host object (108, also used for the kinds 141 to 143) and the dynamic object (111), with the
// host object's interface as the library calls it. The object is the host's; only its first two
// operations (take and drop a reference) and, for piGetTraitement, its 50th are called. A copy
// shares the object but never its NULL or 0x400 flags, and a copy of the kinds 141 to 143 is a
// plain host object (108).
#pragma once

#include "variant/Any_VQReference.h"

// The host's object as the library calls it. Positions count from 1 as the host counts them; the
// positions between are kept empty so that the 50th stays in place.
class IObjetVQ {
public:
    virtual void vAddRef() = 0;   // 1
    virtual void vRelease() = 0;  // 2
    virtual void vReserve3() = 0;
    virtual void vReserve4() = 0;
    virtual void vReserve5() = 0;
    virtual void vReserve6() = 0;
    virtual void vReserve7() = 0;
    virtual void vReserve8() = 0;
    virtual void vReserve9() = 0;
    virtual void vReserve10() = 0;
    virtual void vReserve11() = 0;
    virtual void vReserve12() = 0;
    virtual void vReserve13() = 0;
    virtual void vReserve14() = 0;
    virtual void vReserve15() = 0;
    virtual void vReserve16() = 0;
    virtual void vReserve17() = 0;
    virtual void vReserve18() = 0;
    virtual void vReserve19() = 0;
    virtual void vReserve20() = 0;
    virtual void vReserve21() = 0;
    virtual void vReserve22() = 0;
    virtual void vReserve23() = 0;
    virtual void vReserve24() = 0;
    virtual void vReserve25() = 0;
    virtual void vReserve26() = 0;
    virtual void vReserve27() = 0;
    virtual void vReserve28() = 0;
    virtual void vReserve29() = 0;
    virtual void vReserve30() = 0;
    virtual void vReserve31() = 0;
    virtual void vReserve32() = 0;
    virtual void vReserve33() = 0;
    virtual void vReserve34() = 0;
    virtual void vReserve35() = 0;
    virtual void vReserve36() = 0;
    virtual void vReserve37() = 0;
    virtual void vReserve38() = 0;
    virtual void vReserve39() = 0;
    virtual void vReserve40() = 0;
    virtual void vReserve41() = 0;
    virtual void vReserve42() = 0;
    virtual void vReserve43() = 0;
    virtual void vReserve44() = 0;
    virtual void vReserve45() = 0;
    virtual void vReserve46() = 0;
    virtual void vReserve47() = 0;
    virtual void vReserve48() = 0;
    virtual void vReserve49() = 0;
    virtual void* vpiGetTraitement() = 0;  // 50

protected:
    ~IObjetVQ() = default;
};

// How a value takes and gives back its reference on a host object (its 1st and 2nd operations). A
// copy carries neither the NULL nor the 0x400 flag.
struct STLienObjetHote {
    static constexpr int COPIE_DRAPEAUX = 0;
    static void s_AddRef(IObjetVQ* pi) { pi->vAddRef(); }
    static void s_Release(IObjetVQ* pi) { pi->vRelease(); }
};

template <unsigned short CODE>
using CAny_VQObjetHote = CAny_VQReference<CODE, IObjetVQ, STLienObjetHote>;

using CAny_VQOBJET_BASE = CAny_VQObjetHote<VQTYPE_OBJET_BASE>;
using CAny_VQDINO = CAny_VQObjetHote<VQTYPE_DINO>;
