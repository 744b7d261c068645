// CSQLParserInfo: the driver's view of a query or filter that the host has already parsed. The
// command builder keeps one while it rebuilds such a query and asks it what kind of query it is.
//
// Only the part the command builder reads is here so far: the object itself, reference-counted,
// and the leading fields (the owner's error object, the host's parsed query, the host's kind of
// query, the host's parameter values). Loading from the host's parsed query, the clause items and
// the questions asked of them come with the host's parsed-query interfaces, after these fields.
#pragma once

#include <cstdint>

#include "native/model/Interf.h"

class CNAError;
class INAQueryParametersValue;
class ISQLParserInformation;

class CSQLParserInfo : public CInterf {
public:
    // The host's kinds of query (eTYPEREQUETE) that the SQL writers test.
    enum : int32_t {
        QUERYKIND_SELECT = 1,
        QUERYKIND_UPDATE = 3,
        QUERYKIND_INSERT = 4,
    };

    CSQLParserInfo() = default;
    ~CSQLParserInfo() override = default;
    CSQLParserInfo(const CSQLParserInfo&) = delete;
    CSQLParserInfo& operator=(const CSQLParserInfo&) = delete;

    // The host's kind of query.
    int32_t nGetQueryKind() const { return m_eQueryKind; }

protected:
    CNAError* m_pclError = nullptr;
    ISQLParserInformation* m_piParser = nullptr;
    int32_t m_eQueryKind = 0;
    INAQueryParametersValue* m_piParameters = nullptr;
};
