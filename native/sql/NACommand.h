// CNACommand: the SQL text of one command while it is written, the parameters that belong to it,
// the output bindings of a SELECT, and the formatted SQL that goes to the server. Every SQL text
// the driver sends is built here: the statement's SQL writers, the searches, the filters and the
// rebuilding of the host's parsed queries append text and parameters, and the statement finally
// asks for the formatted SQL.
//
// A value never enters the text: it is a parameter, the wide-character position in the text at
// which its value belongs. The formatted SQL copies the text between the positions and writes each
// value as an SQL literal of the connection's dialect, which the connection alone writes. A failed
// formatting leaves nothing behind, so a later request formats again instead of sending a text cut
// short.
//
// The text, parameters and formatted SQL are in NACommand.cpp; names, SQL functions of the dialect
// and the LIMIT/TOP rewriting in NACommandNames.cpp; LIKE patterns, empty dates, select lists and
// the NULL-selection record in NACommandLike.cpp; the text scanners in NACommandScan.cpp.
#pragma once

#include <cstdint>

#include "core/NARefArray.h"
#include "core/TString.h"
#include "core/TStringConcatAW.h"
#include "native/model/Interf.h"
#include "native/model/NADefine.h"
#include "native/model/NAItemType.h"
#include "native/model/NAParameter.h"
#include "native/sql/NASqlElt.h"
#include "native/sql/OpExpression.h"

class CAny;
class CColumnNullValueExcluded;
class CNAColumn;
class CNAConnectionDescription;
class CNAConvertVariant;
class CNAError;
class CNARecord;
class CNAVariant;
class CSQLParserInfo;
class IExpOpExpression;
class IInfoFrom;
class IInfoRubrique;
class INADataSourceDescription;
class INAItemDescription;
class ISQLParserInformation;
template <class T>
class CXYString;

// The driver's kinds of query.
enum eNAQUERYTYPE : uint32_t {
    NAQUERYTYPE_NONE = 0,
    NAQUERYTYPE_SELECT = 1,
    NAQUERYTYPE_UPDATE = 2,
    NAQUERYTYPE_INSERT = 3,
    NAQUERYTYPE_DELETE = 4,
    NAQUERYTYPE_DELETEALL = 5,
    NAQUERYTYPE_CREATE = 6,
    NAQUERYTYPE_OTHER = 8,
    NAQUERYTYPE_DROP = 9,
    NAQUERYTYPE_SET = 10,
};

class CNACommand : public CInterf {
public:
    // Value classes a caller wants written as text (a bit set).
    enum ePARAMTYPECONV : uint32_t {
        PARAMTYPECONV_NONE = 0,
        PARAMTYPECONV_INTEGER = 1,
        PARAMTYPECONV_REAL = 2,
        PARAMTYPECONV_TEXT = 4,
        PARAMTYPECONV_DATE = 8,
        PARAMTYPECONV_BINARY = 16,
        PARAMTYPECONV_BOOLEAN = 32,
        PARAMTYPECONV_MONEY = 64,
    };
    // How bAdd takes the other command's parameters.
    enum eADDMMODE : uint32_t {
        ADDMODE_SHARE = 0,  // the objects themselves, shared, their positions moved in place
        ADDMODE_COPY = 1,   // copies made by the parameters' own copy operation
    };
    // Parameter flags of the values taken from a parsed query's text.
    enum : uint32_t {
        NAPARAM_FLAG_LITERAL = 0x80000,
        NAPARAM_FLAG_LIKELITERAL = 0xC0000,
    };

    // Takes one reference on each.
    CNACommand(CNAError* pclError, CNAConnectionDescription* pclConnection);
    CNACommand(const CNACommand&) = delete;
    CNACommand& operator=(const CNACommand&) = delete;
    ~CNACommand() override;

