// Tests of typed files: the exact bytes of a new header, the checks of an existing one (signature,
// type and its project family, header size, a file too short to hold one), the reports those checks
// leave on the stream's error object, the choice between writing and reading the header at open,
// and the static identification of a file's type and product code.
#include "platform/KXFile.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "core/XError.h"
#include "tests/core/VirtualSlot.h"
#include "tests/host/TempDir.h"
#include "tests/platform/FileTestStream.h"

namespace {

typedef std::vector<unsigned char> Bytes;

void PutU32(Bytes& aby, size_t nAt, uint32_t dw) {
    for (int i = 0; i < 4; ++i) aby[nAt + i] = static_cast<unsigned char>(dw >> (8 * i));
}

// A header as another writer may have left it.
Bytes Header(uint32_t dwType, uint32_t dwSize = 20, const char* pszSignature = "ORL", uint8_t byProduct = 0) {
    Bytes aby(20, 0);
    memcpy(aby.data(), pszSignature, 4);
    PutU32(aby, 4, dwSize);
    PutU32(aby, 8, dwType);
    aby[14] = 20;
    aby[15] = byProduct;
    return aby;
}

Bytes Prefix(const Bytes& aby, size_t nSize) {
    return Bytes(aby.begin(), aby.begin() + nSize);
}

Bytes operator+(Bytes a, const Bytes& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class KXFileTest : public CTempDirTest {
protected:
    static int bOpenExisting(CKXFile& clFile, const std::wstring& sName) {
        return clFile.bOpen(sName.c_str(), IXStream::eFormatDefault, IXStream::eAccessRead, IXStream::eShareNone,
                            IXStream::eCreateOpenExisting, IXStream::eFlagNone);
    }
};

// What a refused header leaves on the stream's error object.
void ExpectHeaderError(const CKXFile& clFile, const std::wstring& sName, uint32_t nMessageId, const wchar_t* pszDebug) {
    CXError* pclErr = clFile.pclGetXError();
    ASSERT_NE(pclErr, nullptr);
    EXPECT_EQ(pclErr->nGetErrorId(0), nMessageId);
    EXPECT_EQ(pclErr->eGetErrorLevel(), static_cast<uint32_t>(CXError::XEL_ERROR));
    EXPECT_EQ(pclErr->dwGetSystemErrorCode(), 0u);
    EXPECT_NE(std::wstring(pclErr->pszGetDebugMessage()).find(pszDebug), std::wstring::npos)
        << "debug text: " << pclErr->pszGetDebugMessage();
    EXPECT_NE(std::wstring(pclErr->pszGetUserMessage()).find(sName), std::wstring::npos)
        << "user text: " << pclErr->pszGetUserMessage();
    const void* pValue = nullptr;
    ASSERT_TRUE(pclErr->bGetInfo(CXError::EIT_SRCFILE, &pValue));
    EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(pValue)), sName);
}

}  // namespace

TEST(KXFileLayoutTest, AddedSlotsFollowTheFacades) {
    EXPECT_EQ(SlotOf(&CKXFile::bReadHeader), 47);
    EXPECT_EQ(SlotOf(&CKXFile::bWriteHeader), 48);
    EXPECT_EQ(SlotOf(&CKXFile::bWriteHeaderEx), 49);
}

TEST_F(KXFileTest, NewFileGetsTheExactHeaderAndReopens) {
    std::wstring sName = Path("t.dat");
    {
        CKXFile clFile(CKXFile::s_dwTypeProjetGenerique);
        ASSERT_TRUE(clFile.bOpen(sName.c_str(), static_cast<IXStream::eFORMAT>(0x0307), IXStream::eAccessReadWrite,
                                 IXStream::eShareNone, IXStream::eCreateAlways, IXStream::eFlagNone));
        EXPECT_EQ(clFile.dwGetTypeFichier(), 2u);
        EXPECT_EQ(clFile.oGetOffset(), 20);
        EXPECT_EQ(clFile.dwGetTailleEntete(), 20u);
        // The object stays usable after the header: a data byte follows it.
        ASSERT_TRUE(clFile.bWrite("D", 1, nullptr));
    }
    const Bytes aExpected = {0x4F, 0x52, 0x4C, 0x00, 0x14, 0x00, 0x00, 0x00, 0x02, 0x00, 0x00,
                             0x00, 0x00, 0x00, 0x14, 0x00, 0x07, 0x03, 0x00, 0x00, 'D'};
    EXPECT_EQ(Read(sName), aExpected);

    CKXFile clProject(CKXFile::s_dwTypeProjetGenerique);
    ASSERT_TRUE(bOpenExisting(clProject, sName));
    EXPECT_EQ(clProject.dwGetTypeFichier(), 2u);
    EXPECT_EQ(clProject.wGetVersion(), 20u);
    EXPECT_EQ(clProject.wGetFormat(), 0x0307u);
    EXPECT_EQ(clProject.byGetCodeProduit(), 0u);
    EXPECT_EQ(clProject.oGetOffset(), 20);
    ASSERT_TRUE(clProject.bReopen(IXStream::eFormatDefault, IXStream::eAccessRead, IXStream::eShareNone,
                                  IXStream::eCreateOpenExisting, IXStream::eFlagNone));
    EXPECT_EQ(clProject.dwGetTypeFichier(), 2u);

    CKXFile clOther(5);
    EXPECT_FALSE(bOpenExisting(clOther, sName));
    EXPECT_FALSE(clOther.bIsOpen());
    ExpectHeaderError(clOther, sName, 28259, L"##(CKXFile)-Type demande=<5>, type lu=<2>##");
}

