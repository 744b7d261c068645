// Items of connection strings: look-up, removal, replacement, and the bound parameter object.
#include "core/StringParameter.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::wstring S(const CTString& cl) {
    return cl.pszGet();
}

TEST(StringParameter, LookUp) {
    struct Case {
        const wchar_t* pszTexte;
        const wchar_t* pszNom;
        int bTrouve;
        const wchar_t* pszValeur;
    };
    const Case CASES[] = {
        {L"Host = srv ;Port=5432", L"host", 1, L"srv"},
        {L"Host = srv ;Port=5432", L"PORT", 1, L"5432"},
        {L"Host = srv ;Port=5432", L"user", 0, L""},
        {L"A=;B=2", L"A", 1, L""},
        {L"A=", L"a", 1, L""},
        {L"A", L"A", 0, L""},
        {L"A = 1  ;B=2", L"A", 1, L"1"},
        {L"AB=1;A=2", L"A", 1, L"2"},
        // The end of a longer name is found when the name has no item of its own...
        {L"MYDB=x", L"DB", 1, L"x"},
        // ...and an item of its own wins over it, before or after.
        {L"DBUser=a;User=b", L"User", 1, L"b"},
        {L"DBUser=a;  user =b", L"USER", 1, L"b"},
        {L"User=b;DBUser=a", L"user", 1, L"b"},
        // A name followed by "=" inside another item's value is not an item.
        {L"X=A=3", L"A", 0, L""},
        // Values run to the next ";": "=" and quotes are ordinary characters.
        {L"Password=a=b;User=x", L"password", 1, L"a=b"},
        {L"Name=\"O'Brien\";X=1", L"name", 1, L"\"O'Brien\""},
        {L"Password='x;y'", L"password", 1, L"'x"},
        {L"", L"A", 0, L""},
        {L"A=1", L"", 0, L""},
        {L"A=1", nullptr, 0, L""},
    };
    for (const Case& c : CASES) {
        SCOPED_TRACE(testing::Message() << c.pszTexte << " / " << (c.pszNom ? c.pszNom : L"(null)"));
        CTString clTexte(c.pszTexte);
        CTString clValeur(L"left over");
        int bTrouve = -1;
        EXPECT_EQ(CStringParameter::s_bGetParameterValue(&clValeur, &bTrouve, &clTexte, c.pszNom, 0), 1);
        EXPECT_EQ(bTrouve, c.bTrouve);
        EXPECT_EQ(S(clValeur), c.pszValeur);
        EXPECT_EQ(S(clTexte), c.pszTexte);
        EXPECT_EQ(CStringParameter::s_bParameterDefined(&clTexte, c.pszNom), c.bTrouve);
    }
}

TEST(StringParameter, PositionsOfAnItem) {
    CTString clTexte(L"A=1; Bb =  22  ;C=3");
    long nNom = -5, nDebut = -5, nFin = -5;
    ASSERT_TRUE(CStringParameter::_s_bGetParameterPos(nNom, nDebut, nFin, &clTexte, L"bb"));
    EXPECT_EQ(nNom, 5);
    EXPECT_EQ(nDebut, 11);
    EXPECT_EQ(nFin, 14);  // trailing spaces belong to the raw range
    EXPECT_FALSE(CStringParameter::_s_bGetParameterPos(nNom, nDebut, nFin, &clTexte, L"D"));
    EXPECT_EQ(nNom, 0);
    EXPECT_EQ(nDebut, -1);
    EXPECT_EQ(nFin, -1);
    CTString clVide;
    EXPECT_FALSE(CStringParameter::_s_bGetParameterPos(nNom, nDebut, nFin, &clVide, L"A"));
}

