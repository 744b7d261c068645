// CAtomList: the process-wide table of global atoms behind AddAtom, FindAtom, GetAtomName and
// DeleteAtom of the Windows emulation. A singly linked list of counted names; atom numbers come from
// a counter that only grows, so a deleted atom's number is never handed out again. Not locked: it is
// meant for one thread at a time. The process's one list is emptied when the library is unloaded.
#pragma once

class CAtomList {
public:
    CAtomList() = default;
    CAtomList(const CAtomList&) = delete;
    CAtomList& operator=(const CAtomList&) = delete;
    ~CAtomList();

    // The atom of that name (compared ignoring case) with its count raised, or a new atom at the end
    // of the list; 0 for a null name, when the heap refuses, or once all 65,535 numbers are used.
    unsigned short nAdd(const wchar_t* pszName);
    // The atom of that name, or 0.
    unsigned short nFind(const wchar_t* pszName) const;
    // Copies at most nSize - 1 characters of the atom's name and a terminator; the characters
    // copied, 0 when there is no such atom or no room.
    unsigned nGetName(unsigned short nAtom, wchar_t* pszBuffer, int nSize) const;
    // Lowers the atom's count and removes it at zero: 0, or nAtom itself when there is no such atom.
    unsigned short nDelete(unsigned short nAtom);
    // Frees every atom (the counter keeps its value).
    void RAZ();

private:
    struct _stATOM {
        unsigned nRefCount;
        unsigned short nAtom;
        _stATOM* pNext;
        wchar_t* pszName;
    };

    _stATOM* m_pFirst = nullptr;
    unsigned short m_nLastAtom = 0;
};
