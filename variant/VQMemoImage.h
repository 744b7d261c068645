// CVQMemoImage: an image memo as the host's language sees it: the image's bytes, or a host image
// object they can be drawn from, with the names that locate the memo in a data file (image, table,
// item, and the table and item giving the record number), the record number and the callbacks that
// produce the data or the source image on demand. The host fills it through its virtual setters,
// so their order in the virtual table is binary interface, as is the field layout after the
// reference-counted root.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/KXUnknown.h"
#include "core/VQBIN.h"
#include "variant/ImageVQ.h"

// How the host loads the memo (the host's numbering).
enum eLOADTYPE : int {
    eLOADTYPE_0 = 0,
    eLOADTYPE_1 = 1,  // marked with VQMEMOIMAGE_LOADTYPE1
    eLOADTYPE_2 = 2,
    eLOADTYPE_3 = 3,  // through an image object
};

class CVQMemoImage : public CKXUnknown {
public:
    // Flags word.
    static constexpr uint32_t VQMEMOIMAGE_BINDATA = 0x1;       // the bytes were set
    static constexpr uint32_t VQMEMOIMAGE_IMAGE = 0x10;        // an image object is (to be) used
    static constexpr uint32_t VQMEMOIMAGE_LOADTYPE1 = 0x8000;  // load type 1

    typedef void (*PFNSAUVEVQBIN)(CVQMemoImage* pclMemo);
    typedef IImageVQ* (*PFNGETSOURCEIMAGE)(CVQMemoImage* pclMemo);

    CVQMemoImage() = default;
    // Frees the names, drops the image object's reference and releases the bytes.
    ~CVQMemoImage() override;

    // The host's setters, in the order of their slots after dwRelease. Names are copied (null
    // clears); pointers are stored, not owned.
    virtual void SetNomImage(const wchar_t* pszNom);
    virtual void SetNomTable(const wchar_t* pszNom);
    virtual void SetNomRubrique(const wchar_t* pszNom);
    virtual void SetChamp(void* pChamp);
    virtual void SetCallback(void* pCallback);
    virtual void SetContexteYF(void* pContexte);
    virtual void SetNumEnr(long nNumEnr);
    virtual void SetNomTableNumEnr(const wchar_t* pszNom);
    virtual void SetNomRubriqueNumEnr(const wchar_t* pszNom);
    // Shares clData's buffer and marks the bytes as set.
    virtual void SetBinData(const CVQBIN& clData);
    // A PFNSAUVEVQBIN and a PFNGETSOURCEIMAGE, as the host hands them.
    virtual void SetCallbackSauveVQBin(void* pfn);
    virtual void SetCallbackGetSourceImage(void* pfn);

    // Holds piImage (one reference taken) in place of the object held, whose reference is dropped
    // afterwards, so that setting the object already held keeps it alive. Null clears.
    void SetVQImage(IImageVQ* piImage);
    // 1 marks VQMEMOIMAGE_LOADTYPE1; 0 and 2 clear it; 3 clears it and marks VQMEMOIMAGE_IMAGE.
    void SetLoadType(eLOADTYPE eType);

    // The bytes, filled first when they were never set: by the save callback when there is one,
    // else from the image object when its interface offers them.
    CVQBIN* pclGetBinDataEx();
    // The source-image callback's answer for this memo; null without a callback.
    IImageVQ* piGetSourceImage();

    const wchar_t* pszGetNomImage() const { return m_pszNomImage; }
    const wchar_t* pszGetNomTable() const { return m_pszNomTable; }
    const wchar_t* pszGetNomRubrique() const { return m_pszNomRubrique; }
    const wchar_t* pszGetNomTableNumEnr() const { return m_pszNomTableNumEnr; }
    const wchar_t* pszGetNomRubriqueNumEnr() const { return m_pszNomRubriqueNumEnr; }
    void* pGetChamp() const { return m_pChamp; }
    void* pGetCallback() const { return m_pCallback; }
    void* pGetContexteYF() const { return m_pContexteYF; }
    long nGetNumEnr() const { return m_nNumEnr; }
    uint32_t dwGetFlags() const { return m_dwFlags; }
    IImageVQ* piGetVQImage() const { return m_piVQImage; }

private:
    wchar_t* m_pszNomImage = nullptr;
    wchar_t* m_pszNomTable = nullptr;
    wchar_t* m_pszNomRubrique = nullptr;
    void* m_pChamp = nullptr;
    void* m_pCallback = nullptr;
    void* m_pContexteYF = nullptr;
    long m_nNumEnr = -1;
    wchar_t* m_pszNomTableNumEnr = nullptr;
    wchar_t* m_pszNomRubriqueNumEnr = nullptr;
    uint32_t m_dwFlags = 0;
    CVQBIN m_clBinData;
    PFNSAUVEVQBIN m_pfnSauveVQBin = nullptr;
    PFNGETSOURCEIMAGE m_pfnGetSourceImage = nullptr;
    IImageVQ* m_piVQImage = nullptr;

    friend struct CVQMemoImageLayout;
};

// The host reads and writes these fields in place.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
struct CVQMemoImageLayout {
    static_assert(offsetof(CVQMemoImage, m_pszNomImage) == 16);
    static_assert(offsetof(CVQMemoImage, m_pszNomTable) == 24);
    static_assert(offsetof(CVQMemoImage, m_pszNomRubrique) == 32);
    static_assert(offsetof(CVQMemoImage, m_pChamp) == 40);
    static_assert(offsetof(CVQMemoImage, m_pCallback) == 48);
    static_assert(offsetof(CVQMemoImage, m_pContexteYF) == 56);
    static_assert(offsetof(CVQMemoImage, m_nNumEnr) == 64);
    static_assert(offsetof(CVQMemoImage, m_pszNomTableNumEnr) == 72);
    static_assert(offsetof(CVQMemoImage, m_pszNomRubriqueNumEnr) == 80);
    static_assert(offsetof(CVQMemoImage, m_dwFlags) == 88);
    static_assert(offsetof(CVQMemoImage, m_clBinData) == 96);
    static_assert(offsetof(CVQMemoImage, m_pfnSauveVQBin) == 104);
    static_assert(offsetof(CVQMemoImage, m_pfnGetSourceImage) == 112);
    static_assert(offsetof(CVQMemoImage, m_piVQImage) == 120);
    static_assert(sizeof(CVQMemoImage) == 128);
};
#pragma GCC diagnostic pop
