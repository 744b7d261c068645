// CFileVersion: the marker search over the mapped program file, the copy of the block and the
// key/value lookup in it. Every read is bounded by the file's size or the block's length: the
// program file may be anything, cut or hostile.
#include "installer/FileVersion.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

#include "core/XMalloc.h"
#include "installer/CodePageTable.h"
#include "platform/DiskFile.h"

namespace {

const char s_szDebutVersion[] = "VersionInfoMarkStart";  // searched with its zero byte
const char s_szFinVersion[] = "VersionInfoMarkEnd";

// Code page 1252 byte folded to its lower-case form: ASCII, the accented letters of 0xC0-0xDE
// (not the multiplication sign) and the four letters the page has in 0x8A-0x9F.
unsigned char _byMinuscule1252(unsigned char by) {
    if ((by >= 'A' && by <= 'Z') || (by >= 0xC0 && by <= 0xDE && by != 0xD7))
        return static_cast<unsigned char>(by + 0x20);
    switch (by) {
        case 0x8A:
        case 0x8C:
        case 0x8E:
            return static_cast<unsigned char>(by + 0x10);
        case 0x9F:
            return 0xFF;
        default:
            return by;
    }
}

// The key in code page 1252; false when one of its characters is not in the page (such a key
// cannot be in the block, and must not match a '?' that stands there).
bool _bCleEn1252(const wchar_t* pszKey, std::vector<unsigned char>& abyCle) {
    const _stTableCodePage* pst1252 = get_codepage(1252);
    for (const wchar_t* p = pszKey; *p != L'\0'; p++) {
        if (static_cast<uint32_t>(*p) > 0xFFFF) return false;
        unsigned short wUnite = static_cast<unsigned short>(*p);
        unsigned char by = pst1252->pbyPages[pst1252->pnIndexHaut[wUnite >> 8] + (wUnite & 0xFF)];
        if (pst1252->pwVersUnicode[by] != wUnite) return false;
        abyCle.push_back(by);
    }
    return true;
}

}  // namespace

CFileVersion::~CFileVersion() {
    _Vide();
}

void CFileVersion::_Vide() {
    XMALLOC_Del(m_pbyBloc);
    m_pbyBloc = nullptr;
    m_nTailleBloc = 0;
}

bool CFileVersion::bLoad(const wchar_t* pszPath) {
    return _bLoad(pszPath, s_szDebutVersion, sizeof(s_szDebutVersion), s_szFinVersion, sizeof(s_szFinVersion) - 1);
}

bool CFileVersion::_bLoad(const wchar_t* pszPath, const char* pszDebut, uint32_t nDebut, const char* pszFin,
                          uint32_t nFin) {
    _Vide();
    if (pszPath == nullptr) return false;
    int nFichier = CDiskFile::Unix_open(pszPath, O_RDONLY);
    if (nFichier < 0) return false;
    struct stat stEtat;
    if (fstat(nFichier, &stEtat) != 0 || !S_ISREG(stEtat.st_mode) || stEtat.st_size <= 0) {
        close(nFichier);
        return false;
    }
    const size_t nTaille = static_cast<size_t>(stEtat.st_size);
    void* pVue = mmap(nullptr, nTaille, PROT_READ, MAP_PRIVATE, nFichier, 0);
    close(nFichier);
    if (pVue == MAP_FAILED) return false;

    const auto* pbyDebut = static_cast<const unsigned char*>(pVue);
    const unsigned char* pbyFinFichier = pbyDebut + nTaille;
    const unsigned char* pbyCherche = pbyDebut;
    while (pbyCherche < pbyFinFichier) {
        const auto* pbyMarque =
            static_cast<const unsigned char*>(memmem(pbyCherche, size_t(pbyFinFichier - pbyCherche), pszDebut, nDebut));
        if (pbyMarque == nullptr) break;
        const unsigned char* pbyBloc = pbyMarque + nDebut;
        const auto* pbyMarqueFin =
            static_cast<const unsigned char*>(memmem(pbyBloc, size_t(pbyFinFichier - pbyBloc), pszFin, nFin));
        if (pbyMarqueFin == nullptr) break;  // no end marker after this start: none after a later one either
        const size_t nBloc = size_t(pbyMarqueFin - pbyBloc);
        if (nBloc >= FILEVERSION_BLOC_MIN && nBloc < 0xFFFFFFFFu) {
            m_pbyBloc = static_cast<unsigned char*>(XMALLOC_pNew(nBloc + 1));
            if (m_pbyBloc != nullptr) {
                memcpy(m_pbyBloc, pbyBloc, nBloc);
                m_pbyBloc[nBloc] = 0;
                m_nTailleBloc = static_cast<uint32_t>(nBloc);
            }
            break;
        }
        pbyCherche = pbyBloc;
    }
    munmap(pVue, nTaille);
    return m_pbyBloc != nullptr;
}

bool CFileVersion::bGetBinaryValue(const wchar_t* pszKey, const char** ppValue, uint32_t* pnLength) const {
    if (m_pbyBloc == nullptr || pszKey == nullptr || *pszKey == L'\0') return false;
    std::vector<unsigned char> abyCle;
    if (!_bCleEn1252(pszKey, abyCle)) return false;
    const size_t nCle = abyCle.size();
    for (unsigned char& by : abyCle) by = _byMinuscule1252(by);

    // The key and its terminator must lie inside the block; the value may run to its end, where
    // our own zero byte ends it.
    for (size_t i = 0; i + nCle + 1 <= m_nTailleBloc; i++) {
        if (m_pbyBloc[i + nCle] != 0) continue;
        size_t j = 0;
        while (j < nCle && _byMinuscule1252(m_pbyBloc[i + j]) == abyCle[j]) j++;
        if (j < nCle) continue;
        const char* pszValeur = reinterpret_cast<const char*>(m_pbyBloc + i + nCle + 1);
        if (ppValue != nullptr) *ppValue = pszValeur;
        if (pnLength != nullptr) *pnLength = static_cast<uint32_t>(strlen(pszValeur));
        return true;
    }
    return false;
}

bool CFileVersion::bGetStringValue(const wchar_t* pszKey, CXYString<wchar_t>& clValue) const {
    const char* pszValeur = nullptr;
    uint32_t nLongueur = 0;
    if (!bGetBinaryValue(pszKey, &pszValeur, &nLongueur)) return false;
    const _stTableCodePage* pst1252 = get_codepage(1252);
    std::vector<wchar_t> aszTexte(size_t(nLongueur) + 1, L'\0');
    for (uint32_t i = 0; i < nLongueur; i++)
        aszTexte[i] = pst1252->pwVersUnicode[static_cast<unsigned char>(pszValeur[i])];
    return clValue.nAffecteConversion(aszTexte.data(), static_cast<int>(nLongueur)) == 0;
}