    // ------------------------------------------------------------------ virtual operations
    // In this order after CInterf's (the destructor pair and _NotToBeCalled); no class overrides
    // them. The members a parsed query needs (a host's expression, FROM table or output item) are
    // written with the rebuilding of parsed queries: until then they write nothing and fail.
    virtual int bNeedToReplaceStar() const { return 1; }
    virtual int bIsEmpty() const;
    virtual int nGetParameterNbr() const { return m_tabParameters.nGetNbElement(); }
    // Drops the defines, the text and the formatted SQL, and the parameters unless bKeepParameters;
    // no row limit nor offset afterwards.
    virtual void ResetCommand(int bKeepParameters);
    virtual int bComplete(ISQLParserInformation* piParser);
    virtual int bAdd(CNACommand* pclOther, eADDMMODE eMode);
    // A parameter from the driver's factory at the end of the text.
    virtual int bAddParameter(CNAConvertVariant* pclValue, eOPEXPRESSION eOperator, unsigned int nFlags,
                              CNAColumn* pclColumn, const wchar_t* pszName, wchar_t cEscape,
                              CNAParameter::eNAPARAMETERINOUT eDirection);
    virtual int bAddSelectColumns(CNARecord* pclRecord, int bNameOnly);
    virtual int bAddSelectColumn(CNAColumn* pclColumn, int bNameOnly);
    virtual int _bFormatAndConvertItemInClause(CTStringConcatAW* pclOut, CNASqlElt::eSQLELT eKind,
                                               const wchar_t* pszTable, const wchar_t* pszItem,
                                               INAItemDescription* piItem);
    // 2 when a date, time or date-time item compared by this operator must be written in the
    // host's compact text form (the connection's bConvertExpressionToString), else 0.
    virtual int eGetFormatExpressionColonne(CNASqlElt::eSQLELT eKind, eNA_ITEMTYPE eType, eOPEXPRESSION eOperator,
                                            IExpOpExpression* piExpression);
    // One parameter into the formatted SQL; *pnPosition is the place in the text, which a LIKE
    // parameter may move past an ESCAPE clause it replaces.
    virtual int _bAddParameterFormated(CNAParameter* pclParameter, ePARAMTYPECONV eConversion,
                                       unsigned long* pnPosition);
    // One value as a literal of the dialect.
    virtual int _bAddParameterFormated(CNAParameter* pclParameter, eNA_ITEMTYPE eDataBaseType,
                                       eNA_ITEMTYPE eTargetType, ePARAMTYPECONV eConversion, unsigned long* pnPosition);
    // A LIKE pattern: escaped so that only its own wildcards act, then written by slot 20.
    virtual int _bAddParameterFormatedLike(CNAParameter* pclParameter, eNA_ITEMTYPE eDataBaseType,
                                           eNA_ITEMTYPE eTargetType, ePARAMTYPECONV eConversion,
                                           unsigned long* pnPosition);
    virtual void vAddEscapeLike(eNA_ITEMTYPE) {}
    // The pattern's literal and, when it needs one, its ESCAPE clause.
    virtual int vbAddEscapedLikeValue(CNAParameter* pclParameter, CAny* pclValue, eNA_ITEMTYPE eDataBaseType,
                                      eNA_ITEMTYPE eTargetType, unsigned long* pnPosition);
    virtual void vAddEscapeLikeIfNeeded(CNAParameter* pclParameter, const wchar_t* pszLiteral,
                                        unsigned long* pnPosition);
    virtual int _bBuildFormatedSQL(ePARAMTYPECONV eConversion);
    virtual void _FormatItemNameInWHEREClause(ISQLParserInformation* piParser, INAItemDescription* piItem,
                                              const wchar_t* pszTable, CTString* pclItem, CNAParameter* pclParameter);
    virtual void _FormatRubriqueAlias(CSQLParserInfo* pclParser, const IInfoRubrique* piItem, CTString* pclOut,
                                      int bWithTable);
    virtual int _vbFormatExpressionOperatorEntreOperande(CSQLParserInfo*, IExpOpExpression*, IExpOpExpression*,
                                                         CNASqlElt::eSQLELT, CTStringConcatAW*) {
        return 1;
    }
    virtual int _vbSkipOperande(IExpOpExpression*, IExpOpExpression*, unsigned int) { return 0; }
    virtual void _vConvertirFonction(CTStringConcatAW*, IExpOpExpression*, IExpOpExpression*, CNASqlElt::eSQLELT,
                                     int) {}
    virtual void _FormatExpressionArgument(CSQLParserInfo* pclParser, const wchar_t* pszText,
                                           IExpOpExpression* piFunction, IExpOpExpression* piArgument,
                                           CNASqlElt::eSQLELT eKind, CTString* pclOut, int bFirst,
                                           unsigned long* pnPosition, unsigned int nArgument);
    virtual void _FormatExpressionLiteral(CSQLParserInfo* pclParser, IExpOpExpression* piComparison,
                                          IExpOpExpression* piLiteral, CNASqlElt::eSQLELT eKind,
                                          INAItemDescription* piItem, CNAParameter* pclParameter,
                                          eNA_ITEMTYPE eType);
    virtual void _FormatExpressionItemName(CSQLParserInfo* pclParser, CNASqlElt::eSQLELT eKind,
                                           const wchar_t* pszTable, CTString* pclItem, CNAParameter* pclParameter);
    // The dialect's name of the function (see s_pszGetFunctionName) into pclName; left as the caller
    // put it when the dialect keeps the host's name.
    virtual void _FormatExpressionOperator(CSQLParserInfo* pclParser, IExpOpExpression* piParent,
                                           IExpOpExpression* piFunction, CNASqlElt::eSQLELT eKind, CTString* pclName);
    virtual void _GetMotifVariableDebut(wchar_t* pszOut, unsigned int nSize);
    virtual void _GetMotifVariableFin(wchar_t* pszOut, unsigned int nSize);
    virtual void _FormatTableClauseFROM(CSQLParserInfo* pclParser, INADataSourceDescription* piSource,
                                        const IInfoFrom* piFrom, CTString* pclOut);
    virtual void _FormatTableAliasClauseFROM(CSQLParserInfo* pclParser, const IInfoFrom* piFrom, CTString* pclOut);
    // Whether a literal of a parsed expression becomes a parameter.
    virtual int _bShouldAddParameter(CSQLParserInfo* pclParser, IExpOpExpression* piParent,
                                     IExpOpExpression* piExpression, CNASqlElt::eSQLELT eKind,
                                     INAItemDescription* piItem);

