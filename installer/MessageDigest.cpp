// IMessageDigest::bDigestFile: a file's bytes through any digest.
#include "installer/MessageDigest.h"

#include "core/XError.h"
#include "platform/DiskFile.h"

namespace {

void _CopieErreur(CXError* pclError, const IXStream& clFichier) {
    if (pclError == nullptr || clFichier.pclGetXError() == nullptr) return;
    pclError->Copy(clFichier.pclGetXError());
    pclError->SetErrorLevel(2);
}

}  // namespace

int IMessageDigest::bDigestFile(const wchar_t* pszPath, unsigned char* pbyDigest, CXError* pclError) {
    CDiskFile clFichier;
    if (!clFichier.bOpen(pszPath, IXStream::eAccessRead, IXStream::eShareNone, IXStream::eCreateOpenExisting,
                         IXStream::eFlagNone, nullptr)) {
        _CopieErreur(pclError, clFichier);
        return 0;
    }
    Reset();
    unsigned char abyTampon[1024];
    for (;;) {
        uint32_t nLu = 0;
        if (!clFichier.bRead(abyTampon, sizeof(abyTampon), &nLu)) {
            // A digest of part of the file would pass for the file's own: a read error fails.
            _CopieErreur(pclError, clFichier);
            clFichier.Close();
            Reset();
            return 0;
        }
        if (nLu == 0) break;
        AddData(abyTampon, nLu);
    }
    clFichier.Close();
    FinalDigest(pbyDigest);
    return 1;
}
