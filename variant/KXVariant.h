// CKXVariant: what the variant layer keeps for the whole process. Here, the eight labels used when
// query values are dumped (the names of the two type systems, the words for value, time and date,
// and the texts for a value that failed to convert), loaded from the library's own message table
// with French texts in place of missing messages, and freed by the common library's stop.
#pragma once

struct _stMyModuleInfo;

class CKXVariant {
public:
    // Each an owned zero-terminated text from malloc; null while not loaded.
    static wchar_t* s_pszDumpVQType;
    static wchar_t* s_pszDumpADOType;
    static wchar_t* s_pszDumpValue;
    static wchar_t* s_pszDumpTime;
    static wchar_t* s_pszDumpDate;
    static wchar_t* s_pszDumpConvFailed_Text;
    static wchar_t* s_pszDumpConvFailed_Date;
    static wchar_t* s_pszDumpConvFailed_Time;

    // Loads the eight labels and has the common stop free them.
    static void InitQueryDumpRessources();
    // The same from the messages of the given module description (the library's own is
    // gstMyModuleInfo39); a message the module lacks takes its French text.
    static void InitQueryDumpRessources(const _stMyModuleInfo* pstModule);
    // Frees every loaded label and sets it back to null.
    static void FreeQueryDumpRessources();
};
