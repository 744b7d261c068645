// The image memo value: name copies, stored pointers, shared bytes and the reference held on the
// host's image object.
#include "variant/VQMemoImage.h"

#include <cstdlib>

#include "core/STRUtil.h"

namespace {

// The copy is made before the old text is freed: the host may pass back the text it read from us.
void _SetNom(wchar_t** ppszNom, const wchar_t* pszNom) {
    wchar_t* pszCopie = STR_pszCreate(pszNom);
    free(*ppszNom);
    *ppszNom = pszCopie;
}

}  // namespace

CVQMemoImage::~CVQMemoImage() {
    free(m_pszNomImage);
    free(m_pszNomTable);
    free(m_pszNomRubrique);
    free(m_pszNomTableNumEnr);
    free(m_pszNomRubriqueNumEnr);
    if (m_piVQImage != nullptr) m_piVQImage->vRelease();
}

void CVQMemoImage::SetNomImage(const wchar_t* pszNom) {
    _SetNom(&m_pszNomImage, pszNom);
}

void CVQMemoImage::SetNomTable(const wchar_t* pszNom) {
    _SetNom(&m_pszNomTable, pszNom);
}

void CVQMemoImage::SetNomRubrique(const wchar_t* pszNom) {
    _SetNom(&m_pszNomRubrique, pszNom);
}

void CVQMemoImage::SetChamp(void* pChamp) {
    m_pChamp = pChamp;
}

void CVQMemoImage::SetCallback(void* pCallback) {
    m_pCallback = pCallback;
}

void CVQMemoImage::SetContexteYF(void* pContexte) {
    m_pContexteYF = pContexte;
}

void CVQMemoImage::SetNumEnr(long nNumEnr) {
    m_nNumEnr = nNumEnr;
}

void CVQMemoImage::SetNomTableNumEnr(const wchar_t* pszNom) {
    _SetNom(&m_pszNomTableNumEnr, pszNom);
}

void CVQMemoImage::SetNomRubriqueNumEnr(const wchar_t* pszNom) {
    _SetNom(&m_pszNomRubriqueNumEnr, pszNom);
}

void CVQMemoImage::SetBinData(const CVQBIN& clData) {
    m_clBinData = clData;
    m_dwFlags |= VQMEMOIMAGE_BINDATA;
}

void CVQMemoImage::SetCallbackSauveVQBin(void* pfn) {
    m_pfnSauveVQBin = reinterpret_cast<PFNSAUVEVQBIN>(pfn);
}

void CVQMemoImage::SetCallbackGetSourceImage(void* pfn) {
    m_pfnGetSourceImage = reinterpret_cast<PFNGETSOURCEIMAGE>(pfn);
}

void CVQMemoImage::SetVQImage(IImageVQ* piImage) {
    IImageVQ* piAncien = m_piVQImage;
    if (piImage != nullptr) {
        piImage->vAddRef();
        m_dwFlags |= VQMEMOIMAGE_IMAGE;
    } else {
        m_dwFlags &= ~VQMEMOIMAGE_IMAGE;
    }
    m_piVQImage = piImage;
    if (piAncien != nullptr) piAncien->vRelease();
}

void CVQMemoImage::SetLoadType(eLOADTYPE eType) {
    switch (eType) {
        case eLOADTYPE_1:
            m_dwFlags |= VQMEMOIMAGE_LOADTYPE1;
            break;
        case eLOADTYPE_0:
        case eLOADTYPE_2:
            m_dwFlags &= ~VQMEMOIMAGE_LOADTYPE1;
            break;
        case eLOADTYPE_3:
            m_dwFlags = (m_dwFlags & ~VQMEMOIMAGE_LOADTYPE1) | VQMEMOIMAGE_IMAGE;
            break;
    }
}

CVQBIN* CVQMemoImage::pclGetBinDataEx() {
    if (m_dwFlags & VQMEMOIMAGE_BINDATA) return &m_clBinData;
    if (m_pfnSauveVQBin != nullptr) {
        m_pfnSauveVQBin(this);
    } else if (m_piVQImage != nullptr && m_piVQImage->vnGetVersion() >= IMAGEVQ_VERSION_BINDATA) {
        m_piVQImage->vGetBinData(&m_clBinData);
    }
    return &m_clBinData;
}

IImageVQ* CVQMemoImage::piGetSourceImage() {
    return m_pfnGetSourceImage != nullptr ? m_pfnGetSourceImage(this) : nullptr;
}