TEST_F(KXFileTest, RefusedHeadersCloseTheFile) {
    struct Case {
        const char* pszName;
        Bytes aContent;
        uint32_t dwRequested;
        uint32_t nMessageId;
        const wchar_t* pszDebug;
    };
    const Case aCases[] = {
        {"bad signature", Header(6, 20, "ORX") + Bytes(8, 0), 0, 28555,
         L"##(CKXFile)-Signature geree=<5001807>, signature lue=<5788239>##"},
        {"empty file", Bytes(), 0, 28555, L"Signature geree=<5001807>"},
        {"shorter than a header", Prefix(Header(6), 10), 0, 28555, L"Signature geree=<5001807>"},
        {"other type", Header(6), 5, 28259, L"##(CKXFile)-Type demande=<5>, type lu=<6>##"},
        {"project family refuses 3", Header(3), CKXFile::s_dwTypeProjetGenerique, 28259, L"type lu=<3>"},
        {"header too short", Header(6, 16), 6, 28011,
         L"##(CKXFile)-Taille entete attendue=<20>, Taille entete lue=<16>##"},
    };
    for (const Case& stCase : aCases) {
        SCOPED_TRACE(stCase.pszName);
        std::wstring sName = Path("refused.dat");
        Write(sName, stCase.aContent);
        CKXFile clFile(stCase.dwRequested);
        EXPECT_FALSE(bOpenExisting(clFile, sName));
        EXPECT_FALSE(clFile.bIsOpen());
        ExpectHeaderError(clFile, sName, stCase.nMessageId, stCase.pszDebug);
        // A refused header is never rewritten.
        EXPECT_EQ(Read(sName), stCase.aContent);
    }
}

TEST_F(KXFileTest, SignatureMessageNamesTheVersion) {
    std::wstring sName = Path("notours.dat");
    Write(sName, Bytes(40, 'x'));
    CKXFile clFile;
    EXPECT_FALSE(bOpenExisting(clFile, sName));
    EXPECT_NE(std::wstring(clFile.pclGetXError()->pszGetUserMessage()).find(L"20.0"), std::wstring::npos);
}

TEST_F(KXFileTest, RequestedTypeIsMatched) {
    struct Case {
        uint32_t dwRequested;
        uint32_t dwStored;
        bool bAccepted;
    };
    const Case aCases[] = {
        {0, 0x70003, true},   {0x70003, 0x70003, true}, {0x20001, 2, true},        {0x20001, 8, true},
        {0x20001, 258, true}, {0x20001, 259, true},     {0x20001, 0x20001, false}, {2, 8, false},
    };
    for (const Case& stCase : aCases) {
        SCOPED_TRACE(stCase.dwStored);
        std::wstring sName = Path("typed.dat");
        Write(sName, Header(stCase.dwStored));
        CKXFile clFile(stCase.dwRequested);
        EXPECT_EQ(bOpenExisting(clFile, sName), stCase.bAccepted ? 1 : 0);
        if (stCase.bAccepted) {
            EXPECT_EQ(clFile.dwGetTypeFichier(), stCase.dwStored);
        }
    }
}

TEST_F(KXFileTest, LongerHeaderIsSkipped) {
    std::wstring sName = Path("long.dat");
    Write(sName, Header(6, 32) + Bytes(12, 0xEE) + Bytes{'D', 'A', 'T', 'A'});
    CKXFile clFile;
    ASSERT_TRUE(bOpenExisting(clFile, sName));
    EXPECT_EQ(clFile.dwGetTailleEntete(), 32u);
    EXPECT_EQ(clFile.oGetOffset(), 32);
    char szData[5] = {};
    ASSERT_TRUE(clFile.bRead(szData, 4, nullptr));
    EXPECT_STREQ(szData, "DATA");
}