    // ------------------------------------------------------------------ text
    // n characters (-1: all) appended; with the parsed-query flag set they also reach a formatted
    // SQL that exists already. 0 when the text lost a piece (memory).
    int bComplete(const wchar_t* pszText, unsigned long n = static_cast<unsigned long>(-1));
    int bSetInternalQuery(const wchar_t* pszText, unsigned long n = static_cast<unsigned long>(-1));
    int bCompleteWithNumber(int n);
    void _CompleteFormatedSQL(const wchar_t* pszText, long n);
    // " RETURNING " and the column list.
    int bAddReturning(const wchar_t* pszColumns);
    // " " and the connection's no-lock hint, when it has one.
    int bAddRecordLock();
    // Text inserted, replaced or cut at a wide-character position; the parameters after the place
    // move with the text (a cut drops those at or after the new end).
    void Insert(unsigned long nPosition, const wchar_t* pszText);
    void Replace(unsigned long nPosition, unsigned long nCount, const wchar_t* pszText);
    void _OffsetParameter(unsigned long nPosition, long nDelta);
    void Tronque(unsigned long nLength);
    const wchar_t* pszGetOriginalSQL() { return m_clSQL.pszGetW(); }
    const char* pszGetOriginalSQLA() { return m_clSQL.pszGetA(); }
    unsigned long nGetLength() { return m_clSQL.nGetLongueurW(); }

