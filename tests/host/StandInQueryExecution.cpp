// The stand-in host's execution options of a query (see StandInQueryExecution.h).
#include "tests/host/StandInQueryExecution.h"

namespace standin {

CStandInQueryExecution::CStandInQueryExecution(const std::wstring& sItem, unsigned nFlags)
    : m_sItem(sItem), m_nFlags(nFlags) {}
CStandInQueryExecution::~CStandInQueryExecution() = default;

const wchar_t* CStandInQueryExecution::pszGetRubriqueParcours() const {
    m_nItemCalls++;
    return m_sItem.c_str();
}

unsigned CStandInQueryExecution::nGetFlags() const {
    m_nFlagCalls++;
    return m_nFlags;
}

}  // namespace standin
