// Helpers of the disk-file tests: the temporary-directory fixture with plain file access that bypasses
// the library (tests/host/TempDir.h), reading what a failure report holds, and running a piece of
// code in a second process (record locks only conflict between processes).
#pragma once

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

#include "core/XError.h"
#include "tests/host/TempDir.h"

// The failure report's source-file item, or "<none>".
inline std::wstring wsSourceFile(const CXError* pclErr) {
    const void* pValue = nullptr;
    if (!pclErr->bGetInfo(CXError::EIT_SRCFILE, &pValue) || pValue == nullptr) return L"<none>";
    return static_cast<const wchar_t*>(pValue);
}

// The first user message id of a report, 0 for none.
inline uint32_t nFirstMessage(const CXError* pclErr) {
    return pclErr->nNumErrorId() > 0 ? pclErr->nGetErrorId(0) : 0;
}

// Runs fn in a forked child and answers its result (0-255), or -1 when the child did not exit.
template <typename F>
int nInChild(F fn) {
    pid_t nPid = fork();
    if (nPid == 0) _exit(fn() & 0xFF);
    int nStatus = 0;
    if (nPid < 0 || waitpid(nPid, &nStatus, 0) != nPid || !WIFEXITED(nStatus)) return -1;
    return WEXITSTATUS(nStatus);
}