    // The formatted SQL, built on the first request and kept until ResetFormatedSQL or
    // ResetCommand; null when it cannot be built (the error object says why).
    const wchar_t* pszGetFormatedSQL(ePARAMTYPECONV eConversion) { return pszGetFormatedSQLW(eConversion); }
    const wchar_t* pszGetFormatedSQLW(ePARAMTYPECONV eConversion);
    // In the 8-bit code page of the text sent to the server.
    const char* pszGetFormatedSQLA(ePARAMTYPECONV eConversion);
    CTStringConcatAW* pclGetFormatedSQL(ePARAMTYPECONV eConversion);
    void ResetFormatedSQL() { m_clFormatedSQL.Vide(); }

    // ------------------------------------------------------------------ parameters
    int bAddParameter(CNAParameter* pclParameter);
    // The value wrapped in a new converter typed after the column, or after the value.
    int bAddParameter(const CAny* pclValue, eOPEXPRESSION eOperator, unsigned int nFlags, CNAColumn* pclColumn,
                      wchar_t cEscape, CNAParameter::eNAPARAMETERINOUT eDirection);
    int bAddParameterReturn(CNAConvertVariant* pclValue);
    CNAParameter* pclGetParameterNoRef(unsigned int nIndex) const;
    // The first parameter bound to a host variable of that name (case and accents ignored).
    CNAParameter* pclGetParameterByNameNoRef(const wchar_t* pszName) const;
    // The index of the first host-variable parameter at the same position; -1 when none.
    int nGetUserParamIndice(const CNAParameter* pclParameter) const;
    CNAConvertVariant* _vpclAllocVariant();
    CNAConvertVariant* _vpclGetNewVariant(CNAColumn* pclColumn, const CAny* pclValue);
    CNAConvertVariant* _vpclGetNewVariant(CNAColumn* pclColumn, unsigned short nType);
    // A host-variable parameter takes the value the host holds for its name; without a parsed
    // query the parameter keeps its value.
    int _bUpdateParameterValue(CNAParameter* pclParameter);

    // ------------------------------------------------------------------ query kind, limits, flags
    // The driver's kind of query for the host's kind (eTYPEREQUETE).
    void SetQueryType(int eHostKind);
    void SetNAQueryType(eNAQUERYTYPE eType) { m_eQueryType = eType; }
    eNAQUERYTYPE eGetQueryType() const { return m_eQueryType; }
    static eNAQUERYTYPE eConvertTypeQuery(int eHostKind);
    // The value class (ePARAMTYPECONV bit) of a language type code; 0 for the others.
    static uint32_t VQType2eParamType(unsigned short nType);
    static int _bNeedParameterConversionToString(const CNAVariant* pclValue, ePARAMTYPECONV eConversion);
    static int _bNeedParameterConversionToString(const CNAParameter* pclParameter, ePARAMTYPECONV eConversion);

    // Rows the server returns and skips; -1: no limit, no offset.
    void SetRowLimit(int64_t ll) { m_llRowLimit = ll; }
    int64_t llGetRowLimit() const { return m_llRowLimit; }
    void SetRowOffset(int64_t ll) { m_llRowOffset = ll; }
    int64_t llGetRowOffset() const { return m_llRowOffset; }
    // Set while the command re-emits a query the host parsed.
    void SetParsedQuery(int b) { m_bParsedQuery = b ? 1u : 0u; }
    int bIsParsedQuery() const { return m_bParsedQuery != 0; }
    unsigned nGetColumnMode() const { return m_nColumnMode; }
    void SetColumnMode(unsigned n) { m_nColumnMode = n; }
    CSQLParserInfo* pclGetParserInfoNoRef() const { return m_pclParserInfo; }
    CNAError* pclGetErrorNoRef() const { return m_pclError; }
    CNAConnectionDescription* pclGetConnectionNoRef() const { return m_pclConnection; }

    // The text, the parameters with their types and values, for error reports. Kept once made.
    const wchar_t* pszGetCommandDump();

