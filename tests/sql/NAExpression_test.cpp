// Condition trees written as WHERE text: constant parts folded away (and their parameters with
// them), a NOT over a constant folded as the other constant, parentheses where the operator
// precedence needs them, the leaves' rewrites kept for the next write, NULL values, NULL rows let
// through where the host's order puts NULL inside the range, empty texts, and the comparisons that
// always hold.
#include <functional>
#include <string>

#include "native/sql/SQLParserInfo.h"
#include "tests/sql/BrowseTestSupport.h"
#include "tests/sql/ParsedQueryTestSupport.h"

using namespace browsetest;

class NAExpressionTest : public BrowseTest {
protected:
    void SetUp() override {
        BrowseTest::SetUp();
        m_pclSearch = new CNARecherche(m_pclError, m_pclCnx);
        m_pclSearch->AddRef();
        m_pclFactory = pclHeld(m_pclSearch->pclAllocExpression());
    }
    void TearDown() override {
        for (CNAExpression* pcl : m_tabNodes) pcl->nRelease();
        m_pclSearch->nRelease();
        BrowseTest::TearDown();
    }
    CNAExpression* pclHeld(CNAExpression* pcl) {
        pcl->AddRef();
        m_tabNodes.push_back(pcl);
        return pcl;
    }
    // A leaf comparing the fixture's column with a value.
    CNAExpression* Leaf(eNAOperator eOp, const wchar_t* pszColumn, const CAny& clValue, unsigned nFlags = 0) {
        CNAColumn* pclCol = pclColumn(pszColumn);
        CNAConvertVariant* pcl = m_pclDriver->pclGetNewVariant_NV_Any(m_pclError, m_pclCnx, pclCol, &clValue);
        EXPECT_NE(pcl, nullptr);
        return pclHeld(m_pclFactory->pclAllocExpression(eOp, pclCol, pcl, nFlags));
    }
    CNAExpression* Node(eNAOperator eOp, CNAExpression* pclLeft, CNAExpression* pclRight) {
        return pclHeld(m_pclFactory->pclAllocExpression(eOp, pclLeft, pclRight, 0));
    }
    CNAExpression* Constant(eNAOperator eOp) {
        CNAExpression* pcl = pclHeld(m_pclFactory->pclAllocExpression());
        pcl->SetOperator(eOp);
        return pcl;
    }
    // The tree written as the search writes it: text, constant flag, result.
    struct stWritten {
        std::wstring sText;
        int bConstant;
        int bResult;
    };
    stWritten Write(CNAExpression* pcl) {
        CNACommand* pclCmd = pclCommand();
        int bConstant = -1;
        const int bResult = pcl->bGetSQL(pclCmd, NAOP_EMPTY, m_pclSearch, &bConstant, m_pclRecord);
        m_pclLast = pclCmd;
        return {sFormat(pclCmd), bConstant, bResult};
    }
    static CAny clInt(std::optional<int> n) {
        CAny cl;
        cl.SetI4(n.value_or(0));
        if (!n) cl.SetNull(1);
        return cl;
    }
    static CAny clText(const char* psz) {
        CAny cl;
        SetDSTRA(&cl, psz);
        return cl;
    }

    CNARecherche* m_pclSearch = nullptr;
    CNAExpression* m_pclFactory = nullptr;  // the nodes' factory
    CNACommand* m_pclLast = nullptr;
    std::vector<CNAExpression*> m_tabNodes;
};

