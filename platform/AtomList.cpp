// The global atom table of the Windows emulation (see AtomList.h).
#include "platform/AtomList.h"

#include <cstdlib>
#include <cwchar>

CAtomList::~CAtomList() {
    RAZ();
}

void CAtomList::RAZ() {
    while (m_pFirst != nullptr) {
        _stATOM* p = m_pFirst;
        m_pFirst = p->pNext;
        free(p->pszName);
        free(p);
    }
}

unsigned short CAtomList::nAdd(const wchar_t* pszName) {
    if (pszName == nullptr) return 0;
    _stATOM** ppLink = &m_pFirst;
    for (; *ppLink != nullptr; ppLink = &(*ppLink)->pNext) {
        if (wcscasecmp((*ppLink)->pszName, pszName) == 0) {
            (*ppLink)->nRefCount++;
            return (*ppLink)->nAtom;
        }
    }
    // Atom 0 means failure: once the counter has given 65,535 there is no number left.
    if (m_nLastAtom == 0xFFFF) return 0;
    _stATOM* p = static_cast<_stATOM*>(malloc(sizeof(_stATOM)));
    wchar_t* pszCopy = wcsdup(pszName);
    if (p == nullptr || pszCopy == nullptr) {
        free(p);
        free(pszCopy);
        return 0;
    }
    p->nRefCount = 1;
    p->nAtom = ++m_nLastAtom;
    p->pNext = nullptr;
    p->pszName = pszCopy;
    *ppLink = p;
    return p->nAtom;
}

unsigned short CAtomList::nFind(const wchar_t* pszName) const {
    if (pszName == nullptr) return 0;
    for (const _stATOM* p = m_pFirst; p != nullptr; p = p->pNext)
        if (wcscasecmp(p->pszName, pszName) == 0) return p->nAtom;
    return 0;
}

unsigned CAtomList::nGetName(unsigned short nAtom, wchar_t* pszBuffer, int nSize) const {
    if (pszBuffer == nullptr || nSize <= 0) return 0;
    for (const _stATOM* p = m_pFirst; p != nullptr; p = p->pNext) {
        if (p->nAtom != nAtom) continue;
        size_t n = wcslen(p->pszName);
        if (n > static_cast<size_t>(nSize - 1)) n = static_cast<size_t>(nSize - 1);
        wmemcpy(pszBuffer, p->pszName, n);
        pszBuffer[n] = L'\0';
        return static_cast<unsigned>(n);
    }
    return 0;
}

unsigned short CAtomList::nDelete(unsigned short nAtom) {
    for (_stATOM** ppLink = &m_pFirst; *ppLink != nullptr; ppLink = &(*ppLink)->pNext) {
        _stATOM* p = *ppLink;
        if (p->nAtom != nAtom) continue;
        if (--p->nRefCount == 0) {
            *ppLink = p->pNext;
            free(p->pszName);
            free(p);
        }
        return 0;
    }
    return nAtom;
}
