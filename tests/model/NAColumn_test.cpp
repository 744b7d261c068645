// Columns of the record fixture: names as written in SQL, properties, values through the record
// image, NULL equivalence, comparison with a new value, memo writes and files, the composite key
// value (a binary component included) and the trace text.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/XYStringConcat.h"
#include "tests/host/TempDir.h"
#include "tests/model/RecordFixture.h"

namespace {

class NAColumnTest : public RecordTest {
protected:
    void SetUp() override {
        RecordTest::SetUp();
        Build();
    }
};

TEST_F(NAColumnTest, NamesAsWrittenInSQL) {
    CNAColumn* pcl = pclCol(L"nom");
    EXPECT_STREQ(pcl->pszGetName(), L"nom");
    EXPECT_STREQ(pcl->pszGetOriginalName(), L"nom");
    EXPECT_STREQ(pcl->pszGetFormatedName(), L"\"nom\"");
    EXPECT_STREQ(pcl->pszGetFormatedOriginalName(), L"\"nom\"");
    // A table's column is selected by its name alone; the text is kept once built.
    EXPECT_STREQ(pcl->pszGetFormatedSelectName(0), L"\"nom\"");
    EXPECT_EQ(pcl->pszGetFormatedSelectName(0), pcl->pszGetFormatedSelectName(1));
}

TEST_F(NAColumnTest, Properties) {
    CNAColumn* pclId = pclCol(L"id");
    CNAColumn* pclNom = pclCol(L"nom");
    CNAColumn* pclNotes = pclCol(L"notes");
    CNAColumn* pclKey = pclCol(L"cle");
    EXPECT_TRUE(pclId->bUnique());
    EXPECT_TRUE(pclId->bUniqueNotNull());
    EXPECT_FALSE(pclId->bIsNullable());
    EXPECT_FALSE(pclId->bPrimary());
    EXPECT_FALSE(pclId->bIsIdAuto());
    EXPECT_TRUE(pclNom->bIsNullable());
    EXPECT_TRUE(pclNom->bIsNullableOnDataBase());
    EXPECT_FALSE(pclNom->bUnique());
    EXPECT_TRUE(pclNom->bLiteral());
    EXPECT_TRUE(pclNotes->bIsMemo());
    EXPECT_TRUE(pclNotes->bIsMemoText());
    EXPECT_TRUE(pclNotes->bIsMemoDB());
    EXPECT_EQ(pclNotes->nGetMemoIndice(), 0);
    EXPECT_EQ(pclNom->nGetMemoIndice(), -1);
    EXPECT_TRUE(pclCol(L"code")->bBinaryString());
    EXPECT_TRUE(pclKey->bIsComposedKey());
    EXPECT_TRUE(pclKey->bIsComposedKeyComponent(pclCol(L"code")));
    EXPECT_FALSE(pclKey->bIsComposedKeyComponent(pclId));
    EXPECT_EQ(pclNom->eGetVQType(), VQTYPE_DSTRA);
    EXPECT_EQ(pclNom->nGetLogicalSize(), 10u);
    EXPECT_EQ(pclNom->nGetLogicalSizeOnDatabase(), 10);
    EXPECT_EQ(pclKey->nGetLogicalSizeOnDatabase(), -1);
    EXPECT_EQ(pclNom->eNAGetItemTypeOnDatabase(), NA_IT_TEXTE);
    EXPECT_EQ(pclKey->eNAGetItemTypeOnDatabase(), NA_IT_EMPTY);
    m_pclServer->pclGetItemNoRef(1)->SetDBType(L"", 9999);  // a code the connection does not know
    EXPECT_EQ(pclNom->eNAGetItemTypeOnDatabase(), NA_IT_EMPTY);
    EXPECT_EQ(pclNom->eNAGetItemTypeOnDatabaseEx(), NA_IT_TEXTE);

    struct Case {
        const wchar_t* pszName;
        int bDefine1, bDefine2, bBind1, bBind2;
    };
    const Case tab[] = {{L"nom", 1, 1, 1, 1}, {L"notes", 0, 1, 1, 0}, {L"cle", 0, 0, 0, 0}};
    for (const auto& c : tab) {
        SCOPED_TRACE(c.pszName);
        CNAColumn* pcl = pclCol(c.pszName);
        EXPECT_EQ(pcl->bMustDefine(1), c.bDefine1);
        EXPECT_EQ(pcl->bMustDefine(2), c.bDefine2);
        EXPECT_EQ(pcl->bMustBind(1), c.bBind1);
        EXPECT_EQ(pcl->bMustBind(2), c.bBind2);
    }
    INAItemDescription* pi = pclNom->piGetItem();
    EXPECT_EQ(pi, m_pclHost->pclGetItemNoRef(1));
    pi->nExternalRelease();
}

TEST_F(NAColumnTest, ValuesThroughTheRecordImage) {
    CNAColumn* pclNom = pclCol(L"nom");
    EXPECT_FALSE(pclNom->bValueDefined());
    EXPECT_TRUE(pclNom->bNull());
    CAny cl;
    SetDSTRA(&cl, "Dupont");
    ASSERT_TRUE(pclNom->bSetValue(&cl, 0));
    EXPECT_EQ(sSlot(L"nom"), std::string("Dupont\0\0\0\0\0", 11));
    EXPECT_TRUE(pclNom->bValueDefined());
    EXPECT_FALSE(pclNom->pclGetNAValue()->bIsNull());
    CAny clOut;
    ASSERT_TRUE(pclNom->bGetCurrentValue(&clOut, 0));
    EXPECT_EQ(sTexteA(clOut), "Dupont");
    EXPECT_EQ(pclNom->pGetValuePtr(m_pclRecord), m_pclRecord->pclGetNAYFRecord()->pbyGetValues() + 4);

    // The converter bound to the slot reads what the record holds.
    ASSERT_TRUE(pclNom->pclGetNAValue()->bGetValue(&clOut));
    EXPECT_EQ(sTexteA(clOut), "Dupont");

    ASSERT_TRUE(pclNom->bSetValueNULL());
    EXPECT_FALSE(pclNom->bValueDefined());
    EXPECT_TRUE(pclNom->pclGetNAValue()->bIsNull());
    EXPECT_EQ(sSlot(L"nom"), std::string(11, '\0'));
}

TEST_F(NAColumnTest, AValueTheItemCannotHoldIsReported) {
    CNAColumn* pclId = pclCol(L"id");
    CAny cl;
    cl.SetI4(5);
    ASSERT_TRUE(pclId->bSetValue(&cl, 0));
    SetDSTRA(&cl, "12a");
    EXPECT_FALSE(pclId->bSetValue(&cl, 0));
    EXPECT_EQ(sSlot(L"id"), std::string("\x05\0\0\0", 4));
    EXPECT_TRUE(pclId->bValueDefined());
    EXPECT_EQ(m_pclErr->dwGetErrorId(), 53u);
    EXPECT_NE(std::wstring(m_pclErr->pclGetXError()->pszGetUserMessage()).find(L"12a"), std::wstring::npos);
}

TEST_F(NAColumnTest, NullEquivalence) {
    CNAColumn* pclDate = pclCol(L"naissance");
    CNAColumn* pclNom = pclCol(L"nom");
    struct Case {
        CNAColumn* pcl;
        const char* pszValue;  // null: a NULL value
        bool bExpected;
    };
    const Case tab[] = {
        {pclDate, nullptr, true},     {pclDate, "", true},  // an empty date is none
        {pclDate, "20240305", false}, {pclNom, "", false},  // an empty text is a value
        {pclNom, "x", false},
    };
    for (const auto& c : tab) {
        CAny cl;
        if (c.pszValue == nullptr) {
            cl.SetI4(0);
            cl.SetNull(1);
        } else {
            SetDSTRA(&cl, c.pszValue);
        }
        EXPECT_EQ(c.pcl->bNullOrEquivalent(&cl), c.bExpected) << c.pcl->pszGetName() << " " << c.pszValue;
    }
    CAny cl;
    cl.SetDATEA("");
    pclDate->bSetValue(&cl, 0);  // written, but an empty date
    EXPECT_FALSE(pclDate->bValueDefined());
}

TEST_F(NAColumnTest, SameValueByBytes) {
    CNAColumn* pclNom = pclCol(L"nom");
    CAny cl;
    cl.SetI4(0);
    cl.SetNull(1);
    EXPECT_TRUE(pclNom->bSameValue(&cl, 0));  // not defined: equal only to NULL
    SetDSTRA(&cl, "abc");
    pclNom->bSetValue(&cl, 0);
    struct Case {
        const char* psz;
        unsigned nFlags;
        bool bExpected;
    };
    const Case tab[] = {
        {"abc", 0, true}, {"abcd", 0, false}, {"ab", 0, false}, {"ab", 0x1000, true}, {"abd", 0, false}};
    for (const auto& c : tab) {
        CAny clNew;
        SetDSTRA(&clNew, c.psz);
        EXPECT_EQ(pclNom->bSameValue(&clNew, c.nFlags), c.bExpected) << c.psz << " " << c.nFlags;
    }
    CAny clId;
    clId.SetI4(3);
    pclCol(L"id")->bSetValue(&clId, 0);
    CAny clI8;
    clI8.SetI8(3);
    EXPECT_TRUE(pclCol(L"id")->bSameValue(&clI8, 0));  // other types: the host's equality
}

TEST_F(NAColumnTest, MemoWrites) {
    CNAColumn* pclNotes = pclCol(L"notes");
    EXPECT_TRUE(pclNotes->pclGetNAValue()->bIsNull());
    EXPECT_FALSE(pclNotes->bValueDefined());
    CAny clVide;
    SetDSTRA(&clVide, "");
    // Nullable on the server, original NULL: an empty memo stays NULL and unmodified.
    ASSERT_TRUE(pclNotes->_bSetValueMemoToDB(&clVide, 0));
    EXPECT_TRUE(pclNotes->pclGetNAValue()->bIsNull());
    EXPECT_FALSE(pclNotes->bValueModified());
    CAny cl;
    SetDSTRA(&cl, "texte");
    ASSERT_TRUE(pclNotes->_bSetValueMemoToDB(&cl, 0));
    EXPECT_TRUE(pclNotes->bValueModified());
    EXPECT_TRUE(pclNotes->bValueDefined());
    EXPECT_TRUE(m_pclRecord->pclGetNAYFRecord()->bItemValueDefined(pclNotes->piGetItemNoRef(), 0));
    CAny clOut;
    ASSERT_TRUE(pclNotes->bGetCurrentValue(&clOut, 0));
    EXPECT_EQ(sTexteA(clOut), "texte");

    // Once the row was read, setting the same value again changes nothing.
    m_pclRecord->bCopyCurrentRecordToOriginalRecord();
    pclNotes->SetNotModified();
    ASSERT_TRUE(pclNotes->_bSetValueMemoToDB(&cl, 0));
    EXPECT_FALSE(pclNotes->bValueModified());
    SetDSTRA(&cl, "autre");
    ASSERT_TRUE(pclNotes->_bSetValueMemoToDB(&cl, 0));
    EXPECT_TRUE(pclNotes->bValueModified());

    // On a server that refuses NULL, an empty memo is an empty, defined value.
    m_pclServer->pclGetItemNoRef(3)->SetNullable(0);
    auto* pclRecord = new CNARecord(m_pclErr, nullptr);
    pclRecord->AddRef();
    ASSERT_TRUE(pclRecord->bInitRecord(m_pclHost, m_pclServer, &m_clCnx));
    CNAColumn* pclStrict = pclRecord->pclGetColumnNoRef(L"notes");
    ASSERT_TRUE(pclStrict->_bSetValueMemoToDB(&clVide, 0));
    EXPECT_FALSE(pclStrict->pclGetNAValue()->bIsNull());
    EXPECT_TRUE(pclStrict->bValueDefined());
    EXPECT_TRUE(pclStrict->bValueModified());
    pclRecord->nRelease();
}

TEST_F(NAColumnTest, CompositeKeyValueNeverPassesItsBuffer) {
    CNAColumn* pclKey = pclCol(L"cle");
    ASSERT_EQ(pclKey->nGetItemSize(), 14u);  // the components' logical sizes: 10 + 4
    CAny cl;
    SetDSTRA(&cl, "Dupont");
    pclCol(L"nom")->bSetValue(&cl, 0);
    cl.SetBIN(reinterpret_cast<const unsigned char*>("\xAA\xBB\xCC\xDD\xEE"), 5);
    pclCol(L"code")->bSetValue(&cl, 0);  // the slot keeps 4 of them
    CAny clKey;
    ASSERT_TRUE(pclKey->bGetCurrentValue(&clKey, 0));
    EXPECT_EQ(clKey.nGetTypeCode(), VQTYPE_BIN);
    unsigned long n = 0;
    clKey.pclGetValeur()->nGetUtilDataSize(&n);
    ASSERT_EQ(n, 14u);
    void* p = nullptr;
    clKey.pclGetValeur()->nGetDataAdr(&p);
    // The text's width (slot size less its zero), then as much of the bytes as the key holds.
    EXPECT_EQ(std::string(static_cast<const char*>(p), 14), std::string("Dupont\0\0\0\0\xAA\xBB\xCC\xDD", 14));

    // Straight into a buffer with a guard after it: nothing is written past the size given.
    unsigned char aby[20];
    memset(aby, 0x5A, sizeof(aby));
    ASSERT_TRUE(pclKey->_bGetComposedKeyValue(aby, 14));
    for (int i = 14; i < 20; i++) EXPECT_EQ(aby[i], 0x5A) << i;
    memset(aby, 0x5A, sizeof(aby));
    ASSERT_TRUE(pclKey->_bGetComposedKeyValue(aby, 8));
    for (int i = 8; i < 20; i++) EXPECT_EQ(aby[i], 0x5A) << i;

    EXPECT_TRUE(pclKey->bValueDefined());
    EXPECT_TRUE(pclKey->bValueModified());
}

TEST_F(NAColumnTest, TraceTexts) {
    struct Case {
        const wchar_t* pszName;
        int bWithName;
        const wchar_t* pszExpected;
    };
    CAny cl;
    cl.SetI4(12);
    pclCol(L"id")->bSetValue(&cl, 0);
    const Case tab[] = {
        {L"id", 1, L"<id> = <12>"},
        {L"id", 0, L"12"},
        {L"nom", 1, L"<nom> = <NULL>"},
        {L"nom", 0, L""},
    };
    CXYStringConcat<wchar_t> clTexte;
    for (const auto& c : tab) {
        EXPECT_TRUE(pclCol(c.pszName)->bCurrentValueToString(&clTexte, c.bWithName));
        EXPECT_STREQ(clTexte.pszGet(), c.pszExpected);
    }
    pclCol(L"notes")->SetValueIsUnreadYet();
    EXPECT_TRUE(pclCol(L"notes")->bValueIsUnreadYet());
    EXPECT_TRUE(pclCol(L"notes")->bCurrentValueToString(&clTexte, 1));
    EXPECT_STREQ(clTexte.pszGet(), L"<notes> = <UNREAD YET>");
}

TEST_F(NAColumnTest, CheckBeforeWriting) {
    CNAColumn* pclNom = pclCol(L"nom");
    CAny cl;
    SetDSTRA(&cl, "x");
    pclNom->bSetValue(&cl, 0);
    pclNom->pclGetNAValue()->pclGetValue()->SetNull(1);  // out of step with the record
    EXPECT_TRUE(pclNom->bCheckAndCorrectYFRecordValues());
    EXPECT_FALSE(pclNom->pclGetNAValue()->bIsNull());
    EXPECT_TRUE(pclCol(L"notes")->bCheckAndCorrectYFRecordValues());  // a memo not defined: NULL
    EXPECT_TRUE(pclCol(L"notes")->pclGetNAValue()->bIsNull());
    EXPECT_TRUE(pclCol(L"cle")->bCheckAndCorrectYFRecordValues());
}

TEST_F(NAColumnTest, RestoringTheOriginalValue) {
    CNAColumn* pclId = pclCol(L"id");
    CAny cl;
    cl.SetI4(9);
    pclId->bSetValue(&cl, 0);
    CNAConvertVariant* pclCopy = pclId->pclGetVariantClone();
    ASSERT_NE(pclCopy, nullptr);
    pclCopy->AddRef();
    cl.SetI4(10);
    pclId->bSetValue(&cl, 0);
    ASSERT_TRUE(pclId->pclGetNAValue()->bInitBufferDB());
    EXPECT_TRUE(pclId->bRestaureOriginalValue(pclCopy));
    EXPECT_EQ(sSlot(L"id"), std::string("\x09\0\0\0", 4));
    EXPECT_TRUE(pclId->bRestaureOriginalValue(nullptr));
    EXPECT_TRUE(pclId->pclGetNAValue()->bIsNull());
    pclCopy->nRelease();
}

TEST_F(NAColumnTest, AttachedMemoFilesAreReadWhenTheValueIsRead) {
    CTempDir clDir;
    ASSERT_TRUE(clDir.bMade());
    const std::string sMemo = clDir.sPath() + "/memo";
    const std::wstring wsMemo = clDir.wsPath() + L"/memo";
    auto Ecrit = [](const std::string& sChemin, const std::string& sData) {
        std::ofstream os(sChemin, std::ios::binary | std::ios::trunc);
        os << sData;
    };
    auto sLit = [](const std::string& sChemin) {
        std::ifstream is(sChemin, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(is), std::istreambuf_iterator<char>());
    };
    CNAColumn* pclNotes = pclCol(L"notes");
    Ecrit(sMemo, "contenu");
    EXPECT_TRUE(pclNotes->bHAttacheMemo(wsMemo.c_str()));
    EXPECT_TRUE(pclNotes->bValueModified());
    EXPECT_TRUE(pclNotes->bValueDefined());
    Ecrit(sMemo, "lu plus tard");  // read only when the value is asked for
    CAny cl;
    ASSERT_TRUE(pclNotes->bGetCurrentValue(&cl, 0));
    EXPECT_EQ(cl.nGetTypeCode(), VQTYPE_BIN);
    unsigned long n = 0;
    cl.pclGetValeur()->nGetUtilDataSize(&n);
    EXPECT_EQ(n, 12u);
    Ecrit(sMemo, "encore");
    ASSERT_TRUE(pclNotes->bGetCurrentValue(&cl, 0));  // no longer NULL: not read again
    cl.pclGetValeur()->nGetUtilDataSize(&n);
    EXPECT_EQ(n, 12u);

    EXPECT_TRUE(pclNotes->bHExtraitMemo((clDir.wsPath() + L"/out").c_str()));
    EXPECT_EQ(sLit(clDir.sPath() + "/out"), "lu plus tard");
    pclNotes->bSetValueNULL();
    EXPECT_TRUE(pclNotes->bHExtraitMemo((clDir.wsPath() + L"/vide").c_str()));
    EXPECT_TRUE(std::filesystem::exists(clDir.sPath() + "/vide"));
    EXPECT_EQ(sLit(clDir.sPath() + "/vide"), "");
}

}  // namespace