    // ------------------------------------------------------------------ names
    // Table and item names as the server reads them: quoted when the dialect wants it, a quote
    // inside a name doubled.
    void _FormatTableName(const wchar_t* pszName, CTString* pclOut);
    void _FormatItemName(const wchar_t* pszName, CTString* pclOut);
    // The dialect's name of a host function (by its operator code); null when the dialect keeps the
    // host's name.
    static const wchar_t* s_pszGetFunctionName(unsigned eDataSource, int nOperator);
    // The item type given to a literal passed as argument nArgument (from 0) of the function of
    // that operator code in a clause of that kind; with *pbRelease set the literal must not be
    // typed after the item the function is compared with (eItemType, its type), which the caller
    // then drops.
    eNA_ITEMTYPE _eTypeParameterByCode(CNASqlElt::eSQLELT eKind, int nOperator, unsigned nArgument,
                                       bool bLastOperand, eNA_ITEMTYPE eType, eNA_ITEMTYPE eItemType, bool bHasItem,
                                       bool* pbRelease);
    // Whether the item that described a function's input still describes its result.
    static bool s_bTypeRetourKeepsItem(int nOperator, eNA_ITEMTYPE eItemType);
    // The formatted SQL's row limit in the dialect: "TOP n" after SELECT, or LIMIT at the end.
    void _RemplaceLimitParTop();
    void _RemplaceTopParLimit();

    // ------------------------------------------------------------------ LIKE
    void _ChangeEscapement(CTStringConcatAW* pclText, wchar_t cEscape);
    // The value escaped so that every character of it matches itself in a LIKE pattern; false
    // (user error 12) when the room cannot be had.
    int bEscapeLIKEParamAsYFParam(CXYString<wchar_t>* pclOut, const wchar_t* pszValue, wchar_t cEscape);
    int bEscapeLIKEParamAsYFParam(CXYString<char>* pclOut, const char* pszValue, char cEscape);

    // ------------------------------------------------------------------ empty dates
    // What a comparison of a date item with an empty date becomes: the text, and whether it is a
    // constant truth that replaces the whole comparison (else it follows the item). Null for an
    // operator that is not a comparison.
    static const wchar_t* s_pszGetEmptyDateComparison(int eOperator, int bNullBeforeNotNull, int* pbConstant);

    // ------------------------------------------------------------------ select list and defines
    int _bAddColumnInSelect(const wchar_t* pszText);
    int bAddSelectAdditionnalColumn(const wchar_t* pszExpression, CNAConvertVariant* pclValue);
    int bAddSelectAdditionnalColumn(const wchar_t* pszExpression, unsigned short nType);
    int bAddSelectAdditionalColumnInQueryFormat(const wchar_t* pszExpression, CNAConvertVariant* pclValue);
    const wchar_t* pszGetAdditionalSelect() { return m_clAdditionalSelect.pszGetW(); }
    int AddDefine(CNAColumn* pclColumn);
    int AddDefine(const wchar_t* pszName, CNAConvertVariant* pclValue);
    int nGetDefineNbr() const { return m_tabDefines.nGetNbElement(); }
    CNADefine* pclGetDefineNoRef(int nIndex) const;

    // ------------------------------------------------------------------ NULL selection
    // Whether rows with a NULL value in the column still pass the command's condition.
    int bColumnValuesNullSelected(const CNAColumn* pclColumn) const;
    int bCombineColumnValuesNullSelected(int eOperator, CColumnNullValueExcluded* pclOther);
    int bCopyColumnValuesNullSelected(CColumnNullValueExcluded* pclOther);
    int _bInitColumnNullValueExcluded();
    CColumnNullValueExcluded* pclGetColumnNullValueExcludedNoRef() const { return m_pclNullSelection; }

