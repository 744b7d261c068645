// CFindFile: one directory search of the disk-file toolbox held as an object, so that the search is
// closed when the object goes. Its whole state is the search record CDiskFile::_stXFINDDATA; the
// searching itself is CDiskFile's (DiskFileSearch.cpp).
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/DiskFile.h"

class CXError;

class CFindFile {
public:
    // No search open.
    CFindFile();
    // Closes the search, without error object.
    ~CFindFile();
    CFindFile(const CFindFile&) = delete;
    CFindFile& operator=(const CFindFile&) = delete;

    // The search operations of CDiskFile on the object's own record. A search still open is closed
    // before a new one starts.
    int bFindFirst(const wchar_t* pszPattern, int nRequired, int nExcluded, CXError* pclErr = nullptr);
    int bFindNext(CXError* pclErr = nullptr);
    int bFindClose(CXError* pclErr = nullptr);
    // Closes clOther's search and hands it this object's search, which goes on there from where it
    // was; this object is left without a search.
    void TransfertTo(CFindFile& clOther);

    // The entry found last.
    const wchar_t* pszGetName() const { return m_stFind.szName; }
    uint32_t dwGetAttributes() const { return m_stFind.dwAttributes; }
    int64_t oGetSize() const { return m_stFind.oSize; }
    const CDiskFile::_stXFILETIME& stGetTime() const { return m_stFind.stTime; }
    // The directory searched (with its end slash when the pattern named one).
    const wchar_t* pszGetDirectory() const { return m_stFind.szDirectory; }
    bool bIsOpen() const { return m_stFind.pDir != nullptr; }

private:
    CDiskFile::_stXFINDDATA m_stFind;

    friend struct CFindFileLayout;
};

// The search record is laid out field after field, as the toolbox's callers know it.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
struct CFindFileLayout {
    using F = CDiskFile::_stXFINDDATA;
    static_assert(offsetof(F, pDir) == 0);
    static_assert(offsetof(F, szPattern) == 8);
    static_assert(offsetof(F, szDirectory) == 1052);
    static_assert(offsetof(F, dwRequiredAttributes) == 2096);
    static_assert(offsetof(F, dwExcludedAttributes) == 2100);
    static_assert(offsetof(F, szName) == 2104);
    static_assert(offsetof(F, dwAttributes) == 3148);
    static_assert(offsetof(F, oSize) == 3152);
    static_assert(offsetof(F, stTime) == 3160);
    static_assert(sizeof(F) == 3176);
    static_assert(sizeof(CFindFile) == sizeof(F));
};
#pragma GCC diagnostic pop