TEST(StringParameter, Removal) {
    struct Case {
        const wchar_t* pszTexte;
        const wchar_t* pszNom;
        const wchar_t* pszReste;
        const wchar_t* pszValeur;
    };
    const Case CASES[] = {
        {L"A=1; B=2;C=3", L"B", L"A=1;C=3", L"2"},
        {L"A=1;B=2", L"A", L"B=2", L"1"},
        {L"A=1;B=2", L"B", L"A=1;", L"2"},  // the separator before a removed last item stays
        {L"A=1", L"a", L"", L"1"},
        {L"A=;B=2", L"A", L"B=2", L""},
        {L" ;A=1; B=2", L"A", L"B=2", L"1"},  // what is left at the start is cleaned
        {L"DBUser=a;User=b", L"User", L"DBUser=a;", L"b"},
        {L"Password=a=b;User=x", L"Password", L"User=x", L"a=b"},
        {L"A=1;B=2", L"C", L"A=1;B=2", L""},
        // A name found at the end of a longer name takes the whole item that holds it, never a
        // piece of it glued to the next item.
        {L"MYDB=x;Y=1", L"DB", L"Y=1", L"x"},
        {L"A=1; MYDB=x ;Y=1", L"db", L"A=1;Y=1", L"x"},
        {L"A=1;MYDB=x", L"DB", L"A=1;", L"x"},
        {L"X=A=3;Y=1", L"A", L"X=A=3;Y=1", L""},
    };
    for (const Case& c : CASES) {
        SCOPED_TRACE(testing::Message() << c.pszTexte << " less " << c.pszNom);
        CTString clTexte(c.pszTexte);
        CTString clValeur;
        int bTrouve = -1;
        CStringParameter::s_bGetParameterValue(&clValeur, &bTrouve, &clTexte, c.pszNom, 1);
        EXPECT_EQ(S(clTexte), c.pszReste);
        EXPECT_EQ(S(clValeur), c.pszValeur);
    }
}

// How a connection removes every copy of one key before passing the rest on.
TEST(StringParameter, RemovingEveryCopyOfAKey) {
    CTString clTexte(L"Initial Catalog=a;X=1;initial catalog = b");
    CTString clValeur;
    int bTrouve = 1;
    int nTours = 0;
    while (bTrouve && nTours < 10) {
        CStringParameter::s_bGetParameterValue(&clValeur, &bTrouve, &clTexte, L"Initial Catalog", 1);
        nTours++;
    }
    EXPECT_EQ(nTours, 3);
    EXPECT_EQ(S(clTexte), L"X=1;");
}

TEST(StringParameter, Replacement) {
    struct Case {
        const wchar_t* pszTexte;
        const wchar_t* pszValeur;
        const wchar_t* pszNom;
        const wchar_t* pszAttendu;
    };
    const Case CASES[] = {
        {L"A=12;B=2", L"7", L"A", L"A=7;B=2"},
        {L"A=;B=2", L"7", L"A", L"A=7;B=2"},
        {L"A=12;B=2", L"7", L"C", L"A=12;B=2;C=7"},
        {L"", L"7", L"C", L"C=7"},
        {L"A = 12 ;B=2", L"7", L"a", L"A = 7;B=2"},
        {L"B=2;A=12", L"", L"A", L"B=2;A="},
        {L"DBUser=a;User=b", L"c", L"User", L"DBUser=a;User=c"},
        {L"Pwd=x", L"a=b'c", L"pwd", L"Pwd=a=b'c"},
    };
    for (const Case& c : CASES) {
        SCOPED_TRACE(testing::Message() << c.pszTexte << " with " << c.pszNom << "=" << c.pszValeur);
        CTString clTexte(c.pszTexte);
        EXPECT_EQ(CStringParameter::s_bReplaceParameterValue(&clTexte, c.pszValeur, c.pszNom), 1);
        EXPECT_EQ(S(clTexte), c.pszAttendu);
        // What was written reads back.
        CTString clRelu;
        int bTrouve = 0;
        CStringParameter::s_bGetParameterValue(&clRelu, &bTrouve, &clTexte, c.pszNom, 0);
        EXPECT_EQ(bTrouve, 1);
        EXPECT_EQ(S(clRelu), c.pszValeur);
    }
}

