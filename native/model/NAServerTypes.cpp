// The PostgreSQL types that SQL generation treats apart, by their codes.
#include "native/model/NAServerTypes.h"

namespace {

constexpr unsigned OID_NAME = 19;
constexpr unsigned OID_TEXT = 25;
constexpr unsigned OID_JSON = 114;
constexpr unsigned OID_XML = 142;
constexpr unsigned OID_XML_ARRAY = 143;
constexpr unsigned OID_JSON_ARRAY = 199;
constexpr unsigned OID_MONEY = 790;
constexpr unsigned OID_BPCHAR = 1042;
constexpr unsigned OID_VARCHAR = 1043;

}  // namespace

bool NA_bServerTypeIsText(unsigned nServerType) {
    switch (nServerType) {
        case 0:
        case OID_NAME:
        case OID_TEXT:
        case OID_BPCHAR:
        case OID_VARCHAR:
            return true;
        default:
            return false;
    }
}

bool NA_bServerTypeComparedAsText(unsigned nServerType) {
    return nServerType == OID_JSON || nServerType == OID_XML || nServerType == OID_JSON_ARRAY ||
           nServerType == OID_XML_ARRAY;
}

const wchar_t* NA_pszServerTypeReadAs(unsigned nServerType) {
    return nServerType == OID_MONEY ? L"numeric" : nullptr;
}

const wchar_t* NA_pszServerTypeWrittenAs(unsigned nServerType) {
    return nServerType == OID_MONEY ? L"money" : nullptr;
}
