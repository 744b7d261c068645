// CFindFile: a directory search held as an object (see FindFile.h).
#include "platform/FindFile.h"

#include <cstring>

CFindFile::CFindFile() {
    memset(&m_stFind, 0, sizeof(m_stFind));
}

CFindFile::~CFindFile() {
    CDiskFile::bFindClose(&m_stFind, nullptr);
}

int CFindFile::bFindFirst(const wchar_t* pszPattern, int nRequired, int nExcluded, CXError* pclErr) {
    // The record is the object's own: an open search in it would otherwise be lost, never closed.
    CDiskFile::bFindClose(&m_stFind, nullptr);
    return CDiskFile::bFindFirst(pszPattern, &m_stFind, nRequired, nExcluded, pclErr);
}

int CFindFile::bFindNext(CXError* pclErr) {
    return CDiskFile::bFindNext(&m_stFind, pclErr);
}

int CFindFile::bFindClose(CXError* pclErr) {
    return CDiskFile::bFindClose(&m_stFind, pclErr);
}

void CFindFile::TransfertTo(CFindFile& clOther) {
    if (&clOther == this) return;
    CDiskFile::bFindClose(&clOther.m_stFind, nullptr);
    memcpy(&clOther.m_stFind, &m_stFind, sizeof(m_stFind));
    memset(&m_stFind, 0, sizeof(m_stFind));
}