// Edits of connection strings by hostile or careless values: a value never becomes items of its own,
// a name is never found inside a value, duplicate keys and letter case behave alike in every edit.
TEST(StringParameter, EditsNeverTurnValuesIntoItems) {
    enum eOp { LIRE, RETIRER, REMPLACER, COMPLETER };
    struct Case {
        eOp eOperation;
        const wchar_t* pszTexte;
        const wchar_t* pszNom;
        const wchar_t* pszValeur;   // written (REMPLACER, COMPLETER) or expected (LIRE, RETIRER)
        int nResultat;              // answer of the call; for LIRE and RETIRER, found
        const wchar_t* pszAttendu;  // the text afterwards
    };
    const Case CASES[] = {
        // The item separator in a value to write.
        {REMPLACER, L"Host=srv;User=bob", L"Password", L"x;Host=evil", 0, L"Host=srv;User=bob"},
        {REMPLACER, L"Host=srv;Password=old", L"Password", L"x;Host=evil", 0, L"Host=srv;Password=old"},
        {REMPLACER, L"", L"Password", L";", 0, L""},
        {COMPLETER, L"Host=srv;User=bob", L"Password", L"x;Host=evil", 0, L"Host=srv;User=bob"},
        {COMPLETER, L"", L"Password", L"x;", 0, L""},
        {COMPLETER, L"Host=srv", L"Password", L"p w=x", 1, L"Host=srv;Password=p w=x"},
        {REMPLACER, L"Host=srv", L"Password", L"a=b User=evil", 1, L"Host=srv;Password=a=b User=evil"},
        // Names that would not stay one name.
        {REMPLACER, L"Host=srv", L"A;B", L"1", 0, L"Host=srv"},
        {REMPLACER, L"Host=srv", L"A=B", L"1", 0, L"Host=srv"},
        {REMPLACER, L"Host=srv", L"", L"1", 0, L"Host=srv"},
        {COMPLETER, L"Host=srv", L"Host;User", L"1", 0, L"Host=srv"},
        // Names inside values are text of the value.
        {LIRE, L"Password=p User=evil", L"User", L"", 0, L"Password=p User=evil"},
        {RETIRER, L"Password=p User=evil", L"User", L"", 0, L"Password=p User=evil"},
        {REMPLACER, L"Password=p User=evil", L"User", L"bob", 1, L"Password=p User=evil;User=bob"},
        {LIRE, L"Password=a=b User=evil;User=bob", L"user", L"bob", 1, L"Password=a=b User=evil;User=bob"},
        {LIRE, L"Password=p User=evil;DBUser=bob", L"User", L"bob", 1, L"Password=p User=evil;DBUser=bob"},
        {LIRE, L"X=MYDB=y;MYDB=x", L"DB", L"x", 1, L"X=MYDB=y;MYDB=x"},
        {RETIRER, L"X=MYDB=y;MYDB=x;Z=1", L"DB", L"x", 1, L"X=MYDB=y;Z=1"},
        {LIRE, L"Pwd=a DB=b", L"DB", L"", 0, L"Pwd=a DB=b"},
        // ...while the end of a longer name before the "=" is still found.
        {LIRE, L"MYDB=x", L"DB", L"x", 1, L"MYDB=x"},
        {LIRE, L"Host=h;Extra DB = x", L"db", L"x", 1, L"Host=h;Extra DB = x"},
        // Duplicate keys: the first is read, removed and replaced.
        {LIRE, L"A=1;A=2", L"A", L"1", 1, L"A=1;A=2"},
        {RETIRER, L"A=1;A=2", L"A", L"1", 1, L"A=2"},
        {REMPLACER, L"A=1;a=2", L"A", L"3", 1, L"A=3;a=2"},
        // Letter case, also beyond ASCII (through the host's upper-casing).
        {LIRE, L"host=srv", L"HOST", L"srv", 1, L"host=srv"},
        {LIRE, L"CL\u00c9=v", L"cl\u00e9", L"v", 1, L"CL\u00c9=v"},
        {REMPLACER, L"PORT=1", L"Port", L"2", 1, L"PORT=2"},
        {RETIRER, L"A=1;uSeR=u;B=2", L"User", L"u", 1, L"A=1;B=2"},
        {LIRE, L"Password=p USER=evil", L"user", L"", 0, L"Password=p USER=evil"},
    };
    for (const Case& c : CASES) {
        const char* NOMS_OP[] = {"read", "remove", "replace", "complete"};
        SCOPED_TRACE(testing::Message() << NOMS_OP[c.eOperation] << " " << c.pszTexte << " / " << c.pszNom << " / "
                                        << c.pszValeur);
        CTString clTexte(c.pszTexte);
        switch (c.eOperation) {
            case LIRE:
            case RETIRER: {
                CTString clValeur;
                int bTrouve = -1;
                EXPECT_EQ(CStringParameter::s_bGetParameterValue(&clValeur, &bTrouve, &clTexte, c.pszNom,
                                                                 c.eOperation == RETIRER),
                          1);
                EXPECT_EQ(bTrouve, c.nResultat);
                EXPECT_EQ(S(clValeur), c.pszValeur);
                break;
            }
            case REMPLACER:
                EXPECT_EQ(CStringParameter::s_bReplaceParameterValue(&clTexte, c.pszValeur, c.pszNom), c.nResultat);
                break;
            case COMPLETER: {
                CStringParameter clParam(c.pszNom);
                clParam.SetParameterValue(c.pszValeur);
                EXPECT_EQ(clParam.bCompleteConnectionString(&clTexte), c.nResultat);
                break;
            }
        }
        EXPECT_EQ(S(clTexte), c.pszAttendu);
    }
}

