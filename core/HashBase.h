// CHashBase: the chained hash table of (key, value) pointer pairs. Buckets are CListeDeBuffer lists
// of 16-byte elements (key pointer, then value pointer); the bucket count follows the number of
// pairs and stays prime. A concrete table supplies the hash and the key comparison. Keys and values
// are not owned: the table stores and hands back the pointers only.
// Also the four string hashes that go with it (dwHashVal*) and the case-insensitive key equality.
#pragma once

#include <cstddef>
#include <cstdint>

#include "core/ListeDeBuffer.h"

class CHashBase {
public:
    explicit CHashBase(int nNbListe);
    CHashBase(const CHashBase&) = delete;
    CHashBase& operator=(const CHashBase&) = delete;
    virtual ~CHashBase();

    virtual uint32_t dwHashVal(void* pKey) = 0;
    // Non-zero when the stored key and the key are equal.
    virtual int bEgaliteCle(void* pStoredKey, void* pKey) = 0;

    void SetNiveau(int nAgrandissement, int nReduction);
    // Grows the table when it is full enough, then adds the pair (duplicates are not looked for).
    // 0 when memory runs out for the pair.
    int AjouteDYN(void* pKey, void* pValue);
    // Stores the value and the stored key through the pointers that are not null; the key's bucket
    // keeps its cursor on the match.
    int bRecherche(void* pKey, void** ppValue, void** ppStoredKey);
    int bRechercheConst(void* pKey, void** ppValue, void** ppStoredKey) const;
    int bSupprime(void* pKey);
    // bSupprime, then shrinks the table when it has become sparse.
    int bSupprimeDYN(void* pKey);
    // Takes off the first pair of the first non-empty bucket at or after *pnListe (which is updated)
    // and hands back its value (and key); null value (and key) when no pair is left.
    void SupprimeCourant(int* pnListe, void** ppValue, void** ppKey);
    void SupprimeTout();
    void RedimensionneTable(int nNbListe);

    int nGetNbElement() const { return m_nNbElement; }
    int nGetNbListe() const { return m_nNbListe; }
    int nGetFacteurAgrandissement() const { return m_nFacteurAgrandissement; }
    int nGetFacteurReduction() const { return m_nFacteurReduction; }
    const CListeDeBuffer* pclGetListe(int nListe) const { return &m_pclListe[nListe]; }

protected:
    void _RedimentionneTablePlus();
    void _RedimentionneTableMoins();

private:
    // What a bucket element holds.
    struct STPaire {
        void* pKey;
        void* pValue;
    };

    // The key's bucket, or -1 when the table has no bucket.
    int _nListe(void* pKey);
    // Walks the list (a bucket, or a cursor over one) for the key; on a match the list's cursor stays
    // on it and the value and stored key are handed out through the pointers that are not null.
    int _bChercheDans(CListeDeBuffer& clListe, void* pKey, void** ppValue, void** ppStoredKey);
    // Bucket arrays carry their length in front of the lists, as an array new would.
    static CListeDeBuffer* _pclNouvellesListes(int nNbListe);
    static void _LibereListes(CListeDeBuffer* pclListe);
    // The first prime at or above n.
    static int _nPremierDes(int64_t n);

    int m_nFacteurAgrandissement;
    int m_nFacteurReduction;
    int m_nNbListe;
    CListeDeBuffer* m_pclListe;
    int m_nNbElement;

    friend struct CHashBaseLayout;
};

// Virtual table pointer, the two factors, the bucket count, the bucket array, the pair count.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winvalid-offsetof"
struct CHashBaseLayout {
    static_assert(sizeof(CHashBase) == 40);
    static_assert(offsetof(CHashBase, m_nFacteurAgrandissement) == 8);
    static_assert(offsetof(CHashBase, m_nFacteurReduction) == 12);
    static_assert(offsetof(CHashBase, m_nNbListe) == 16);
    static_assert(offsetof(CHashBase, m_pclListe) == 24);
    static_assert(offsetof(CHashBase, m_nNbElement) == 32);
};
#pragma GCC diagnostic pop

// String hashes: null or empty gives 0; otherwise each character (each byte, unsigned, for the
// 8-bit forms) is mixed in turn into a 32-bit value (FNV-1a), so that names made of the same
// characters in another order hash apart. The "i" forms hash each character's upper-case form
// (towupper, toupper): two texts that differ only in letter case hash alike.
uint32_t dwHashValT(const wchar_t* psz);
uint32_t dwHashValTA(const char* psz);
uint32_t dwHashValTi(const wchar_t* psz);
uint32_t dwHashValTiA(const char* psz);
// The key equality that goes with dwHashValTi: every character equal once both are folded with
// towupper (a null text counts as empty). Folding as the hash folds is what lets a table find a
// key it holds; wcscasecmp folds with towlower, and the two foldings part on characters such as
// the Kelvin sign, whose lower-case form is "k" but which is its own upper-case form.
int bEgaliteTi(const wchar_t* psz1, const wchar_t* psz2);
