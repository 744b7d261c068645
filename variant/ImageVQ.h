// IImageVQ: the host's image object as the image memo value uses it. The host builds it, so only
// the slot positions are ours to respect: 0 takes a reference, 1 drops one, 8 answers the
// interface version and 29 fills a byte string with the image's data. The other slots are the
// host's and are never called here. No virtual destructor: one would shift every slot.
#pragma once

class CVQBIN;

class IImageVQ {
public:
    virtual void vAddRef() = 0;   // 0
    virtual void vRelease() = 0;  // 1
    virtual void vReserved2() = 0;
    virtual void vReserved3() = 0;
    virtual void vReserved4() = 0;
    virtual void vReserved5() = 0;
    virtual void vReserved6() = 0;
    virtual void vReserved7() = 0;
    virtual int vnGetVersion() = 0;  // 8
    virtual void vReserved9() = 0;
    virtual void vReserved10() = 0;
    virtual void vReserved11() = 0;
    virtual void vReserved12() = 0;
    virtual void vReserved13() = 0;
    virtual void vReserved14() = 0;
    virtual void vReserved15() = 0;
    virtual void vReserved16() = 0;
    virtual void vReserved17() = 0;
    virtual void vReserved18() = 0;
    virtual void vReserved19() = 0;
    virtual void vReserved20() = 0;
    virtual void vReserved21() = 0;
    virtual void vReserved22() = 0;
    virtual void vReserved23() = 0;
    virtual void vReserved24() = 0;
    virtual void vReserved25() = 0;
    virtual void vReserved26() = 0;
    virtual void vReserved27() = 0;
    virtual void vReserved28() = 0;
    virtual void vGetBinData(CVQBIN* pclData) = 0;  // 29

protected:
    ~IImageVQ() = default;
};

// The image's data is drawn from the object only from this interface version on.
constexpr int IMAGEVQ_VERSION_BINDATA = 8;
