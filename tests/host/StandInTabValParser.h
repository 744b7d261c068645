// The host's table of query values (CTabValParser) as the stand-in host plays it: the test lists
// the entries (its own values, the placeholders' positions and lengths, the flags) and reads how
// often the driver asked for each.
#pragma once

#include <vector>

#include "pgsql/TabValParser.h"
#include "tests/host/StandInHost.h"

namespace standin {

class STANDIN_API CStandInTabValParser final : public CTabValParser {
public:
    struct stEntry {
        const CAny* pclValue;  // owned by the test
        int nPosition;
        int nLength;
        unsigned dwFlags = 0;
    };

    CStandInTabValParser();
    explicit CStandInTabValParser(std::vector<stEntry> aEntries);
    ~CStandInTabValParser();

    std::vector<stEntry> m_aEntries;
    // Reads of an entry outside the table (which a host never answers).
    mutable int m_nBadIndex = 0;
    mutable int m_nValueCalls = 0;

    int nGetNbValue() const override;
    const CAny* pclGetValue(int n) const override;
    int nGetPosition(int n) const override;
    int nGetLength(int n) const override;
    unsigned dwGetFlags(int n) const override;

private:
    const stEntry* _pstGet(int n) const;
};

}  // namespace standin