TEST_F(NAExpressionTest, ConstantsFoldAway) {
    struct Case {
        const char* pszName;
        std::function<CNAExpression*()> fnTree;
        const wchar_t* pszText;
        int bConstant;
        eNAOperator eAfter;  // the root's operator after the write
        int nParameters;
    };
    auto A = [&] { return Leaf(NAOP_EQUAL, L"n", clInt(5)); };
    auto B = [&] { return Leaf(NAOP_EQUAL, L"k2", clInt(2)); };
    const Case tab[] = {
        {"a AND true: a", [&] { return Node(NAOP_AND, A(), Constant(NAOP_TRUE)); }, L"\"n\"=5", 0, NAOP_AND, 1},
        {"true AND a: a", [&] { return Node(NAOP_AND, Constant(NAOP_TRUE), A()); }, L"\"n\"=5", 0, NAOP_AND, 1},
        {"a AND false: false", [&] { return Node(NAOP_AND, A(), Constant(NAOP_FALSE)); }, L"", 1, NAOP_FALSE, 0},
        {"a OR true: true", [&] { return Node(NAOP_OR, A(), Constant(NAOP_TRUE)); }, L"", 1, NAOP_TRUE, 0},
        {"a OR false: a", [&] { return Node(NAOP_OR, A(), Constant(NAOP_FALSE)); }, L"\"n\"=5", 0, NAOP_OR, 1},
        {"OR under AND in parentheses", [&] { return Node(NAOP_AND, Node(NAOP_OR, A(), B()), B()); },
         L"(\"n\"=5 OR \"k2\"=2 ) AND \"k2\"=2", 0, NAOP_AND, 3},
        {"AND under OR without", [&] { return Node(NAOP_OR, A(), Node(NAOP_AND, B(), A())); },
         L"\"n\"=5 OR \"k2\"=2 AND \"n\"=5", 0, NAOP_OR, 3},
        {"NOT", [&] { return Node(NAOP_NOT, A(), nullptr); }, L" NOT (\"n\"=5 )", 0, NAOP_NOT, 1},
        // A NOT over a constant is the other constant, which its parent folds.
        {"NOT true AND a: false", [&] { return Node(NAOP_AND, Node(NAOP_NOT, Constant(NAOP_TRUE), nullptr), A()); },
         L"", 1, NAOP_FALSE, 0},
        {"NOT false OR a: true", [&] { return Node(NAOP_OR, Node(NAOP_NOT, Constant(NAOP_FALSE), nullptr), A()); }, L"",
         1, NAOP_TRUE, 0},
        {"NOT false AND a: a", [&] { return Node(NAOP_AND, Node(NAOP_NOT, Constant(NAOP_FALSE), nullptr), A()); },
         L"\"n\"=5", 0, NAOP_AND, 1},
        // A leaf found constant while written: the text and the parameters written before it go.
        {"a AND (n >= NULL): a",
         [&] { return Node(NAOP_AND, A(), Leaf(NAOP_GREATEREQUAL, L"n", clInt(std::nullopt))); }, L"\"n\"=5", 0,
         NAOP_AND, 1},
        {"a AND (n > NULL): nothing after NULL",
         [&] { return Node(NAOP_AND, A(), Leaf(NAOP_GREATER, L"n", clInt(std::nullopt))); }, L"", 1, NAOP_FALSE, 0},
        {"(n > NULL) OR a: a", [&] { return Node(NAOP_OR, Leaf(NAOP_GREATER, L"n", clInt(std::nullopt)), A()); },
         L"\"n\"=5", 0, NAOP_OR, 1},
    };
    for (const Case& c : tab) {
        SCOPED_TRACE(c.pszName);
        CNAExpression* pcl = c.fnTree();
        const stWritten st = Write(pcl);
        EXPECT_TRUE(st.bResult);
        EXPECT_EQ(st.sText, c.pszText);
        EXPECT_EQ(st.bConstant, c.bConstant);
        EXPECT_EQ(pcl->eGetOperator(), c.eAfter);
        EXPECT_EQ(m_pclLast->nGetParameterNbr(), c.nParameters);
        EXPECT_EQ(m_pclSearch->nGetNbParameter(), c.nParameters);
        m_pclSearch->_RemoveParameterByPos(0);
    }
}

// A leaf rewritten while written keeps its new operator: the next write starts from it.
TEST_F(NAExpressionTest, RewritesStayForTheNextWrite) {
    CNAExpression* pclAlways = Leaf(NAOP_GREATEREQUAL, L"t", clText(""));
    CNAExpression* pcl = Node(NAOP_AND, pclAlways, Leaf(NAOP_EQUAL, L"n", clInt(5)));
    EXPECT_EQ(Write(pcl).sText, L"1=1 AND \"n\"=5");
    EXPECT_EQ(pclAlways->eGetOperator(), NAOP_TRUE);
    EXPECT_EQ(Write(pcl).sText, L"\"n\"=5");
}

