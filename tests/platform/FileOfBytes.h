// A read-only stdio stream over given bytes, for the tests of the character and line readers: the
// bytes go to a temporary file through its descriptor, so the stream has no orientation yet (a first
// byte or wide read decides it), and the file is unlinked at once (it lives until fclose).
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>

// The stream, or null when the temporary file cannot be made.
inline FILE* pFileOf(const std::string& s) {
    char szPath[] = "/tmp/kxbytesXXXXXX";
    const int fd = mkstemp(szPath);
    if (fd < 0) return nullptr;
    const bool bWritten = write(fd, s.data(), s.size()) == static_cast<ssize_t>(s.size());
    close(fd);
    FILE* p = bWritten ? fopen(szPath, "r") : nullptr;
    unlink(szPath);
    return p;
}
