// The image memo value: the host's slot order, name copies, the reference held on the host's image
// object, load types, and where the bytes come from when they were never set.
#include "variant/VQMemoImage.h"

#include <gtest/gtest.h>

#include <cstring>

#include "tests/core/VirtualSlot.h"
#include "tests/host/TestSupport.h"

namespace {

// The host's image object: counts its references, answers a chosen version and hands out fixed
// bytes through slot 29. A reference taken after the count fell to 0 is recorded, since the host
// would have destroyed the object by then.
class CStandInImage final : public IImageVQ {
public:
    explicit CStandInImage(int nVersion = 8) : m_nVersion(nVersion) {}

    void vAddRef() override {
        if (m_bRelachee) m_bReveillee = true;
        m_nRef++;
    }
    void vRelease() override {
        if (--m_nRef == 0) m_bRelachee = true;
    }
    int vnGetVersion() override {
        m_nVersionCalls++;
        return m_nVersion;
    }
    void vGetBinData(CVQBIN* pclData) override {
        m_nBinDataCalls++;
        static const unsigned char s_aby[] = {0x89, 'P', 'N', 'G'};
        pclData->nAssign(s_aby, sizeof(s_aby), 0);
    }

#define KX_RESERVED(n)                                             \
    void vReserved##n() override {                                 \
        ADD_FAILURE() << "slot " #n " of the image object called"; \
    }
    KX_RESERVED(2);
    KX_RESERVED(3);
    KX_RESERVED(4);
    KX_RESERVED(5);
    KX_RESERVED(6);
    KX_RESERVED(7);
    KX_RESERVED(9);
    KX_RESERVED(10);
    KX_RESERVED(11);
    KX_RESERVED(12);
    KX_RESERVED(13);
    KX_RESERVED(14);
    KX_RESERVED(15);
    KX_RESERVED(16);
    KX_RESERVED(17);
    KX_RESERVED(18);
    KX_RESERVED(19);
    KX_RESERVED(20);
    KX_RESERVED(21);
    KX_RESERVED(22);
    KX_RESERVED(23);
    KX_RESERVED(24);
    KX_RESERVED(25);
    KX_RESERVED(26);
    KX_RESERVED(27);
    KX_RESERVED(28);
#undef KX_RESERVED

    int m_nVersion;
    int m_nRef = 0;
    bool m_bRelachee = false;
    bool m_bReveillee = false;
    int m_nVersionCalls = 0;
    int m_nBinDataCalls = 0;
};

class VQMemoImageTest : public testing::Test {
protected:
    void SetUp() override { KXInstallStandInHost(); }
};

TEST(VQMemoImageLayout, HostSlotOrder) {
    struct Case {
        const char* pszNom;
        ptrdiff_t nSlot;
        ptrdiff_t nAttendu;
    } const aCases[] = {
        {"dwRelease", SlotOf(&CVQMemoImage::dwRelease), 2},
        {"SetNomImage", SlotOf(&CVQMemoImage::SetNomImage), 3},
        {"SetNomTable", SlotOf(&CVQMemoImage::SetNomTable), 4},
        {"SetNomRubrique", SlotOf(&CVQMemoImage::SetNomRubrique), 5},
        {"SetChamp", SlotOf(&CVQMemoImage::SetChamp), 6},
        {"SetCallback", SlotOf(&CVQMemoImage::SetCallback), 7},
        {"SetContexteYF", SlotOf(&CVQMemoImage::SetContexteYF), 8},
        {"SetNumEnr", SlotOf(&CVQMemoImage::SetNumEnr), 9},
        {"SetNomTableNumEnr", SlotOf(&CVQMemoImage::SetNomTableNumEnr), 10},
        {"SetNomRubriqueNumEnr", SlotOf(&CVQMemoImage::SetNomRubriqueNumEnr), 11},
        {"SetBinData", SlotOf(&CVQMemoImage::SetBinData), 12},
        {"SetCallbackSauveVQBin", SlotOf(&CVQMemoImage::SetCallbackSauveVQBin), 13},
        {"SetCallbackGetSourceImage", SlotOf(&CVQMemoImage::SetCallbackGetSourceImage), 14},
        // The host's image object, as the memo calls it.
        {"IImageVQ::vAddRef", SlotOf(&IImageVQ::vAddRef), 0},
        {"IImageVQ::vRelease", SlotOf(&IImageVQ::vRelease), 1},
        {"IImageVQ::vnGetVersion", SlotOf(&IImageVQ::vnGetVersion), 8},
        {"IImageVQ::vGetBinData", SlotOf(&IImageVQ::vGetBinData), 29},
    };
    for (const Case& c : aCases) EXPECT_EQ(c.nSlot, c.nAttendu) << c.pszNom;
}

TEST_F(VQMemoImageTest, StartsEmpty) {
    CVQMemoImage cl;
    EXPECT_EQ(cl.dwGetRef(), 0u);
    EXPECT_EQ(cl.nGetNumEnr(), -1);
    EXPECT_EQ(cl.dwGetFlags(), 0u);
    EXPECT_EQ(cl.pszGetNomImage(), nullptr);
    EXPECT_EQ(cl.pszGetNomRubriqueNumEnr(), nullptr);
    EXPECT_EQ(cl.piGetVQImage(), nullptr);
    EXPECT_EQ(cl.piGetSourceImage(), nullptr);
    EXPECT_TRUE(cl.pclGetBinDataEx()->bEstVide());
}

