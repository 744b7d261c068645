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
// A query the host has parsed is never parsed again: the command copies the host's text between
// the places the parsed query reports (clauses, tables, items, literals) and writes in their place
// what the server needs: names as the server knows them, literals as parameters, the dialect's
// functions, computed columns expanded, an added condition merged into the WHERE clause.
//
// The text, parameters and formatted SQL are in NACommand.cpp; names, SQL functions of the dialect
// and the LIMIT/TOP rewriting in NACommandNames.cpp; LIKE patterns, empty dates, select lists and
// the NULL-selection record in NACommandLike.cpp; the text scanners in NACommandScan.cpp; the
// parsed query's clauses, FROM tables, names and values in NACommandParsed.cpp; the pieces of its
// expressions and its ORDER BY in NACommandExpression.cpp; the walk of its expression trees and
// the rebuilding of the whole query in NACommandCondition.cpp.
#pragma once

#include <cstdint>
#include <string>

#include "core/NARefArray.h"
#include "core/TString.h"
#include "core/TStringConcatAW.h"
#include "core/TTableau.h"
#include "native/model/Interf.h"
#include "native/model/NADefine.h"
#include "native/model/NAItemType.h"
#include "native/model/NAParameter.h"
#include "native/sql/NASqlElt.h"
#include "native/sql/OpExpression.h"
#include "native/sql/SQLParserInterfaces.h"