    // ------------------------------------------------------------------ text scanners
    static int s_bSeparateur(wchar_t c);
    // A "SET name value" statement, nothing after it but blanks and semicolons.
    static int s_bIsQuerySet(const wchar_t* pszText);
    static int s_bSuiteRequeteCommenceParMot(const wchar_t* pszText, const wchar_t* pszWord);
    static long s_nGetPosSuiteRequete(const wchar_t* pszText, const wchar_t* pszWord);
    static int s_bSuiteRequeteCommencePar(const wchar_t* pszText, const wchar_t* pszWord) {
        return s_nGetPosSuiteRequete(pszText, pszWord) >= 0;
    }
    static int s_bRequeteTerminePar(const wchar_t* pszText, const wchar_t* pszWord);
    // The keyword as a whole word, searched backwards from nFrom (-1: the end), outside string
    // literals and quoted identifiers; -1 when absent.
    static long s_nGetClauseStart(CNAConnectionDescription* pclConnection, const wchar_t* pszText,
                                  const wchar_t* pszKeyword, long nFrom);
    static int s_bQueryResultsetLimited(CNAConnectionDescription* pclConnection, const wchar_t* pszText);
    static int s_bGetItemNameAndPos(CTString* pclName, unsigned long* pnFirst, unsigned long* pnLast,
                                    const wchar_t* pszText, unsigned long nFrom);
    // Where a query run as the host wrote it loses its own ORDER BY: the first "ORDER BY" (else the
    // first "order by") that stands in the query itself, outside literals, quoted identifiers,
    // comments and parentheses; -1 when there is none.
    static long s_nGetOrderByCut(CNAConnectionDescription* pclConnection, const wchar_t* pszText);

    // The start and stop of each clause of a parsed query, as the query gives them (a start of -1:
    // the clause is absent).
    struct stClausePositions {
        long nLength;  // of the query text
        long nFromStart, nFromStop;
        long nWhereStart, nWhereStop;
        long nGroupByStart, nGroupByStop;
        long nHavingStart, nHavingStop;
        long nOrderByStart;
    };
    // A present clause of kinds 2 to 6 gives its start and stop (ORDER BY stops at the end of the
    // text); an absent one, and the select list, give the place just before the next present
    // clause, or the end of the text.
    static void s_GetClausePos(const stClausePositions& st, CNASqlElt::eSQLELT eKind, unsigned long* pnStart,
                               unsigned long* pnStop);

protected:
    // The quotes the connection writes around an identifier (both empty when it writes names as
    // they are); the standard double quote without a connection.
    static void s_GetIdentifierQuotes(CNAConnectionDescription* pclConnection, CTString* pclOpen,
                                      CTString* pclClose);
    // One " " before a piece of text unless the formatted SQL is empty or a blank already stands
    // on either side.
    void _AddSpaceBetween(wchar_t cNext);
    // The literal in the temporary builder appended to the formatted SQL; false when it lost text.
    int _bAppendLiteral(CTStringConcatAW* pclLiteral);
    // The backslash is an escape inside literals of this connection.
    int _bBackslashEscapes() const;
    void _RaiseNoMemory(int nSite);

    CNAError* m_pclError;
    CNAConnectionDescription* m_pclConnection;
    uint32_t m_bParsedQuery = 0;
    eNAQUERYTYPE m_eQueryType = NAQUERYTYPE_NONE;
    CSQLParserInfo* m_pclParserInfo = nullptr;
    CTStringConcatAW m_clSQL;
    CNARefArray<CNAParameter> m_tabParameters;
    uint32_t m_bParametersAllowed = 1;
    uint32_t m_dwParameterOptions = 0;
    CTStringConcatAW m_clAdditionalSelect;
    uint32_t m_nColumnMode = 3;
    CNARefArray<CNADefine> m_tabDefines;
    int64_t m_llRowLimit = -1;
    int64_t m_llRowOffset = -1;
    CTStringConcatAW m_clFormatedSQL;
    CTStringConcatAW m_clDump;
    CColumnNullValueExcluded* m_pclNullSelection = nullptr;
};

template <>
struct CRefTraits<CNACommand> {
    static void _AddRef(CNACommand* p) { p->AddRef(); }
    static void _Release(CNACommand* p) { p->nRelease(); }
};
