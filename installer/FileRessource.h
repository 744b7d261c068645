// CFileRessource: the resource block a build step embeds in a program file, read as the version
// block is, and the resources it holds under the keys "\Resource\<id>".
#pragma once

#include "installer/FileVersion.h"

class CFileRessource : public CFileVersion {
public:
    // The first block of at least FILEVERSION_BLOC_MIN bytes between "ResourceInfoMarkStart" (with
    // its zero byte) and "ResourceInfoMarkEnd". True when a block is held.
    bool bLoad(const wchar_t* pszPath);

    // The bytes of resource nId (its value in the block) and their count.
    bool bLoadResource(unsigned int nId, const char** ppData, uint32_t* pnLength) const;
};
