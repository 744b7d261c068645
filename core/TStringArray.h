// CTStringArray: the growable list of owned wide strings: split a delimited text into fields, sort
// them, search them and join them back. Each slot holds a heap CTString that the array creates and
// deletes itself (when the entry is removed or replaced, when the array is emptied or destroyed);
// a slot may hold null, which reads as "".
#pragma once

#include "core/TString.h"
#include "core/TTableau.h"

class CTStringArray : public CTTableau<CTString*> {
public:
    CTStringArray() : CTTableau<CTString*>(1, 30) {}

    // Virtual order after the array's own (binary interface): the destructor pair, then the
    // members below in this order.
    ~CTStringArray() override;

    virtual void Ajoute(const CTString* pcl);
    // A copy of the text (null gives an empty entry).
    virtual void Ajoute(const wchar_t* psz);
    // Copies of every entry of the other array, in order.
    virtual void Ajoute(const CTTableau<CTString*>& clAutre);
    virtual void Insere(const CTString* pcl, int i);
    virtual void Insere(const wchar_t* psz, int i);
    // Replaces the entry in slot i (below the count), deleting the old one.
    virtual void SetAt(const CTString* pcl, int i);
    virtual void SetAt(const wchar_t* psz, int i);
    virtual void Supprime(int i);
    // Deletes every entry; the slot storage stays for the next entries.
    virtual void SupprimeTout();
    // The entry in slot i; i is not checked.
    virtual CTString* operator[](int i) const;
    // The index of the first entry at or after nDebut equal to the text (wcscmp when bExact is not
    // 0, case-blind otherwise); -1 when none.
    virtual int nRecherche(const wchar_t* psz, int bExact, int nDebut) const;
    virtual void TrieCroisssant();
    virtual void TrieCroisssantI();
    virtual void TrieDecroisssant();
    // Joins the entries with the separator between them into pclResultat (null or "" separator:
    // no separator). An empty array leaves the output as it was. 0 when memory runs out (output
    // unchanged).
    virtual int bFusion(CTString* pclResultat, const wchar_t* pszSeparateur) const;
    // Empties the array, then appends the fields of the text at the separator: a trailing
    // separator gives a final empty entry, a string without text gives none.
    virtual void Decoupe(const CTString& clTexte, const wchar_t* pszSeparateur);
    virtual void Decoupe(const wchar_t* pszTexte, const wchar_t* pszSeparateur);
    // Appends n copies of the text; existing entries stay.
    virtual void Initialise(const wchar_t* psz, int n);
    // Appends at most n characters of the text.
    virtual void vAjoute(const wchar_t* psz, long n);

    // Appends an entry that takes over pcl's buffer; pcl is left empty.
    void AjouteRecupere(CTString* pcl);
    // Appends an entry formatted in the wide printf dialect; answers the formatter's result.
    int AjoutePrintf(const wchar_t* pszFormat, ...);
    // Appends an entry formatted through the emulated FormatMessageW; the entry stays empty when
    // formatting fails. Answers 1 when the entry got text, else 0.
    int AjouteFormatMessageWin(const wchar_t* pszFormat, ...);

    // Comparators over two CTString* const* for qsort (a null entry reads as "").
    static int __nCompare(const void* p1, const void* p2);
    static int __nCompareI(const void* p1, const void* p2);
    static int __nCompareInverse(const void* p1, const void* p2);

    // Sorts the fields of a separated text ascending, case-blind, and joins them with the same
    // separator into pclResultat; answers bFusion's result.
    static int g_bTrieCroissantI(CTString* pclResultat, const wchar_t* pszTexte, const wchar_t* pszSeparateur);

private:
    void _Trie(int (*pfCompare)(const void*, const void*));
    // Appends a heap entry, which the array owns from then on.
    void _AjouteEntree(CTString* pcl);
};

static_assert(sizeof(CTStringArray) == 40);