TEST_F(VQMemoImageTest, NameSettersKeepTheirOwnCopies) {
    struct Case {
        const char* pszNom;
        void (CVQMemoImage::*pfnSet)(const wchar_t*);
        const wchar_t* (CVQMemoImage::*pfnGet)() const;
    } const aCases[] = {
        {"NomImage", &CVQMemoImage::SetNomImage, &CVQMemoImage::pszGetNomImage},
        {"NomTable", &CVQMemoImage::SetNomTable, &CVQMemoImage::pszGetNomTable},
        {"NomRubrique", &CVQMemoImage::SetNomRubrique, &CVQMemoImage::pszGetNomRubrique},
        {"NomTableNumEnr", &CVQMemoImage::SetNomTableNumEnr, &CVQMemoImage::pszGetNomTableNumEnr},
        {"NomRubriqueNumEnr", &CVQMemoImage::SetNomRubriqueNumEnr, &CVQMemoImage::pszGetNomRubriqueNumEnr},
    };
    for (const Case& c : aCases) {
        CVQMemoImage cl;
        wchar_t szNom[] = L"Client";
        (cl.*c.pfnSet)(szNom);
        szNom[0] = L'X';
        EXPECT_STREQ((cl.*c.pfnGet)(), L"Client") << c.pszNom;

        // The text the memo hands out may come straight back.
        (cl.*c.pfnSet)((cl.*c.pfnGet)());
        EXPECT_STREQ((cl.*c.pfnGet)(), L"Client") << c.pszNom;

        (cl.*c.pfnSet)(L"Facture");
        EXPECT_STREQ((cl.*c.pfnGet)(), L"Facture") << c.pszNom;
        (cl.*c.pfnSet)(nullptr);
        EXPECT_EQ((cl.*c.pfnGet)(), nullptr) << c.pszNom;

        // A name left set is freed with the memo (the leak checker sees it otherwise).
        (cl.*c.pfnSet)(L"Photo");
    }
}

TEST_F(VQMemoImageTest, PointerAndNumberSettersStoreTheirValues) {
    CVQMemoImage cl;
    int aContexte[3];
    cl.SetChamp(&aContexte[0]);
    cl.SetCallback(&aContexte[1]);
    cl.SetContexteYF(&aContexte[2]);
    cl.SetNumEnr(1L << 40);
    EXPECT_EQ(cl.pGetChamp(), &aContexte[0]);
    EXPECT_EQ(cl.pGetCallback(), &aContexte[1]);
    EXPECT_EQ(cl.pGetContexteYF(), &aContexte[2]);
    EXPECT_EQ(cl.nGetNumEnr(), 1L << 40);
    EXPECT_EQ(cl.dwGetFlags(), 0u);
}

TEST_F(VQMemoImageTest, LoadTypes) {
    constexpr uint32_t T1 = CVQMemoImage::VQMEMOIMAGE_LOADTYPE1, IM = CVQMemoImage::VQMEMOIMAGE_IMAGE;
    struct Case {
        int anTypes[3];  // applied in order; -2 ends
        uint32_t dwFlags;
    } const aCases[] = {
        {{1, -2}, T1},     {{1, 0, -2}, 0},  {{1, 2, -2}, 0},
        {{1, 3, -2}, IM},  {{3, 0, -2}, IM},  // only load type 3 and the image object set the image flag
        {{1, 4, -2}, T1},                     // unknown types change nothing
        {{1, -1, -2}, T1},
    };
    for (const Case& c : aCases) {
        CVQMemoImage cl;
        for (int i = 0; c.anTypes[i] != -2; i++) cl.SetLoadType(static_cast<eLOADTYPE>(c.anTypes[i]));
        EXPECT_EQ(cl.dwGetFlags(), c.dwFlags) << c.anTypes[0] << "," << c.anTypes[1];
    }
}

TEST_F(VQMemoImageTest, HoldsOneReferenceOnTheImageObject) {
    CStandInImage clA, clB, clC;
    {
        CVQMemoImage cl;
        cl.SetVQImage(&clA);
        EXPECT_EQ(clA.m_nRef, 1);
        EXPECT_EQ(cl.dwGetFlags(), CVQMemoImage::VQMEMOIMAGE_IMAGE);

        // The object already held is never let go on the way.
        cl.SetVQImage(&clA);
        EXPECT_EQ(clA.m_nRef, 1);
        EXPECT_FALSE(clA.m_bRelachee);

        cl.SetVQImage(&clB);
        EXPECT_EQ(clA.m_nRef, 0);
        EXPECT_EQ(clB.m_nRef, 1);
        EXPECT_EQ(cl.piGetVQImage(), &clB);

        cl.SetVQImage(nullptr);
        EXPECT_EQ(clB.m_nRef, 0);
        EXPECT_EQ(cl.dwGetFlags(), 0u);
        EXPECT_EQ(cl.piGetVQImage(), nullptr);

        cl.SetVQImage(&clC);
    }
    // The memo's end drops its reference.
    EXPECT_EQ(clC.m_nRef, 0);
    EXPECT_FALSE(clA.m_bReveillee);
    EXPECT_FALSE(clB.m_bReveillee);
}

