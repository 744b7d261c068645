// CNomStandardStatique: a name pair that is built once and never computed. Its one instance,
// CNomStandardStatique::ChaineVide, stands for "no name": both texts point at an empty wide text
// from load on, so readers never see null.
#pragma once

class CNomStandardStatique {
public:
    constexpr CNomStandardStatique(const wchar_t* pszNom, const wchar_t* pszNomStandard)
        : m_pszNom(pszNom), m_pszNomStandard(pszNomStandard) {}

    // A static name has nothing to build.
    virtual void __vConstruitNomStandard() {}

    const wchar_t* pszGetNom() const { return m_pszNom; }
    const wchar_t* pszGetNomStandard() const { return m_pszNomStandard; }

    static CNomStandardStatique ChaineVide;

protected:
    const wchar_t* m_pszNom;
    const wchar_t* m_pszNomStandard;
};