TEST_F(KXFileTest, OpenOrCreateWritesOnlyANewFilesHeader) {
    std::wstring sName = Path("maybe.dat");
    {
        CKXFile clFile(9);
        ASSERT_TRUE(clFile.bOpen(sName.c_str(), IXStream::eFormatDefault, IXStream::eAccessReadWrite,
                                 IXStream::eShareNone, IXStream::eCreateOpenAlways, IXStream::eFlagNone));
    }
    EXPECT_EQ(Read(sName), Header(9));

    // An existing file: its header is read, not replaced.
    Write(sName, Header(0x70001, 20, "ORL", 15) + Bytes{'x'});
    {
        CKXFile clFile;
        ASSERT_TRUE(clFile.bOpen(sName.c_str(), IXStream::eFormatDefault, IXStream::eAccessReadWrite,
                                 IXStream::eShareNone, IXStream::eCreateOpenAlways, IXStream::eFlagNone));
        EXPECT_EQ(clFile.dwGetTypeFichier(), 0x70001u);
        EXPECT_EQ(clFile.byGetCodeProduit(), 15u);
    }
    EXPECT_EQ(Read(sName), Header(0x70001, 20, "ORL", 15) + Bytes{'x'});

    // Asking for a new header replaces it whatever the creation mode; the data after it stays.
    {
        CKXFile clFile(3);
        ASSERT_TRUE(clFile.bOpenEx(sName.c_str(), IXStream::eFormatDefault, IXStream::eAccessReadWrite,
                                   IXStream::eShareNone, IXStream::eCreateOpenExisting, IXStream::eFlagNone, 1));
    }
    EXPECT_EQ(Read(sName), Header(3) + Bytes{'x'});
}

TEST_F(KXFileTest, ReopenChoosesBetweenReadingAndWriting) {
    std::wstring sName = Path("reopen.dat");
    Write(sName, Header(0x70002) + Bytes{'x', 'y'});
    CKXFile clFile;
    ASSERT_TRUE(bOpenExisting(clFile, sName));

    // Open-or-create of the existing file: its header is checked and kept.
    ASSERT_TRUE(clFile.bReopen(static_cast<IXStream::eFORMAT>(9), IXStream::eAccessReadWrite, IXStream::eShareNone,
                               IXStream::eCreateOpenAlways, IXStream::eFlagNone));
    EXPECT_EQ(clFile.wGetFormat(), 0u);
    EXPECT_EQ(Read(sName), Header(0x70002) + Bytes({'x', 'y'}));

    // Create-or-truncate: a new header with the format given.
    ASSERT_TRUE(clFile.bReopen(static_cast<IXStream::eFORMAT>(9), IXStream::eAccessReadWrite, IXStream::eShareNone,
                               IXStream::eCreateAlways, IXStream::eFlagNone));
    clFile.Close();
    Bytes aExpected = Header(0x70002);
    aExpected[16] = 9;
    EXPECT_EQ(Read(sName), aExpected);
}

TEST_F(KXFileTest, NewHeaderCarriesTheCurrentProductCode) {
    std::wstring sName = Path("product.dat");
    CKXFile::ms_byCodeProduitCourant = 30;
    CKXFile clFile(4);
    int bOpened = clFile.bOpen(sName.c_str(), IXStream::eFormatDefault, IXStream::eAccessReadWrite,
                               IXStream::eShareNone, IXStream::eCreateAlways, IXStream::eFlagNone);
    CKXFile::ms_byCodeProduitCourant = 0;
    ASSERT_TRUE(bOpened);
    EXPECT_EQ(clFile.byGetCodeProduit(), 30u);
    clFile.Close();
    EXPECT_EQ(CKXFile::byGetCodeProduit(sName.c_str()), 30u);
}

TEST(KXFileStreamTest, ShortHeaderWriteIsReported) {
    CFileTestStream* pclStream = new CFileTestStream();
    pclStream->m_nMaxWrite = 10;
    CKXFile clFile(pclStream, 4);
    EXPECT_FALSE(clFile.bOpen(L"short.dat", IXStream::eFormatDefault, IXStream::eAccessReadWrite, IXStream::eShareNone,
                              IXStream::eCreateAlways, IXStream::eFlagNone));
    EXPECT_FALSE(pclStream->bIsOpen());
    CXError* pclErr = clFile.pclGetXError();
    ASSERT_NE(pclErr, nullptr);
    EXPECT_EQ(pclErr->nGetErrorId(0), 28009u);
    EXPECT_NE(std::wstring(pclErr->pszGetDebugMessage()).find(L"##(IXStream)-A ecrire=<20>, ecrit=<10>##"),
              std::wstring::npos);
    const void* pValue = nullptr;
    ASSERT_TRUE(pclErr->bGetInfo(CXError::EIT_SRCFILE, &pValue));
    EXPECT_STREQ(static_cast<const wchar_t*>(pValue), L"short.dat");
}

