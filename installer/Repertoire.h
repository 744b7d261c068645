// CRepertoire: the directory of an archive: its entries (CRepEntree) in a byte array grown 1,024
// at a time, the count of entries and of real (non-placeholder) entries, and a case-insensitive
// index from an entry's path to its place in the array. The index keys are the path texts inside
// the array, so the whole index is rebuilt whenever the array's storage moves. The directory also
// reads and writes its persistent form: a u32 entry count followed by each entry's record.
#pragma once

#include <cstdint>

#include "core/THashTableTi.h"
#include "core/TableauDeBuffer.h"
#include "installer/RepEntree.h"

class CRepertoire {
public:
    static constexpr int s_nPasTableau = 1024;
    static constexpr int s_nTailleIndex = 43;

    CRepertoire();
    ~CRepertoire();
    CRepertoire(const CRepertoire&) = delete;
    CRepertoire& operator=(const CRepertoire&) = delete;

    // An entry from its fields; when both sizes are 0 and the directory text is the name (letter
    // case aside), the entry is made from the file of that name on disk instead, and nothing is
    // added when that fails. The encryption uses the zip cipher.
    int bAjouteEntree(const wchar_t* pszRepertoire, const wchar_t* pszNom, int64_t oTailleCompresse,
                      int64_t oTailleOriginale, uint32_t dwAttribut, const CDiskFile::_stXFILETIME* pstCreation,
                      const CDiskFile::_stXFILETIME* pstModif, const CDiskFile::_stXFILETIME* pstAcces, int bCrypte,
                      const wchar_t* pszMdp);
    // An entry made from a file on disk, stored as pszNom.
    int bAjouteEntree(const wchar_t* pszCheminDisque, const wchar_t* pszNom, int64_t oTailleCompresse, int bCrypte,
                      const wchar_t* pszMdp);
    // An entry whose three times are now (local time, milliseconds 0).
    int bCreeEntree(const wchar_t* pszNom, int64_t oTailleCompresse, int64_t oTailleOriginale, uint32_t dwAttribut,
                    int bCrypte, const wchar_t* pszMdp);

    // The index of the path (letter case ignored; of several such paths, the one written exactly
    // so is preferred), -1 when absent.
    long lRang(const wchar_t* pszChemin);
    int bTrouve(const wchar_t* pszChemin) { return lRang(pszChemin) != -1; }

    // Null for an index outside the entries.
    CRepEntree* operator[](long nIndex);
    const CRepEntree* operator[](long nIndex) const;

    uint32_t dwNbEntree() const { return static_cast<uint32_t>(m_nNbEntree); }
    uint32_t dwNbEntreeReelle() const { return static_cast<uint32_t>(m_nNbEntreeReelle); }
    // 4 + the sizes of the entries' records.
    uint32_t dwTaille() const;

    void Vide();
    // Makes room for n more entries at once, so that appending them never moves the array (each
    // move rebuilds the whole index: an archive of many entries would rebuild it once per 1,024).
    void PrevoitEntrees(int n);
    void SupprimeElement(long nIndex);
    int bChangeChemin(long nIndex, const wchar_t* pszChemin);
    // Moves the placeholders (directories) after the real entries; the first entry stays first.
    void ForceRepVideAlaFin();

    // 0, or the code of the first record that could not be written (5 for a write failure).
    int eEcrit(CDiskFile& clFichier) const;
    // Replaces the directory by the one read; FALSE when the count or a record cannot be read.
    int bLit(CDiskFile& clFichier);

private:
    CRepEntree* _pclEntree(int i) const { return static_cast<CRepEntree*>(m_tabEntree.pGetAt(i)); }
    int _bAjouteEntree(const CRepEntree& clEntree);
    // Appends a copy of the entry to the array only (no count, no index); FALSE when it cannot grow.
    int _bAjouteCopie(const CRepEntree& clEntree);
    // Recounts both counts and rebuilds the name index from the array.
    void _ReconstruitIndex();

    CTableauDeBuffer m_tabEntree;
    int m_nNbEntree = 0;
    int m_nNbEntreeReelle = 0;
    CTHashTableTi<int> m_htIndex;
};