TEST_F(NAExpressionTest, NullValues) {
    struct Case {
        eNAOperator eOp;
        int bNullFirst;
        const wchar_t* pszText;  // "": folded to a constant
        eNAOperator eAfter;
        int bNullPasses;
    };
    const Case tab[] = {
        {NAOP_EQUAL, 0, L"\"n\" IS NULL", NAOP_EQUAL, 1},
        {NAOP_DIFFERENT, 0, L"\"n\" IS NULL", NAOP_DIFFERENT, 1},
        {NAOP_ISNOTNULL, 0, L"\"n\" IS NOT NULL", NAOP_ISNOTNULL, 0},
        {NAOP_GREATEREQUAL, 0, L"", NAOP_TRUE, 1},
        {NAOP_LESSEQUAL, 1, L"", NAOP_TRUE, 1},
        {NAOP_GREATER, 0, L"", NAOP_FALSE, 1},
        {NAOP_LESS, 0, L"\"n\" IS NOT NULL", NAOP_LESS, 0},
        {NAOP_LESS, 1, L"", NAOP_FALSE, 1},
        {NAOP_GREATER, 1, L"\"n\" IS NOT NULL", NAOP_GREATER, 0},
    };
    for (const Case& c : tab) {
        SCOPED_TRACE(std::to_string(c.eOp) + " null first " + std::to_string(c.bNullFirst));
        m_pclCnx->m_bNullFirst = c.bNullFirst;
        CNAExpression* pcl = Leaf(c.eOp, L"n", clInt(std::nullopt));
        const stWritten st = Write(pcl);
        EXPECT_EQ(st.sText, c.pszText);
        EXPECT_EQ(st.bConstant, *c.pszText == 0 ? 1 : 0);
        EXPECT_EQ(pcl->eGetOperator(), c.eAfter);
        if (*c.pszText != 0) {
            EXPECT_EQ(pcl->bColumnValuesNullSelected(pclColumn(L"n")), c.bNullPasses);
        }
    }
}

// Where the host's order puts NULL inside the range asked for, the comparison lets NULL rows pass.
TEST_F(NAExpressionTest, NullRowsInsideTheRange) {
    struct Case {
        eNAOperator eOp;
        int nValue;
        unsigned nFlags;
        int bNullFirst;
        bool bOrNull;
    };
    const Case tab[] = {
        // NULL last: it follows every value.
        {NAOP_GREATER, 5, 0, 0, true},
        {NAOP_GREATEREQUAL, 5, 0, 0, true},
        {NAOP_LESS, 5, 0, 0, false},
        {NAOP_LESSEQUAL, 5, 0, 0, false},
        {NAOP_EQUAL, 5, 0, 0, false},
        {NAOP_DIFFERENT, 5, 0, 0, false},
        // NULL first: it comes before every value, though not before a value the host holds as NULL.
        {NAOP_LESSEQUAL, 5, 0, 1, true},
        {NAOP_LESS, 5, 0, 1, true},
        {NAOP_LESS, 0, 0, 1, false},
        {NAOP_GREATER, 5, 0, 1, false},
        {NAOP_GREATEREQUAL, 5, 0, 1, false},
        // Bounds of a filter: only a lower bound the host could hold as NULL lets NULL in.
        {NAOP_GREATEREQUAL, 0, NAEXP_LOWERBOUND, 0, true},
        {NAOP_EQUAL, 0, NAEXP_LOWERBOUND, 0, true},
        {NAOP_GREATEREQUAL, 5, NAEXP_LOWERBOUND, 0, false},
        {NAOP_GREATER, 0, NAEXP_LOWERBOUND, 0, false},
        {NAOP_LESSEQUAL, 0, NAEXP_UPPERBOUND, 1, false},
    };
    for (const Case& c : tab) {
        SCOPED_TRACE(std::to_string(c.eOp) + " " + std::to_string(c.nValue) + " flags " + std::to_string(c.nFlags) +
                     " null first " + std::to_string(c.bNullFirst));
        m_pclCnx->m_bNullFirst = c.bNullFirst;
        const std::wstring sComparison =
            L"\"n\"" + std::wstring(CNAExpression::s_pszDumpOp(c.eOp)) + std::to_wstring(c.nValue);
        CNAExpression* pcl = Leaf(c.eOp, L"n", clInt(c.nValue), c.nFlags);
        const stWritten st = Write(pcl);
        EXPECT_EQ(st.sText, c.bOrNull ? L"(" + sComparison + L" OR \"n\" IS NULL)" : sComparison);
        EXPECT_EQ(pcl->bColumnValuesNullSelected(pclColumn(L"n")), c.bOrNull ? 1 : 0);
        // The unique id never holds NULL: nothing to let through.
        EXPECT_EQ(Write(Leaf(c.eOp, L"id", clInt(c.nValue), c.nFlags)).sText,
                  L"\"id\"" + std::wstring(CNAExpression::s_pszDumpOp(c.eOp)) + std::to_wstring(c.nValue));
    }
}