TEST(KXFileStreamTest, HeaderAtAGivenPosition) {
    CFileTestStream* pclStream = new CFileTestStream(Bytes(8, 'p'));
    CKXFile clFile(pclStream, 0x60001);
    long lPosition = 8;
    _stENTETE_FICHIER_VELMAR stHeader;
    ASSERT_TRUE(clFile.bWriteHeaderEx(&lPosition, &stHeader));
    EXPECT_EQ(lPosition, 28);
    EXPECT_EQ(stHeader.dwTypeFichier, 0x60001u);
    EXPECT_EQ(Bytes(pclStream->m_abyData.begin() + 8, pclStream->m_abyData.end()), Header(0x60001));

    CKXFile clReader(pclStream, 0);
    lPosition = 8;
    ASSERT_TRUE(clReader.bReadHeader(&lPosition));
    EXPECT_EQ(lPosition, 28);
    EXPECT_EQ(clReader.dwGetTypeFichier(), 0x60001u);
}

TEST_F(KXFileTest, IdentifiesFilesWithoutOpeningThemAsTyped) {
    struct Case {
        const char* pszName;
        bool bCreate;
        Bytes aContent;
        uint32_t dwType;
        uint8_t byProduct;
    };
    const Case aCases[] = {
        {"typed file", true, Header(0x70003, 20, "ORL", 30) + Bytes(4, 1), 0x70003, 30},
        // The product code is read without looking at the signature.
        {"foreign signature", true, Header(0x70003, 20, "ABC", 6), 0, 6},
        {"too short", true, Bytes(10, 0), 0, 0},
        {"missing", false, Bytes(), 0xFFFFFFFF, 0},
    };
    for (const Case& stCase : aCases) {
        SCOPED_TRACE(stCase.pszName);
        std::wstring sName = Path(stCase.pszName);
        if (stCase.bCreate) Write(sName, stCase.aContent);
        EXPECT_EQ(CKXFile::dwIdFichierInconnu(sName.c_str()), stCase.dwType);
        EXPECT_EQ(CKXFile::byGetCodeProduit(sName.c_str()), stCase.byProduct);
    }
}

TEST(KXFileTypesTest, KnownAndProjectTypes) {
    struct Case {
        uint32_t dwType;
        int bKnown;
        int bProject;
    };
    const Case aCases[] = {
        {0, 0, 0},        {1, 1, 1},        {257, 1, 1},      {4097, 1, 1},       {0x10001, 1, 1},  {0x10007, 1, 0},
        {0x10008, 0, 0},  {0x60001, 1, 0},  {0x60002, 0, 0},  {0x70006, 1, 0},    {0x70007, 0, 0},  {0x90001, 0, 0},
        {0xa0001, 1, 0},  {0xb0005, 1, 0},  {0xb0006, 0, 0},  {0xd0004, 1, 0},    {0xd0005, 0, 0},  {0xe0003, 1, 0},
        {0xf0002, 1, 0},  {0x100002, 1, 0}, {0x110005, 1, 0}, {0x110006, 0, 0},   {0x120001, 1, 0}, {0x130001, 1, 0},
        {0x140001, 0, 0}, {0x160001, 1, 0}, {0x160002, 0, 0}, {0xFFFFFFFF, 0, 0},
    };
    for (const Case& stCase : aCases) {
        EXPECT_EQ(CKXFile::bIdReconnu(stCase.dwType), stCase.bKnown) << std::hex << stCase.dwType;
        EXPECT_EQ(CKXFile::s_bIsProjet(stCase.dwType), stCase.bProject) << std::hex << stCase.dwType;
    }
}

TEST(KXFileTypesTest, ProductNames) {
    std::vector<std::wstring> asNames;
    for (int nCode : {15, 6, 20, 30, 0}) {
        ASSERT_NE(CKXFile::s_pszVerNomProduit(nCode), nullptr);
        asNames.push_back(CKXFile::s_pszVerNomProduit(nCode));
    }
    for (size_t i = 0; i < asNames.size(); ++i)
        for (size_t j = i + 1; j < asNames.size(); ++j) EXPECT_NE(asNames[i], asNames[j]);
    EXPECT_EQ(std::wstring(CKXFile::s_pszVerNomProduit(99)), asNames.back());
}