TEST(StringParameter, ObjectSetsItsValue) {
    struct Case {
        const wchar_t* pszValeur;
        long n;
        int bDefini;
        const wchar_t* pszAttendu;
    };
    const Case CASES[] = {
        {L"abc  ", -1, 1, L"abc"}, {L"abcdef", 3, 1, L"abc"}, {L"ab", 5, 1, L"ab"},
        {L"abc", 0, 1, L""},       {L"", -1, 1, L""},         {nullptr, -1, 0, L""},
    };
    for (const Case& c : CASES) {
        SCOPED_TRACE(testing::Message() << (c.pszValeur ? c.pszValeur : L"(null)") << " " << c.n);
        CStringParameter clParam(L"Server");
        clParam.SetParameterValue(L"before");
        clParam.SetParameterValue(c.pszValeur, c.n);
        EXPECT_EQ(clParam.bIsDefined(), c.bDefini);
        EXPECT_EQ(S(clParam.clGetValue()), c.pszAttendu);
    }
}

TEST(StringParameter, DirectoryValueEndsWithABackslash) {
    struct Case {
        const wchar_t* pszValeur;
        const wchar_t* pszAttendu;
    };
    const Case CASES[] = {{L"C:\\dir", L"C:\\dir\\"}, {L"C:\\dir\\", L"C:\\dir\\"}, {L"", L""}, {L"d  ", L"d\\"}};
    for (const Case& c : CASES) {
        CStringParameter clParam(L"Dir");
        clParam.SetParameterValueRep(c.pszValeur);
        EXPECT_EQ(S(clParam.clGetValue()), c.pszAttendu) << c.pszValeur;
    }
}

TEST(StringParameter, ObjectReadsAndCompletesAConnectionString) {
    CTString clExtended(L"Server Port=5433; Application Name=kx ;X=1");
    CStringParameter clPort(L"Server Port");
    CStringParameter clAppli(L"Application Name");
    CStringParameter clAbsent(L"SSL Mode");
    EXPECT_EQ(clPort.bInitParameterValue(&clExtended, 1), 1);
    EXPECT_EQ(clAppli.bInitParameterValue(&clExtended, 0), 1);
    EXPECT_EQ(clAbsent.bInitParameterValue(&clExtended, 1), 1);
    EXPECT_TRUE(clPort.bIsDefined());
    EXPECT_EQ(S(clPort.clGetValue()), L"5433");
    EXPECT_EQ(S(clAppli.clGetValue()), L"kx");
    EXPECT_FALSE(clAbsent.bIsDefined());
    EXPECT_EQ(S(clExtended), L"Application Name=kx ;X=1");

    CTString clConnexion;
    EXPECT_EQ(clPort.bCompleteConnectionString(&clConnexion), 1);
    EXPECT_EQ(S(clConnexion), L"Server Port=5433");
    EXPECT_EQ(clAbsent.bCompleteConnectionString(&clConnexion), 1);
    EXPECT_EQ(S(clConnexion), L"Server Port=5433");
    clAppli.bCompleteConnectionString(&clConnexion);
    EXPECT_EQ(S(clConnexion), L"Server Port=5433;Application Name=kx");
}

}  // namespace