TEST_F(NAExpressionTest, TextValues) {
    struct Case {
        eNAOperator eOp;
        const char* pszValue;
        unsigned nFlags;
        const wchar_t* pszText;
        int nParameters;
    };
    const Case tab[] = {
        // An empty 8-bit text is written as a literal.
        {NAOP_EQUAL, "", NAEXP_GENERIC, L"\"t\"LIKE '%%'", 0},
        {NAOP_EQUAL, "", 0, L"\"t\"=''", 0},
        {NAOP_GREATER, "", 0, L"(\"t\">'' OR \"t\" IS NULL)", 0},
        {NAOP_EQUAL, "ab", NAEXP_GENERIC, L"\"t\" LIKE 'ab%'", 1},
        {NAOP_EQUAL, "50%", NAEXP_GENERIC, L"\"t\" LIKE '50\\%%' ESCAPE '\\'", 1},
        {NAOP_EQUAL, "ab", 0, L"\"t\"='ab'", 1},
        // Values that do not begin with the prefix: NULL is one of them.
        {NAOP_DIFFERENT, "ab", NAEXP_GENERIC, L"(\"t\" NOT LIKE 'ab%' OR \"t\" IS NULL)", 1},
        {NAOP_DIFFERENT, "ab", 0, L"\"t\"<>'ab'", 1},
        // Comparisons compare plainly, prefix or not.
        {NAOP_LESS, "ab", NAEXP_GENERIC, L"\"t\"<'ab'", 1},
        // Always true, always written while it is a leaf of its own.
        {NAOP_GREATEREQUAL, "", 0, L"1=1", 0},
        {NAOP_LESSEQUAL, "\xFF", 0, L"1=1", 0},
    };
    for (const Case& c : tab) {
        SCOPED_TRACE(std::string(c.pszValue) + " " + std::to_string(c.eOp));
        const stWritten st = Write(Leaf(c.eOp, L"t", clText(c.pszValue), c.nFlags));
        EXPECT_TRUE(st.bResult);
        EXPECT_EQ(st.sText, c.pszText);
        EXPECT_EQ(m_pclLast->nGetParameterNbr(), c.nParameters);
        m_pclSearch->_RemoveParameterByPos(0);
    }
}

TEST_F(NAExpressionTest, ComparisonsThatAlwaysHold) {
    auto Bool = [](int b) {
        CAny cl;
        cl.SetBOOL(b);
        return cl;
    };
    auto Wide = [](const wchar_t* psz) {
        CAny cl;
        SetDSTRW(&cl, psz);
        return cl;
    };
    CAny clNullText = clText("");
    clNullText.SetNull(1);
    struct Case {
        const char* pszName;
        eNAOperator eOp;
        CAny clValue;
        int bNullFirst;
        int bTrue;
    };
    const Case tab[] = {
        {"boolean >= false", NAOP_GREATEREQUAL, Bool(0), 0, 1},
        {"boolean <= true", NAOP_LESSEQUAL, Bool(1), 0, 1},
        {"boolean >= true", NAOP_GREATEREQUAL, Bool(1), 0, 0},
        {"text >= empty", NAOP_GREATEREQUAL, clText(""), 0, 1},
        {"text > empty", NAOP_GREATER, clText(""), 0, 0},
        {"text <= byte 255", NAOP_LESSEQUAL,
         clText("\xFF"
                "a"),
         0, 1},
        {"text <= byte 254", NAOP_LESSEQUAL, clText("\xFE"), 0, 0},
        {"wide text <= unit above 65534", NAOP_LESSEQUAL, Wide(L"\xFFFF"), 0, 1},
        {"wide text <= unit 65534", NAOP_LESSEQUAL, Wide(L"\xFFFE"), 0, 0},
        {"NULL text >=, NULL first", NAOP_GREATEREQUAL, clNullText, 1, 1},
        {"NULL text >=, NULL last", NAOP_GREATEREQUAL, clNullText, 0, 0},
        {"NULL text <=, NULL last", NAOP_LESSEQUAL, clNullText, 0, 1},
        {"integer >= its minimum", NAOP_GREATEREQUAL, clInt(-2147483647 - 1), 0, 0},
    };
    for (const Case& c : tab) {
        m_pclCnx->m_bNullFirst = c.bNullFirst;
        EXPECT_EQ(CNAExpression::s_bExpressionTrue(c.eOp, m_pclCnx, &c.clValue), c.bTrue) << c.pszName;
    }
}

