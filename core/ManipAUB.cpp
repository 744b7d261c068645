// Readers of a variant's text or binary content through STManipAUB: the content with its size, or
// the matching empty text when there is none, so that no reader has to test for null.
#include "core/ManipAUB.h"

#include "core/BaseStrMem.h"
#include "core/XYString.h"

namespace {

int nBytes(const void* p) {
    return p ? CBaseStrMem::s_pstGetHeader(p)->nLength : 0;
}

}  // namespace

const char* STManipAUB::pszGetStringA() const {
    return pContenu ? static_cast<const char*>(pContenu) : CXYString<char>::ChaineVide;
}

const wchar_t* STManipAUB::pszGetStringW() const {
    return pContenu ? static_cast<const wchar_t*>(pContenu) : CXYString<wchar_t>::ChaineVide;
}

const unsigned char* STManipAUB::pbyGetContenu(unsigned long& nTaille) const {
    const unsigned char* pby = pbyGetContenuUtile(nTaille);
    if (nType == MANIPAUB_TYPE_STRINGA) nTaille += 1;
    if (nType == MANIPAUB_TYPE_STRINGW) nTaille += sizeof(wchar_t);
    return pby;
}

const unsigned char* STManipAUB::pbyGetContenuUtile(unsigned long& nTaille) const {
    switch (nType) {
        case MANIPAUB_TYPE_STRINGA:
            nTaille = static_cast<unsigned long>(nBytes(pContenu));
            return reinterpret_cast<const unsigned char*>(pszGetStringA());
        case MANIPAUB_TYPE_STRINGW:
            nTaille = static_cast<unsigned long>(nBytes(pContenu));
            return reinterpret_cast<const unsigned char*>(pszGetStringW());
        case MANIPAUB_TYPE_BINAIRE:
            nTaille = static_cast<unsigned long>(nBytes(pContenu));
            return pContenu ? static_cast<const unsigned char*>(pContenu) : CBaseStrMem::ChaineVide;
        default:
            nTaille = 0;
            return CBaseStrMem::ChaineVide;
    }
}

int STManipAUB::nGetLongueur() const {
    switch (nType) {
        case MANIPAUB_TYPE_STRINGW:
            return nBytes(pContenu) / static_cast<int>(sizeof(wchar_t));
        case MANIPAUB_TYPE_STRINGA:
        case MANIPAUB_TYPE_BINAIRE:
            return nBytes(pContenu);
        default:
            return 0;
    }
}

int STManipAUB::nGetTailleUtile() const {
    switch (nType) {
        case MANIPAUB_TYPE_STRINGW:
        case MANIPAUB_TYPE_STRINGA:
        case MANIPAUB_TYPE_BINAIRE:
            return nBytes(pContenu);
        default:
            return 0;
    }
}