class CAny;
class CColumnNullValueExcluded;
class CNAColumn;
class CNAConnectionDescription;
class CNAConvertVariant;
class CNAError;
class CNARecord;
class CNAVariant;
class CSQLParserInfo;
class INADataSourceDescription;
class INAItemDescription;
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
        PARAMTYPECONV_ALL = 127,
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
    // them.
    virtual int bNeedToReplaceStar() const { return 1; }
    virtual int bIsEmpty() const;
    virtual int nGetParameterNbr() const { return m_tabParameters.nGetNbElement(); }
    // Drops the defines, the text and the formatted SQL, and the parameters unless bKeepParameters;
    // no row limit nor offset afterwards.
    virtual void ResetCommand(int bKeepParameters);
    // The parsed query's text with its filled values as parameters and the host items it names
    // written as the server knows them.
    virtual int bComplete(ISQLParserInformation* piParser);
    virtual int bAdd(CNACommand* pclOther, eADDMMODE eMode);
    // A parameter from the driver's factory at the end of the text.
    virtual int bAddParameter(CNAConvertVariant* pclValue, eOPEXPRESSION eOperator, unsigned int nFlags,
                              CNAColumn* pclColumn, const wchar_t* pszName, wchar_t cEscape,
                              CNAParameter::eNAPARAMETERINOUT eDirection);
    virtual int bAddSelectColumns(CNARecord* pclRecord, int bNameOnly);
    virtual int bAddSelectColumn(CNAColumn* pclColumn, int bNameOnly);
    // The item's name (table "." item) appended to pclOut wrapped in the connection's conversion to
    // the host's compact text of dates and times.
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
    // *pclItem (an item name) becomes the name as a WHERE clause writes it.
    virtual void _FormatItemNameInWHEREClause(ISQLParserInformation* piParser, INAItemDescription* piItem,
                                              const wchar_t* pszTable, CTString* pclItem, CNAParameter* pclParameter);
    // An output item's name as the server knows it: a computed item's own name, a plain item's name
    // in its table, qualified by its table (or alias) with bWithTable.
    virtual void _FormatRubriqueAlias(CSQLParserInfo* pclParser, IInfoRubrique* piItem, CTString* pclOut,
                                      int bWithTable);
    virtual int _vbFormatExpressionOperatorEntreOperande(CSQLParserInfo*, IExpOpExpression*, IExpOpExpression*,
                                                         CNASqlElt::eSQLELT, CTStringConcatAW*) {
        return 1;
    }
    virtual int _vbSkipOperande(IExpOpExpression*, IExpOpExpression*, unsigned int) { return 0; }
    virtual void _vConvertirFonction(CTStringConcatAW*, IExpOpExpression*, IExpOpExpression*, CNASqlElt::eSQLELT,
                                     int) {}
    // The dialect's text around an argument of a function (before it with bFirst, after it
    // otherwise) into pclOut; it may also write into the command or move *pnPosition.
    virtual void _FormatExpressionArgument(CSQLParserInfo* pclParser, const wchar_t* pszText,
                                           IExpOpExpression* piFunction, IExpOpExpression* piArgument,
                                           CNASqlElt::eSQLELT eKind, CTString* pclOut, int bFirst,
                                           unsigned long* pnPosition, unsigned int nArgument);
    // The value of a literal's parameter adapted to what it is compared with.
    virtual void _FormatExpressionLiteral(CSQLParserInfo* pclParser, IExpOpExpression* piComparison,
                                          IExpOpExpression* piLiteral, CNASqlElt::eSQLELT eKind,
                                          INAItemDescription* piItem, CNAParameter* pclParameter,
                                          eNA_ITEMTYPE eType);
    // *pclItem (an item name) becomes the name as a clause of that kind writes it.
    virtual void _FormatExpressionItemName(CSQLParserInfo* pclParser, CNASqlElt::eSQLELT eKind,
                                           const wchar_t* pszTable, CTString* pclItem, CNAParameter* pclParameter);
    // The dialect's name of the function (see s_pszGetFunctionName) into pclName; left as the caller
    // put it when the dialect keeps the host's name.
    virtual void _FormatExpressionOperator(CSQLParserInfo* pclParser, IExpOpExpression* piParent,
                                           IExpOpExpression* piFunction, CNASqlElt::eSQLELT eKind, CTString* pclName);
    virtual void _GetMotifVariableDebut(wchar_t* pszOut, unsigned int nSize);
    virtual void _GetMotifVariableFin(wchar_t* pszOut, unsigned int nSize);
    // A FROM table's physical name (else its description's name) and its alias, as table names.
    virtual void _FormatTableClauseFROM(CSQLParserInfo* pclParser, INADataSourceDescription* piSource,
                                        IInfoFrom* piFrom, CTString* pclOut);
    virtual void _FormatTableAliasClauseFROM(CSQLParserInfo* pclParser, IInfoFrom* piFrom, CTString* pclOut);
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

    // What the formatted SELECT of a command of one value leaves for the next command of the same
    // text: a statement sends its seeks and its blocks as one text after another that differ by
    // the value alone. The 8-bit text before and after the value serves only a command whose text,
    // value's place, row limit and offset, connection and code page are the ones it was parted
    // from; anything else is formatted afresh.
    struct stFormatedSkeleton {
        struct stParted {
            std::wstring sText;
            unsigned long nPosition = 0;
            int64_t llRowLimit = -1;
            int64_t llRowOffset = -1;
            const CNAConnectionDescription* pclConnection = nullptr;
            unsigned nCodePage = 0;
            std::string sHead;
            std::string sTail;
            bool bKept = false;
        };
        // Two texts: a seek that finds no equal row goes on at once with the text of the rows after it.
        stParted aParted[2];
        // The one a text that fits neither replaces.
        unsigned nNext = 0;
        // The latest text given out.
        std::string sSQL;
    };
    // The same text as pszGetFormatedSQLA, the value alone formatted when the skeleton fits; the
    // skeleton is made from a command that fits none. The text given out may be the skeleton's own
    // (valid until its next use); the command's formatted SQL is then built afresh when asked for.
    const char* pszGetFormatedSQLA(ePARAMTYPECONV eConversion, stFormatedSkeleton* pstSkeleton);
    CTStringConcatAW* pclGetFormatedSQL(ePARAMTYPECONV eConversion);
    void ResetFormatedSQL() { m_clFormatedSQL.Vide(); }

    // ------------------------------------------------------------------ parameters
    int bAddParameter(CNAParameter* pclParameter);
    // The parameter at that index becomes another one at the same place of the text; the
    // formatted SQL is dropped.
    int bReplaceParameter(unsigned int nIndex, CNAParameter* pclParameter);
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
    // query or its parameter values the parameter keeps its value.
    int _bUpdateParameterValue(CNAParameter* pclParameter);
    int _bUpdateParameterValue(INAQueryParametersValue* piValues, CNAParameter* pclParameter);
    // Every host-variable parameter refreshed from the host's values, stopping at a failure.
    int bUpdateParametersValues();

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
    // Set by the ORDER BY of a browse when the SQL order runs against the browse order: the
    // statement then swaps first/last and next/previous when it fetches.
    int bInvertFetch() const { return m_bInvertFetch != 0; }
    void SetInvertFetch(int b) { m_bInvertFetch = b ? 1u : 0u; }
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

    // ------------------------------------------------------------------ parsed queries: text and clauses
    // Keeps the parsed query (a reference); the query type follows it (see the .cpp).
    void _SetSQLParserInfo(CSQLParserInfo* pclParser);
    // After a rebuilt query, the host's text that follows its ORDER BY clause (the driver writes
    // its own ORDER BY in its place). Nothing for a query run as written.
    int bFormatEndOfQuery();
    // The text from *pnPosition (0 without one) to its end with the filled values as parameters and
    // the host items as the server names them (bFormatItems) or as table "." item.
    int _bAddClause(CTabValParser* pclValues, const wchar_t* pszText, ISQLParserInformation* piParser,
                    int bFormatItems);
    int _bAddClause(CTabValParser* pclValues, const wchar_t* pszText, ISQLParserInformation* piParser,
                    int bFormatItems, unsigned long* pnPosition);
    // The start and stop of a clause of the parsed query (see s_GetClausePos); false without one.
    int _bGetClausePos(unsigned long* pnStart, unsigned long* pnStop, CSQLParserInfo* pclParser,
                       CNASqlElt::eSQLELT eKind);
    unsigned long _nGetClauseStart(CSQLParserInfo* pclParser, CNASqlElt::eSQLELT eKind);
    unsigned long _nGetClauseStop(CSQLParserInfo* pclParser, CNASqlElt::eSQLELT eKind);

    // ------------------------------------------------------------------ parsed queries: names and tables
    // The span of an expression in the query text: a literal's and an item's own span, the whole
    // expression for the others.
    static stPosition _stGetPositionExpression(IExpOpExpression* piExpression);
    // Whether argument nArgument (from 0) is the function's last operand.
    static int _bLastOperande(IExpOpExpression* piFunction, unsigned nArgument);
    // The item type a literal passed as argument nArgument of the function takes; *ppiItem (the
    // item it is compared with) is released and set to null when the literal must not be typed
    // after it.
    eNA_ITEMTYPE _eTypeParameter(CNASqlElt::eSQLELT eKind, IExpOpExpression* piFunction, unsigned nArgument,
                                 eNA_ITEMTYPE eType, INAItemDescription** ppiItem);
    // *ppiItem kept when it still describes the function's result, else released and set to null.
    void _TypeRetour(CNASqlElt::eSQLELT eKind, IExpOpExpression* piFunction, INAItemDescription** ppiItem);
    // The output item an alias stands for (see CSQLParserInfo::g_piGetInfoRubriqueFromAlias).
    IInfoRubrique* _piGetInfoRubriqueFromAlias(ISQLParserInformation* piParser, const wchar_t* pszTable,
                                               const wchar_t* pszAlias);
    // The description of the item in the table an alias of the query stands for, with a
    // reference; null when pszAlias is no alias.
    INAItemDescription* _pclGetOriginalItemDesc(CSQLParserInfo* pclParser, const wchar_t* pszAlias,
                                                const wchar_t* pszItem);
    // A table text that is no alias becomes its physical name (else its description's name); the
    // item becomes its description's own name when the table is known.
    void _GetOriginalTableNameAndItemName(CSQLParserInfo* pclParser, CTString* pclTable, CTString* pclItem);
    // The same, then both formatted as the server reads them.
    void _GetFormatedOriginalTableNameAndItemName(CSQLParserInfo* pclParser, CTString* pclTable, CTString* pclItem);
    // *pclItem (a name of the host's text, maybe an output alias) becomes the name of a WHERE clause.
    void _FormatItemNameInWHEREClause(ISQLParserInformation* piParser, const wchar_t* pszTable, CTString* pclItem,
                                      CNAParameter* pclParameter);
    // One FROM table of the parsed query copied with its name and alias as the server knows them.
    int _bAddFromClause(const CNASqlElt* pclElement, unsigned long* pnPosition, const wchar_t* pszText,
                        CSQLParserInfo* pclParser);
    // Formatted table "." formatted item, or the formatted item alone without a table.
    void _FormatTableAndItemName(const wchar_t* pszTable, const wchar_t* pszItem, CTString* pclOut);
    // An item's name as a clause of that kind writes it, compared by that operator: converted to
    // the host's compact text when the dialect wants it, else table "." item.
    int FormatExpressionItemName(CNASqlElt::eSQLELT eKind, eOPEXPRESSION eOperator, INAItemDescription* piItem,
                                 const wchar_t* pszTable, const wchar_t* pszItem, CTString* pclOut);

    // ------------------------------------------------------------------ parsed queries: empty dates
    // A comparison of a date item with an empty date written as a NULL test or a constant truth;
    // false (nothing written) when it is no such comparison.
    int _bExpressionDateEmpty(CTStringConcatAW* pclOut, unsigned long* pnPosition, IExpOpExpression* piComparison,
                              const wchar_t* pszText, unsigned long nStart, INAItemDescription* piItem);
    // The query text up to the operand's start copied; always true.
    int _bCopyPreviousQueryContent(CTStringConcatAW* pclOut, unsigned long* pnPosition, IExpOpExpression* piOperand,
                                   const wchar_t* pszText);

    // ------------------------------------------------------------------ parsed queries: expression pieces
    // Each copies the query text from *pnPosition to the piece, writes the piece into pclOut and
    // moves *pnPosition past it.
    int _bDoExpressionLiteral(CSQLParserInfo* pclParser, const wchar_t* pszText, IExpOpExpression* piComparison,
                              IExpOpExpression* piLiteral, CNASqlElt::eSQLELT eKind, INAItemDescription* piItem,
                              unsigned long* pnPosition, CTStringConcatAW* pclOut, eNA_ITEMTYPE eType);
    // A value adapted to the item it is compared with (dates and times completed, cast to the
    // server's form of the type).
    void FormatExpressionLiteral(CNASqlElt::eSQLELT eKind, eOPEXPRESSION eOperator, IExpOpExpression* piComparison,
                                 INAItemDescription* piItem, eNA_ITEMTYPE eType, CNAConvertVariant* pclValue);
    int _bDoExpressionOperator(CSQLParserInfo* pclParser, const wchar_t* pszText, IExpOpExpression* piParent,
                               IExpOpExpression* piFunction, CNASqlElt::eSQLELT eKind, unsigned long* pnPosition,
                               CTStringConcatAW* pclOut);
    int _bDoExpressionColonne(CSQLParserInfo* pclParser, const wchar_t* pszText, IExpOpExpression* piColumn,
                              unsigned long* pnPosition, CTStringConcatAW* pclOut);
    // The walk's item reference: an output alias stands for its item, a computed one for its
    // expression. *ppiItem receives the item's description (a reference) when asked for.
    int _bDoExpressionColonne(CSQLParserInfo* pclParser, const wchar_t* pszText, IExpOpExpression* piParent,
                              IExpOpExpression* piColumn, CNASqlElt::eSQLELT eKind, unsigned long* pnPosition,
                              CTStringConcatAW* pclOut, INAItemDescription** ppiItem);
    int _bExpressionColonneToSQL(CSQLParserInfo* pclParser, const wchar_t* pszText, IExpOpExpression* piExpression,
                                 unsigned long* pnPosition, CTStringConcatAW* pclOut);
    // The name after an "AS" at the position written as an item name.
    int _bFormatAlias(unsigned long* pnPosition, const wchar_t* pszText);
    int _bDoExpressionArgument(CSQLParserInfo* pclParser, const wchar_t* pszText, IExpOpExpression* piFunction,
                               IExpOpExpression* piArgument, CNASqlElt::eSQLELT eKind, unsigned long* pnPosition,
                               CTStringConcatAW* pclOut, int bFirst, unsigned nArgument);

    // ------------------------------------------------------------------ parsed queries: ORDER BY
    // The parsed query's ORDER BY appended: items by their own text (bItemText) or by their names,
    // directions kept (a forward browse) or reversed.
    int bFormatORDERBY(int bItemText, int bKeepDirections);
    // The ORDER BY walk from *pnPosition; with bWrite 0 the clause and all after it are left out.
    // *pbUnique: the last item written orders every row alone.
    int _bFormatORDERBY(unsigned long* pnPosition, const wchar_t* pszText, int bWrite, int bKeepDirections,
                        int bItemText, int* pbUnique);
    int _bAddItemInORDERBY(IInfoRubrique* piItem, int nIndex, const wchar_t* pszText, stPosition stSpan,
                           int bItemText, int* pbUnique);

    // ------------------------------------------------------------------ parsed queries: rebuilding
    // The whole parsed query rebuilt into this command with pclCondition merged into its WHERE
    // clause; bKeepOrderBy keeps the host's ORDER BY of a query run as written (nFlags bit 2).
    int bFormatCondition(CSQLParserInfo* pclParser, CNACommand* pclCondition, int bKeepOrderBy, int nFlags);
    // One clause's expression; a WHERE clause (eKind 3) gets pclCondition merged.
    int bAddTreeExpression(CSQLParserInfo* pclParser, CSQLParserInfo* pclParser2, const wchar_t* pszText,
                           IExpOpExpression* piParent, IExpOpExpression* piNode, CNASqlElt::eSQLELT eKind,
                           unsigned long* pnPosition, CNACommand* pclCondition);
    // The walk of an expression tree: eType is the item type the parent expects of the node,
    // piCompared the item the node is compared with; *ppiResult receives the description of the
    // node's result (a reference) when there is one.
    int _bExpressionToSQL(CSQLParserInfo* pclParser, CSQLParserInfo* pclParser2, const wchar_t* pszText,
                          IExpOpExpression* piParent, IExpOpExpression* piNode, CNASqlElt::eSQLELT eKind,
                          unsigned long* pnPosition, CTStringConcatAW* pclOut, eNA_ITEMTYPE eType, unsigned nOperand,
                          INAItemDescription* piCompared, INAItemDescription** ppiResult);
    // One node and the rest of its span, from the node's own start.
    int bFormatSubExpression(CSQLParserInfo* pclParser, const wchar_t* pszText, IExpOpExpression* piParent,
                             IExpOpExpression* piNode, CNASqlElt::eSQLELT eKind);
    // A parsed filter's condition.
    int bAddFilterExpression(CSQLParserInfo* pclFilter);
    // A computed output item's expression, in parentheses, into this command.
    int bFormatExpressionColonneCalculee(CSQLParserInfo* pclParser, IInfoRubrique* piItem, CNASqlElt::eSQLELT eKind);
    // The expression of the computed output item of that name written by a fresh command into
    // *pclOut; with bParameters its parameters come into this command, moved by nOffset.
    int bFormatExpressionColonneCalculee(CSQLParserInfo* pclParser, const wchar_t* pszName, CNASqlElt::eSQLELT eKind,
                                         CTString* pclOut, int bParameters, unsigned long nOffset);
    int _bFormatExpressionColonneCalculee(CSQLParserInfo* pclParser, IInfoRubrique* piItem, CNASqlElt::eSQLELT eKind);
    int _bAddJoinClause(CSQLParserInfo* pclParser, const CNASqlElt* pclElement, const wchar_t* pszText,
                        unsigned long* pnPosition);
    int _bFormatSELECTList(CSQLParserInfo* pclParser, const wchar_t* pszText, unsigned long* pnPosition);
    int _bFormatINSERTUPDATEList(CSQLParserInfo* pclParser, const wchar_t* pszText, unsigned long* pnPosition);
    int _bFormatGROUPBY(CSQLParserInfo* pclParser, const wchar_t* pszText, unsigned long* pnPosition);

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
    // A SELECT of one plain value (no file, pattern nor host variable) that a skeleton may part: the
    // value well inside the text and followed by a blank, no TOP to rewrite, and enough text after
    // the value for the end of the text to be decided by it alone. *pnPosition: the value's place.
    int _bFitsSkeleton(unsigned long* pnPosition);
    void _KeepSkeleton(stFormatedSkeleton::stParted* pstParted, unsigned long nPosition, ePARAMTYPECONV eConversion,
                       const char* pszFormated);
    // The query text from *pnPosition up to nTo (excluded, never past the text's end) appended to
    // pclOut, *pnPosition moved there; nothing when it is there or beyond. False when text was lost.
    static int _bCopyText(CTStringConcatAW* pclOut, const wchar_t* pszText, unsigned long* pnPosition,
                          unsigned long nTo);
    // The description of an item node's item (the parsed query's), with a reference, or null.
    static INAItemDescription* _piGetNodeItemDescription(CSQLParserInfo* pclParser, IExpOpExpression* piNode);
    // The user error of this unit with its argument, at a site of this unit.
    void _RaiseUserError(int nSite, unsigned nCode, const wchar_t* pszArgument);
    // Whether the computed output item is being written (an expression that names it again would
    // never end).
    bool _bComputing(IInfoRubrique* piItem) const;

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
    // The computed output items being written, innermost last.
    CTTableau<IInfoRubrique*> m_tabComputing{8, 30};
    uint32_t m_bInvertFetch = 0;
};

template <>
struct CRefTraits<CNACommand> {
    static void _AddRef(CNACommand* p) { p->AddRef(); }
    static void _Release(CNACommand* p) { p->nRelease(); }
};
