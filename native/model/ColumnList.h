// CColumnList: the comma-separated list of the column names a generated statement lists, with the
// count of columns added (an empty name counts too).
#pragma once

#include "core/XYStringConcat.h"

class CNARecord;
class CNAStatement;

class CColumnList {
public:
    CColumnList() : m_clTexte(1024) {}

    void Empty() {
        m_clTexte.Vide();
        m_nCount = 0;
    }
    // A comma (no blank) after an earlier column, then the name unless it is null or empty.
    void AddColumn(const wchar_t* pszName);
    // The statement's columns it must define for its bind/define flag, by their formatted names;
    // the automatic identifier only with bWithAutoId.
    void BuildColumnList(CNAStatement* pclStatement, int bWithAutoId);
    // The same over a record layout and a bind/define flag.
    void BuildColumnList(CNARecord* pclRecord, unsigned nBindDefineFlag, int bWithAutoId);

    const wchar_t* pszGet() const { return m_clTexte.pszGet(); }
    unsigned nGetCount() const { return m_nCount; }

private:
    CXYStringConcat<wchar_t> m_clTexte;
    unsigned m_nCount = 0;
};