// Which rows with NULL pass a leaf nobody wrote yet, by its operator and value.
TEST_F(NAExpressionTest, NullRowsOfALeafNotWritten) {
    struct Case {
        eNAOperator eOp;
        std::optional<int> n;
        int bPasses;
    };
    const Case tab[] = {
        {NAOP_EQUAL, std::nullopt, 1}, {NAOP_EQUAL, 5, 0}, {NAOP_DIFFERENT, 5, 1},    {NAOP_DIFFERENT, std::nullopt, 0},
        {NAOP_GREATER, 5, 1},          {NAOP_LESS, 5, 0},  {NAOP_GREATEREQUAL, 5, 1},
    };
    for (const Case& c : tab) {
        CNAExpression* pcl = Leaf(c.eOp, L"n", clInt(c.n));
        EXPECT_EQ(pcl->bColumnValuesNullSelected(pclColumn(L"n")), c.bPasses) << c.eOp;
        EXPECT_EQ(pcl->bColumnValuesNullSelected(pclColumn(L"k2")), 1) << c.eOp;
    }
}

// A comparison of a boolean is an equality, a difference or a constant.
TEST_F(NAExpressionTest, BooleanComparisons) {
    struct Case {
        eNAOperator eOp;
        int bValue;
        const wchar_t* pszText;
        eNAOperator eAfter;
    };
    const Case tab[] = {
        {NAOP_GREATER, 1, L"0=1", NAOP_FALSE},
        {NAOP_GREATER, 0, L"\"ok\"<>'f'", NAOP_DIFFERENT},
        {NAOP_LESS, 1, L"\"ok\"<>'t'", NAOP_DIFFERENT},
        {NAOP_LESS, 0, L"0=1", NAOP_FALSE},
        {NAOP_GREATEREQUAL, 1, L"\"ok\"='t'", NAOP_EQUAL},
        {NAOP_GREATEREQUAL, 0, L"1=1", NAOP_TRUE},
        {NAOP_LESSEQUAL, 1, L"1=1", NAOP_TRUE},
        {NAOP_LESSEQUAL, 0, L"\"ok\"='f'", NAOP_EQUAL},
        {NAOP_EQUAL, 1, L"\"ok\"='t'", NAOP_EQUAL},
    };
    for (const Case& c : tab) {
        CAny cl;
        cl.SetBOOL(c.bValue);
        CNAExpression* pcl = Leaf(c.eOp, L"ok", cl);
        EXPECT_EQ(Write(pcl).sText, c.pszText) << c.eOp << " " << c.bValue;
        EXPECT_EQ(pcl->eGetOperator(), c.eAfter) << c.eOp << " " << c.bValue;
    }
}

// A search through a host query on a value the query computes: the server has no column of that
// name, so the condition is written on the value's expression (each time the leaf names it, the
// NULL test the host's order adds included), and the server selects the rows the host means.
class NAExpressionOverQueryTest : public ModelTest {};