TEST_F(VQMemoImageTest, SetBinDataSharesTheBytesAndIsNeverRefilled) {
    CStandInImage clImage;
    static int s_nSauve = 0;
    s_nSauve = 0;
    CVQMemoImage cl;
    cl.SetVQImage(&clImage);
    cl.SetCallbackSauveVQBin(reinterpret_cast<void*>(+[](CVQMemoImage*) { s_nSauve++; }));

    const unsigned char aby[] = {1, 2, 3};
    CVQBIN clData(aby, 3);
    cl.SetBinData(clData);
    EXPECT_TRUE(cl.dwGetFlags() & CVQMemoImage::VQMEMOIMAGE_BINDATA);

    CVQBIN* pcl = cl.pclGetBinDataEx();
    EXPECT_EQ(pcl->pbyGet(), clData.pbyGet());  // the same buffer, shared
    EXPECT_TRUE(clData.bEstPartage());
    EXPECT_EQ(s_nSauve, 0);
    EXPECT_EQ(clImage.m_nVersionCalls, 0);
    EXPECT_EQ(clImage.m_nBinDataCalls, 0);
    cl.SetVQImage(nullptr);
}

TEST_F(VQMemoImageTest, UnsetBytesComeFromTheSaveCallbackFirst) {
    static CVQMemoImage* s_pclVu = nullptr;
    s_pclVu = nullptr;
    CStandInImage clImage;
    CVQMemoImage cl;
    cl.SetVQImage(&clImage);
    cl.SetCallbackSauveVQBin(reinterpret_cast<void*>(+[](CVQMemoImage* pcl) {
        s_pclVu = pcl;
        const unsigned char aby[] = {7, 7};
        pcl->SetBinData(CVQBIN(aby, 2));
    }));
    CVQBIN* pcl = cl.pclGetBinDataEx();
    EXPECT_EQ(s_pclVu, &cl);
    ASSERT_EQ(pcl->nGetTaille(), 2);
    EXPECT_EQ(pcl->pbyGet()[0], 7);
    EXPECT_EQ(clImage.m_nBinDataCalls, 0);
    cl.SetVQImage(nullptr);
}

TEST_F(VQMemoImageTest, UnsetBytesAreDrawnFromImageObjectsFromVersion8) {
    struct Case {
        int nVersion;
        bool bRempli;
    } const aCases[] = {{7, false}, {8, true}, {12, true}, {0, false}};
    for (const Case& c : aCases) {
        CStandInImage clImage(c.nVersion);
        CVQMemoImage cl;
        cl.SetVQImage(&clImage);
        CVQBIN* pcl = cl.pclGetBinDataEx();
        EXPECT_EQ(clImage.m_nVersionCalls, 1) << c.nVersion;
        EXPECT_EQ(clImage.m_nBinDataCalls, c.bRempli ? 1 : 0) << c.nVersion;
        EXPECT_EQ(pcl->nGetTaille(), c.bRempli ? 4 : 0) << c.nVersion;
        cl.SetVQImage(nullptr);
    }

    // Load type 3 marks an image object without one: nothing to ask.
    CVQMemoImage cl;
    cl.SetLoadType(eLOADTYPE_3);
    EXPECT_TRUE(cl.pclGetBinDataEx()->bEstVide());
}

TEST_F(VQMemoImageTest, SourceImageComesFromItsCallback) {
    static CStandInImage s_clSource;
    static CVQMemoImage* s_pclVu = nullptr;
    CVQMemoImage cl;
    cl.SetCallbackGetSourceImage(reinterpret_cast<void*>(+[](CVQMemoImage* pcl) -> IImageVQ* {
        s_pclVu = pcl;
        return &s_clSource;
    }));
    EXPECT_EQ(cl.piGetSourceImage(), &s_clSource);
    EXPECT_EQ(s_pclVu, &cl);
    EXPECT_EQ(s_clSource.m_nRef, 0);  // handed out as the callback gives it
}

TEST_F(VQMemoImageTest, LivesByItsReferenceCount) {
    CStandInImage clImage;
    CVQMemoImage* pcl = new CVQMemoImage;
    pcl->AddRef();
    pcl->AddRef();
    pcl->SetNomImage(L"Logo");
    pcl->SetVQImage(&clImage);
    const unsigned char aby[] = {1};
    pcl->SetBinData(CVQBIN(aby, 1));
    EXPECT_EQ(pcl->dwRelease(), 1u);
    EXPECT_EQ(clImage.m_nRef, 1);
    // Through the base, as the host releases it: names, bytes and the image reference go with it.
    CKXUnknown* pclBase = pcl;
    EXPECT_EQ(pclBase->dwRelease(), 0u);
    EXPECT_EQ(clImage.m_nRef, 0);
}

}  // namespace
