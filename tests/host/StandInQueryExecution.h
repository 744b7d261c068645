// The options the host gives the execution of a query (INAQueryExecution) as the stand-in host
// plays them: the item its result is browsed by and the flags of the first read, both set by the
// test, and how often the driver asked for each.
#pragma once

#include <string>

#include "native/sql/SQLParserInterfaces.h"
#include "tests/host/StandInHost.h"

namespace standin {

class STANDIN_API CStandInQueryExecution final : public INAQueryExecution {
public:
    CStandInQueryExecution(const std::wstring& sItem, unsigned nFlags);
    ~CStandInQueryExecution();

    const wchar_t* pszGetRubriqueParcours() const override;
    unsigned nGetFlags() const override;

    std::wstring m_sItem;
    unsigned m_nFlags;
    mutable int m_nItemCalls = 0;
    mutable int m_nFlagCalls = 0;
};

}  // namespace standin