TEST_F(NAExpressionOverQueryTest, SearchOnAComputedValue) {
    CNAError* pclError = new CNAError;
    pclError->AddRef();
    standin::CStandInConnectionDescription clHostCnx;
    CBrowseConnection clCnx(&clHostCnx);
    {
        sqltest::CFixtureTables clTables(&clCnx, pclError);
        sqltest::CQueryBuilder q(L"SELECT a, b, a + c AS total, a * 3 AS tri FROM t");
        q.From(L"t");
        q.Out(L"a");
        q.Out(L"b");
        q.Computed(L"total", L"a + c", q.Op(sqltest::OP_PLUS, L"a + c", {q.Item(L"a", 1), q.Item(L"c")}));
        q.Computed(L"tri", L"a * 3", q.Op(sqltest::OP_TIMES, L"a * 3", {q.Item(L"a", 3), q.Lit(L"3", q.Int(3))}));
        clTables.Describe(&q);

        // The query's access, its result described from the host's parse, and a record over it.
        CNADataAccess* pclAccess = new CNADataAccess(nullptr, &clCnx, pclError);
        pclAccess->AddRef();
        ASSERT_EQ(pclAccess->_bSetQuery(1, L"Q", &q.rGet(), 0), 1);
        CSQLParserInfo* pclParser = pclAccess->pclGetParsedQueryNoRef();
        ASSERT_NE(pclParser, nullptr);
        auto* pclDescription = new CNADataSourceDescription(&clCnx, pclError);
        pclDescription->AddRef();
        ASSERT_TRUE(pclDescription->bCompleteDescription(pclParser));
        auto* pclRecord = new CNARecord(pclError, pclAccess);
        pclRecord->AddRef();
        ASSERT_TRUE(pclRecord->bInitRecord(pclDescription, nullptr, &clCnx));
        pclParser->SetRecord(pclRecord);
        CNAColumn* pclTotal = pclRecord->pclGetColumnNoRef(L"total");
        ASSERT_NE(pclTotal, nullptr);
        EXPECT_NE(pclTotal->eGetTypeColonne(), 0u);
        EXPECT_EQ(pclRecord->pclGetColumnNoRef(L"a")->eGetTypeColonne(), 0u);

        auto pclPg = sqltest::pclFixtureSession();
        if (pclPg != nullptr) {
            ASSERT_TRUE(pclPg->bExec("INSERT INTO t (a, c) VALUES (1, 5), (2, NULL), (4, 20), (5, 8), (7, NULL), (8, 1)"))
                << pclPg->sError();
        }
        auto* pclSearch = new CNARecherche(pclError, &clCnx);
        pclSearch->AddRef();
        CNAExpression* pclFactory = pclSearch->pclAllocExpression();
        pclFactory->AddRef();
        struct Case {
            const wchar_t* pszColumn;
            eNAOperator eOp;
            int nValue;
            const wchar_t* pszText;
            std::vector<std::string> vRows;  // the values of a the server selects, by a
        };
        // The host orders NULL after every value: ">=" lets the rows without a total through. The
        // expression names a selected item by its table, an item the query does not select as written.
        const Case tab[] = {
            {L"total", NAOP_EQUAL, 13, L"(\"t\".\"a\" + \"c\")=13", {"5"}},
            // The expression's own literal is written in the search.
            {L"tri", NAOP_EQUAL, 12, L"(\"t\".\"a\" * 3 )=12", {"4"}},
            {L"total",
             NAOP_GREATEREQUAL,
             9,
             L"((\"t\".\"a\" + \"c\")>=9 OR (\"t\".\"a\" + \"c\") IS NULL)",
             {"2", "4", "5", "7", "8"}},
        };
        for (const Case& c : tab) {
            SCOPED_TRACE(c.eOp);
            CNAColumn* pclColumn = pclRecord->pclGetColumnNoRef(c.pszColumn);
            ASSERT_NE(pclColumn, nullptr);
            CAny clValue;
            clValue.SetI4(c.nValue);
            CNAConvertVariant* pclValue = m_pclDriver->pclGetNewVariant_NV_Any(pclError, &clCnx, pclColumn, &clValue);
            ASSERT_NE(pclValue, nullptr);
            CNAExpression* pclLeaf = pclFactory->pclAllocExpression(c.eOp, pclColumn, pclValue, 0);
            pclLeaf->AddRef();
            auto* pclCmd = new CNACommand(pclError, &clCnx);
            pclCmd->AddRef();
            int bConstant = -1;
            EXPECT_TRUE(pclLeaf->bGetSQL(pclCmd, NAOP_EMPTY, pclSearch, &bConstant, pclRecord));
            const wchar_t* pszText = pclCmd->pszGetFormatedSQLW(CNACommand::PARAMTYPECONV_NONE);
            const std::wstring sText = pszText != nullptr ? pszText : L"<null>";
            EXPECT_EQ(sText, c.pszText);
            if (pclPg != nullptr) {
                std::vector<std::optional<std::string>> vValues;
                EXPECT_TRUE(pclPg->bColumn(pgtest::sUTF8(L"SELECT a FROM t WHERE " + sText + L" ORDER BY a"), &vValues))
                    << pclPg->sError();
                std::vector<std::string> vRows;
                for (const auto& o : vValues) vRows.push_back(o.value_or("<NULL>"));
                EXPECT_EQ(vRows, c.vRows);
            }
            pclCmd->nRelease();
            pclLeaf->nRelease();
        }
        pclFactory->nRelease();
        pclSearch->nRelease();
        pclRecord->nRelease();
        pclDescription->nRelease();
        pclAccess->nRelease();
    }
    pclError->nRelease();
}
