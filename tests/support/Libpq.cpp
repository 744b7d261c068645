#include "tests/support/Libpq.h"

#include <dlfcn.h>

#include <mutex>
#include <type_traits>

namespace pgtest {

const CLibpq* CLibpq::pclGet(std::string* psError) {
    static CLibpq s_cl;
    static std::string s_sError;
    static std::once_flag s_once;
    std::call_once(s_once, [] {
        void* h = dlopen("libpq.so.5", RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        if (h == nullptr) h = dlopen("libpq.so", RTLD_NOW | RTLD_LOCAL | RTLD_NODELETE);
        if (h == nullptr) {
            const char* psz = dlerror();
            s_sError = std::string("libpq cannot be loaded: ") + (psz != nullptr ? psz : "");
            return;
        }
        auto Bind = [&](auto& pfn, const char* pszName) {
            pfn = reinterpret_cast<std::remove_reference_t<decltype(pfn)>>(dlsym(h, pszName));
            if (pfn == nullptr && s_sError.empty()) s_sError = std::string("libpq lacks ") + pszName;
        };
        Bind(s_cl.pfnConnectdb, "PQconnectdb");
        Bind(s_cl.pfnStatus, "PQstatus");
        Bind(s_cl.pfnErrorMessage, "PQerrorMessage");
        Bind(s_cl.pfnFinish, "PQfinish");
        Bind(s_cl.pfnExec, "PQexec");
        Bind(s_cl.pfnResultStatus, "PQresultStatus");
        Bind(s_cl.pfnResultErrorMessage, "PQresultErrorMessage");
        Bind(s_cl.pfnResultErrorField, "PQresultErrorField");
        Bind(s_cl.pfnClear, "PQclear");
        Bind(s_cl.pfnNtuples, "PQntuples");
        Bind(s_cl.pfnNfields, "PQnfields");
        Bind(s_cl.pfnGetvalue, "PQgetvalue");
        Bind(s_cl.pfnGetlength, "PQgetlength");
        Bind(s_cl.pfnGetisnull, "PQgetisnull");
        Bind(s_cl.pfnBackendPID, "PQbackendPID");
    });
    if (!s_sError.empty()) {
        if (psError != nullptr) *psError = s_sError;
        return nullptr;
    }
    return &s_cl;
}

}  // namespace pgtest
