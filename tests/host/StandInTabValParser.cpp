// The stand-in host's table of query values.
#include "tests/host/StandInTabValParser.h"

namespace standin {

CStandInTabValParser::CStandInTabValParser() = default;
CStandInTabValParser::CStandInTabValParser(std::vector<stEntry> aEntries) : m_aEntries(std::move(aEntries)) {}
CStandInTabValParser::~CStandInTabValParser() = default;

const CStandInTabValParser::stEntry* CStandInTabValParser::_pstGet(int n) const {
    if (n < 0 || static_cast<size_t>(n) >= m_aEntries.size()) {
        m_nBadIndex++;
        return nullptr;
    }
    return &m_aEntries[static_cast<size_t>(n)];
}

int CStandInTabValParser::nGetNbValue() const {
    return static_cast<int>(m_aEntries.size());
}
const CAny* CStandInTabValParser::pclGetValue(int n) const {
    m_nValueCalls++;
    const stEntry* pst = _pstGet(n);
    return pst != nullptr ? pst->pclValue : nullptr;
}
int CStandInTabValParser::nGetPosition(int n) const {
    const stEntry* pst = _pstGet(n);
    return pst != nullptr ? pst->nPosition : 0;
}
int CStandInTabValParser::nGetLength(int n) const {
    const stEntry* pst = _pstGet(n);
    return pst != nullptr ? pst->nLength : 0;
}
unsigned CStandInTabValParser::dwGetFlags(int n) const {
    const stEntry* pst = _pstGet(n);
    return pst != nullptr ? pst->dwFlags : 0;
}

}  // namespace standin
