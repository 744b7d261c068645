// The driver object's dump services: the label texts that the query, command and connection dumps
// share, the dump of a query with the values of its parameters, and the names of unnamed
// expression items.
#include <cstdint>
#include <iterator>

#include "core/DLLRes.h"
#include "core/MyModuleInfo.h"
#include "core/TString.h"
#include "core/XYStringConcat.h"
#include "native/driver/NADriver.h"
#include "native/driver/NADriverLock.h"
#include "pgsql/TabValParser.h"
#include "variant/Any.h"

namespace {

// One label: its number among the driver's labels (from 1), its message, and the text it takes
// when the message cannot be had. Rows in load order; labels 8 to 10 have no text.
struct stDumpLabel {
    int nLabel;
    uint32_t nMessageId;
    const wchar_t* pszStored;
};
constexpr stDumpLabel s_tabDumpLabels[] = {
    {1, 25676, L"Texte de la requête :"},
    {2, 25679, L"Nombre de paramètres :"},
    {3, 25678, L"Paramètre :"},
    {4, 25675, L"Type Quentara"},
    {5, 25680, L"Type ADO"},
    {6, 25670, L"Valeur"},
    {7, 25674, L"Echec de la conversion de la valeur en texte."},
    {11, 25810, L"Informations de bind des paramètres :"},
    {12, 25843, L"Connexion parameters : "},
    {13, 25846, L"DataSource : "},
    {28, 25869, L"Native Library : "},
    {14, 25849, L"Provider : "},
    {15, 25847, L"Utilisateur : "},
    {16, 25848, L"Database : "},
    {17, 25834, L"Connexion Timeout : "},
    {18, 25835, L"Command Timeout : "},
    {19, 25836, L"Lock Timeout : "},
    {20, 25837, L"Cursor Position : "},
    {21, 25838, L"Unicode actived : "},
    {22, 25839, L"Lock Tag : "},
    {23, 25840, L"Lock mode : "},
    {24, 25841, L"YF5 compatible Date Format : "},
    {25, 25842, L"Charset : "},
    {26, 25844, L"VQ Page Code : "},
    {27, 25845, L"Connexion Page Code: "},
};
constexpr int DUMP_LABEL_COUNT = 28;
static_assert(std::size(s_tabDumpLabels) == 25);

// The labels the query dump uses.
constexpr int LABEL_QUERY = 1;
constexpr int LABEL_PARAMETER_COUNT = 2;
constexpr int LABEL_PARAMETER = 3;
constexpr int LABEL_TYPE = 4;
constexpr int LABEL_VALUE = 6;
constexpr int LABEL_NOT_TEXT = 7;

constexpr unsigned long DUMP_GROWTH = 1024;

void _AddNumber(CXYStringConcat<wchar_t>* pclText, long n) {
    pclText->AddNumber(n, -1);
}

}  // namespace

// ---------------------------------------------------------------------------------------------------------------
// Labels

void CNADriver::InitQueryDumpRessources(const _stMyModuleInfo* pstModule) {
    // Filled once, and never by two threads at a time: the dumps read them without the lock.
    CNADriverLock clLock;
    if (m_tabDumpLabel[0].nTaille() != 0) return;
    if (pstModule == nullptr) pstModule = &gstMyModuleInfo39;
    for (const stDumpLabel& st : s_tabDumpLabels) {
        CTString& clLabel = m_tabDumpLabel[st.nLabel - 1];
        if (!DLLRES_bLoadString(pstModule, st.nMessageId, &clLabel) || clLabel.nTaille() == 0)
            clLabel.Set(st.pszStored);
        clLabel.Add(L' ');
    }
}

const wchar_t* CNADriver::pszGetDumpLabel(int nLabel) {
    if (nLabel < 1 || nLabel > DUMP_LABEL_COUNT) return L"";
    if (m_tabDumpLabel[0].nTaille() == 0) InitQueryDumpRessources();
    const wchar_t* psz = m_tabDumpLabel[nLabel - 1].pszGet();
    return psz != nullptr ? psz : L"";
}

const wchar_t* CNADriver::s_pszGetDumpLabel(int nLabel) {
    return s_pclDriver != nullptr ? s_pclDriver->pszGetDumpLabel(nLabel) : L"";
}

// ---------------------------------------------------------------------------------------------------------------
// Query dump

int CNADriver::bGetQueryDump(CTString* pclOut, const wchar_t* pszQuery, CTabValParser* pclParameters,
                             unsigned long nMaxLength) {
    if (pclOut == nullptr) return 0;
    pclOut->Vide();
    CXYStringConcat<wchar_t> clText(DUMP_GROWTH);
    clText.Add(pszGetDumpLabel(LABEL_QUERY));
    if (pszQuery != nullptr && *pszQuery != 0) clText.Add(pszQuery);
    clText.Add(L"\r\n", 2);
    if (pclParameters != nullptr) {
        const int nCount = pclParameters->nGetNbValue();
        clText.Add(pszGetDumpLabel(LABEL_PARAMETER_COUNT));
        clText.Add(L"=", 1);
        _AddNumber(&clText, nCount);
        clText.Add(L"\r\n", 2);
        for (int i = 0; i < nCount && clText.nGetLongueur() < nMaxLength; i++) {
            const CAny* pclValue = pclParameters->pclGetValue(i);
            clText.Add(pszGetDumpLabel(LABEL_PARAMETER));
            clText.Add(L" ", 1);
            _AddNumber(&clText, i);
            clText.Add(L" :\t", 3);
            clText.Add(pszGetDumpLabel(LABEL_TYPE));
            clText.Add(L" = <", 4);
            _AddNumber(&clText, pclValue != nullptr ? pclValue->nGetTypeCode() : 0);
            clText.Add(L">\t", 2);
            clText.Add(pszGetDumpLabel(LABEL_VALUE));
            clText.Add(L" = <", 4);
            // The value as text; a NULL or a value with no text of its own shows as the label.
            const wchar_t* pszValue = nullptr;
            bool bText = false;
            CAny clValue;
            if (pclValue != nullptr && !pclValue->bIsNull()) {
                clValue = *pclValue;
                bText = clValue.__nCastTo(VQTYPE_DSTRW, nullptr, 1) <= VQERR_DERNIER_SUCCES_HOTE &&
                        !clValue.bIsNull() && clValue.nGetTypeCode() == VQTYPE_DSTRW &&
                        clValue.pclGetValeur()->nGetPCWSTR(&pszValue) == VQERR_OK;
            }
            if (!bText)
                clText.Add(pszGetDumpLabel(LABEL_NOT_TEXT));
            else if (pszValue != nullptr)
                clText.Add(pszValue);
            clText.Add(L">\r\n", 3);
        }
    }
    // A dump that lost a piece is not handed out as if whole.
    if (clText.bIsInError()) return 0;
    if (nMaxLength == 0) return 1;
    const unsigned long nLength = clText.nGetLongueur() < nMaxLength ? clText.nGetLongueur() : nMaxLength;
    pclOut->Set(clText.pszGet(), nLength);
    return 1;
}

// ---------------------------------------------------------------------------------------------------------------
// Names of expression items

void CNADriver::g_GenerateItemName(CTString* pclOut, int n) {
    // Wraps like the host's 32-bit arithmetic, without overflowing a signed number.
    pclOut->printf(L"%s%d", L"Expr", static_cast<int>(static_cast<uint32_t>(n) + 1000u));
}
