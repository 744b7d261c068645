// The running program, child processes, threads, environment, current directory, standard handles,
// atoms, debug output and the message box of the Windows emulation (see WinProcess.h). Everything a
// child needs is prepared before fork: in a process with several threads the child may only call
// what is safe after fork, so it does nothing but execve and _exit.
#include "platform/WinProcess.h"

#include <dlfcn.h>
#include <pthread.h>
#include <sched.h>
#include <sys/auxv.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <cwctype>
#include <new>
#include <string>
#include <vector>

#include "core/CharsetTable.h"
#include "core/STRCompare.h"
#include "core/UnicodeToolkit.h"
#include "platform/AtomList.h"
#include "platform/DiskFile.h"
#include "platform/DiskFileInternal.h"

extern char** environ;

namespace {

std::string sToUTF8(const wchar_t* psz, size_t nLen) {
    if (psz == nullptr || nLen == 0) return std::string();
    const std::wstring sCopy(psz, nLen);
    std::vector<char> tab(4 * nLen + 1);
    const long n = WideToUTF8(tab.data(), tab.size(), sCopy.c_str());
    return std::string(tab.data(), static_cast<size_t>(n));
}

std::string sToUTF8(const wchar_t* psz) {
    return psz == nullptr ? std::string() : sToUTF8(psz, wcslen(psz));
}

std::wstring sFromUTF8(const char* psz) {
    if (psz == nullptr || *psz == '\0') return std::wstring();
    std::vector<wchar_t> tab(strlen(psz) + 1);
    const unsigned long n = UTF8ToWide(tab.data(), tab.size(), psz);
    return std::wstring(tab.data(), n);
}

// Copies text of nLen units into a buffer of nSize units, cut to nSize - 1 and terminated.
template <typename T>
size_t __nCopyCut(T* pszBuffer, size_t nSize, const T* psz, size_t nLen) {
    if (pszBuffer == nullptr || nSize == 0) return 0;
    const size_t n = std::min(nLen, nSize - 1);
    if (n != 0) memcpy(pszBuffer, psz, n * sizeof(T));
    pszBuffer[n] = 0;
    return n;
}

// The code page of 8-bit text exchanged with the system in the current character set.
unsigned __nCurrentCharsetCodePage() {
    return dwGetCodePageFromCharset(STR_nGetCurrentChangeCharset());
}

std::string sCodePageToUTF8(const char* psz, unsigned nCodePage) {
    if (psz == nullptr || *psz == '\0') return std::string();
    const size_t n = strlen(psz);
    std::vector<char> tab(3 * n + 1);
    const unsigned long nOut = MultiByteToUTF8(nCodePage, psz, n, tab.data(), tab.size(), 0);
    return std::string(tab.data(), std::min<size_t>(nOut, tab.size() - 1));
}

std::string sUTF8ToCodePage(const std::string& s, unsigned nCodePage) {
    if (s.empty()) return s;
    // Room for shift sequences of the stateful pages too.
    std::vector<char> tab(4 * s.size() + 16);
    const unsigned long nOut =
        UTF8ToMultiByte(nCodePage, s.data(), s.size(), tab.data(), tab.size(), 0, nullptr, nullptr);
    return std::string(tab.data(), std::min<size_t>(nOut, tab.size() - 1));
}

// The path of the running program in the system's bytes.
bool __bGetProgramPath(std::string* psPath) {
    std::vector<char> tab(PATH_MAX);
    for (;;) {
        const ssize_t n = readlink("/proc/self/exe", tab.data(), tab.size());
        if (n < 0) break;
        if (static_cast<size_t>(n) < tab.size()) {
            psPath->assign(tab.data(), static_cast<size_t>(n));
            return true;
        }
        tab.resize(tab.size() * 2);
    }
    // Without the link: the program is the file mapped where its program headers are (the first
    // line of the map need not be it, an address sanitizer's shadow comes first). Lines are read
    // whole: a path cut at a fixed length would name another file.
    FILE* pFile = fopen("/proc/self/maps", "r");
    if (pFile == nullptr) return false;
    const unsigned long nHeaders = getauxval(AT_PHDR);
    char* pszLine = nullptr;
    size_t nRoom = 0;
    bool bFound = false;
    while (!bFound && nHeaders != 0 && getline(&pszLine, &nRoom, pFile) > 0) {
        unsigned long nStart = 0, nEnd = 0;
        if (sscanf(pszLine, "%lx-%lx", &nStart, &nEnd) != 2 || nHeaders < nStart || nHeaders >= nEnd) continue;
        const char* pszSlash = strchr(pszLine, '/');
        if (pszSlash == nullptr) break;
        psPath->assign(pszSlash, strcspn(pszSlash, "\n"));
        bFound = true;
    }
    free(pszLine);
    fclose(pFile);
    return bFound;
}

}  // namespace

// ---------------------------------------------------------------------------------------------
// The running program
// ---------------------------------------------------------------------------------------------

namespace {

// The program's path into the caller's buffer when it fits whole with its terminator. A cut path
// names another file (its directory would be the program's grandparent): 0, errno
// ERROR_INSUFFICIENT_BUFFER, and an empty buffer.
template <typename T>
unsigned __nAnswerPath(T* pszBuffer, unsigned nSize, const T* psz, size_t nLen) {
    if (nLen >= nSize) {
        pszBuffer[0] = 0;
        errno = ERROR_INSUFFICIENT_BUFFER;
        return 0;
    }
    __nCopyCut(pszBuffer, nSize, psz, nLen);
    return 1;
}

}  // namespace

unsigned GetModuleFileNameW(HINSTANCE, wchar_t* pszBuffer, unsigned nSize) {
    if (pszBuffer == nullptr || nSize == 0) return 0;
    std::string sPath;
    if (!__bGetProgramPath(&sPath)) return 0;
    const std::wstring sWide = sFromUTF8(sPath.c_str());
    return __nAnswerPath(pszBuffer, nSize, sWide.c_str(), sWide.size());
}

unsigned GetModuleFileNameA(HINSTANCE, char* pszBuffer, unsigned nSize) {
    if (pszBuffer == nullptr || nSize == 0) return 0;
    std::string sPath;
    if (!__bGetProgramPath(&sPath)) return 0;
    return __nAnswerPath(pszBuffer, nSize, sPath.c_str(), sPath.size());
}

size_t makepath(wchar_t* pszOut, size_t nSize, const wchar_t* pszDirectory, const wchar_t* pszName,
                const wchar_t* pszExtension) {
    std::wstring s;
    if (pszDirectory != nullptr) s = pszDirectory;
    if (pszName != nullptr && *pszName != L'\0') {
        if (!s.empty() && s.back() != L'/') s += L'/';
        s += pszName;
        if (pszExtension != nullptr && *pszExtension != L'\0') {
            if (*pszExtension != L'.') s += L'.';
            s += pszExtension;
        }
    }
    __nCopyCut(pszOut, nSize, s.c_str(), s.size());
    return s.size();
}

// ---------------------------------------------------------------------------------------------
// Child processes
// ---------------------------------------------------------------------------------------------

namespace {

// Splits a Windows command line: arguments end at a blank outside double quotes; a quote at the start
// of an argument or not preceded by a backslash opens or closes a quoted part; the first pair of such
// quotes is taken out of the argument, which is then right-trimmed; empty arguments are dropped.
void __SplitCommandLine(const wchar_t* psz, std::vector<std::string>* ptabArgs) {
    if (psz == nullptr) return;
    const wchar_t* p = psz;
    for (;;) {
        while (*p != L'\0' && iswspace(static_cast<wint_t>(*p))) p++;
        if (*p == L'\0') break;
        std::wstring sArg;
        bool bQuoted = false;
        size_t tabQuotes[2] = {std::wstring::npos, std::wstring::npos};
        for (; *p != L'\0' && (bQuoted || !iswspace(static_cast<wint_t>(*p))); p++) {
            if (*p == L'"' && (sArg.empty() || sArg.back() != L'\\')) {
                bQuoted = !bQuoted;
                if (tabQuotes[0] == std::wstring::npos)
                    tabQuotes[0] = sArg.size();
                else if (tabQuotes[1] == std::wstring::npos)
                    tabQuotes[1] = sArg.size();
            }
            sArg += *p;
        }
        if (tabQuotes[1] != std::wstring::npos) sArg.erase(tabQuotes[1], 1);
        if (tabQuotes[0] != std::wstring::npos) sArg.erase(tabQuotes[0], 1);
        while (!sArg.empty() && iswspace(static_cast<wint_t>(sArg.back()))) sArg.pop_back();
        if (!sArg.empty()) ptabArgs->push_back(sToUTF8(sArg.c_str(), sArg.size()));
    }
}

void __AlarmHandlerVide(int) {}

// A wait for SIGALRM with the signal's default action would end the process, and with the signal
// ignored would never end: in both cases the library's empty handler is installed first.
void __EnsureAlarmHandler() {
    struct sigaction stOld;
    if (sigaction(SIGALRM, nullptr, &stOld) != 0) return;
    if ((stOld.sa_flags & SA_SIGINFO) != 0) return;
    if (stOld.sa_handler == SIG_DFL || stOld.sa_handler == SIG_IGN) InitAlarmHandler(nullptr);
}

}  // namespace

void InitAlarmHandler(void (*pfnHandler)(int)) {
    struct sigaction st;
    memset(&st, 0, sizeof(st));
    st.sa_handler = pfnHandler != nullptr ? pfnHandler : __AlarmHandlerVide;
    sigemptyset(&st.sa_mask);
    st.sa_flags = 0;  // no SA_RESTART: the signal interrupts system calls
    sigaction(SIGALRM, &st, nullptr);
}

int WaitPid(int nPid, unsigned nTimeoutMs, unsigned* pnExitCode) {
    int nStatus = 0;
    int nResult;
    unsigned long nWaited = 0;
    for (;;) {
        nResult = waitpid(nPid, &nStatus, WNOHANG);
        if (nResult != 0 || nWaited >= nTimeoutMs) break;
        __EnsureAlarmHandler();
        alarm(1);
        pause();
        alarm(0);
        nWaited += 1000;
    }
    if (nResult > 0 && pnExitCode != nullptr) *pnExitCode = (static_cast<unsigned>(nStatus) >> 8) & 0xFF;
    return nResult;
}

int CreateProcess(const wchar_t* pszApplication, const wchar_t* pszCommandLine, int* pnPid, int bWait,
                  int* pbStillRunning, unsigned* pnExitCode) {
    if (pszApplication != nullptr && CDiskFile::Unix_access(pszApplication, X_OK) != 0) return 0;
    // The program and its arguments reach the system as UTF-8: a character it cannot carry would
    // turn into another program or another file.
    if (pszCommandLine != nullptr && !_bUTF8CanCarry(pszCommandLine, wcslen(pszCommandLine))) {
        errno = EILSEQ;
        return 0;
    }

    std::vector<std::string> tabArgs;
    if (pszApplication != nullptr) tabArgs.push_back(sToUTF8(pszApplication));
    __SplitCommandLine(pszCommandLine, &tabArgs);
    if (tabArgs.empty()) {
        errno = ENOENT;  // no program named
        return 0;
    }
    std::vector<char*> tabArgv;
    for (std::string& s : tabArgs) tabArgv.push_back(s.data());
    tabArgv.push_back(nullptr);

    const pid_t nChild = fork();
    if (nChild < 0) return 0;
    if (nChild == 0) {
        execve(tabArgv[0], tabArgv.data(), environ);
        _exit(255);
    }
    if (pnPid != nullptr) *pnPid = nChild;
    if (!bWait) return 1;

    unsigned nExitCode = 0;
    unsigned* pnCode = pnExitCode != nullptr ? pnExitCode : &nExitCode;
    *pnCode = 0;
    const bool bRunning = WaitPid(nChild, 1000, pnCode) == 0;
    if (pbStillRunning != nullptr) *pbStillRunning = bRunning ? 1 : 0;
    // 255 is what a child whose program could not be started ends with.
    return bRunning || *pnCode != 255 ? 1 : 0;
}

int TerminateProcess(int nPid, int) {
    // 0 and negative ids name process groups (-1: every process the user may signal).
    if (nPid <= 0) return 0;
    return kill(nPid, SIGTERM) == 0 ? 1 : 0;
}

// ---------------------------------------------------------------------------------------------
// Threads
// ---------------------------------------------------------------------------------------------

namespace {

enum eTHREADKIND { eThreadVoid, eThreadUnsigned, eThreadUnsignedLong };

struct _stTHREADSTART {
    eTHREADKIND nKind;
    void (*pfnVoid)(void*);
    unsigned (*pfnUnsigned)(void*);
    unsigned long (*pfnUnsignedLong)(void*);
    void* pArg;
};

// The thread's exit code becomes its pthread result, which pthread_join hands to the creator.
void* __ThreadStart(void* p) {
    const _stTHREADSTART st = *static_cast<_stTHREADSTART*>(p);
    delete static_cast<_stTHREADSTART*>(p);
    switch (st.nKind) {
        case eThreadVoid:
            st.pfnVoid(st.pArg);
            return nullptr;
        case eThreadUnsigned:
            return reinterpret_cast<void*>(static_cast<uintptr_t>(st.pfnUnsigned(st.pArg)));
        case eThreadUnsignedLong:
            return reinterpret_cast<void*>(static_cast<uintptr_t>(st.pfnUnsignedLong(st.pArg)));
    }
    return nullptr;
}

// Creates the thread; 0 with the thread's id, else the error number.
int __nCreateThread(const _stTHREADSTART& stStart, size_t nStackSize, bool bDetached, pthread_t* pThread) {
    if (stStart.pfnVoid == nullptr && stStart.pfnUnsigned == nullptr && stStart.pfnUnsignedLong == nullptr)
        return EINVAL;
    pthread_attr_t stAttr;
    int nError = pthread_attr_init(&stAttr);
    if (nError != 0) return nError;
    if (nStackSize != 0)
        nError = pthread_attr_setstacksize(&stAttr, std::max(nStackSize, static_cast<size_t>(PTHREAD_STACK_MIN)));
    if (nError == 0 && bDetached) nError = pthread_attr_setdetachstate(&stAttr, PTHREAD_CREATE_DETACHED);
    _stTHREADSTART* pStart = nullptr;
    if (nError == 0) {
        pStart = new (std::nothrow) _stTHREADSTART(stStart);
        if (pStart == nullptr) nError = ENOMEM;
    }
    if (nError == 0) {
        nError = pthread_create(pThread, &stAttr, __ThreadStart, pStart);
        if (nError != 0) delete pStart;
    }
    pthread_attr_destroy(&stAttr);
    return nError;
}

}  // namespace

uintptr_t _beginthread(void (*pfnStart)(void*), unsigned nStackSize, void* pArg) {
    pthread_t nThread;
    const int nError = __nCreateThread({eThreadVoid, pfnStart, nullptr, nullptr, pArg}, nStackSize, true, &nThread);
    if (nError != 0) {
        errno = nError;
        return static_cast<uintptr_t>(-1);
    }
    return static_cast<uintptr_t>(nThread);
}

uintptr_t _beginthreadex(void*, unsigned nStackSize, unsigned (*pfnStart)(void*), void* pArg, unsigned,
                         unsigned long* pnId) {
    pthread_t nThread;
    const int nError =
        __nCreateThread({eThreadUnsigned, nullptr, pfnStart, nullptr, pArg}, nStackSize, false, &nThread);
    if (nError != 0) {
        errno = nError;
        return 0;
    }
    if (pnId != nullptr) *pnId = static_cast<unsigned long>(nThread);
    return static_cast<uintptr_t>(nThread);
}

uintptr_t CreateThread(void*, size_t nStackSize, unsigned long (*pfnStart)(void*), void* pArg, unsigned,
                       unsigned long* pnId) {
    pthread_t nThread;
    const int nError =
        __nCreateThread({eThreadUnsignedLong, nullptr, nullptr, pfnStart, pArg}, nStackSize, false, &nThread);
    if (nError != 0) {
        errno = nError;
        return 0;
    }
    if (pnId != nullptr) *pnId = static_cast<unsigned long>(nThread);
    return static_cast<uintptr_t>(nThread);
}

int SetThreadPriority(uintptr_t hThread, int nPriority) {
    struct sched_param stParam;
    memset(&stParam, 0, sizeof(stParam));
    stParam.sched_priority = nPriority;
    const int nError = pthread_setschedparam(static_cast<pthread_t>(hThread), SCHED_OTHER, &stParam);
    if (nError != 0) {
        errno = nError;
        return 0;
    }
    return 1;
}

// ---------------------------------------------------------------------------------------------
// Environment and current directory
// ---------------------------------------------------------------------------------------------

namespace {

// The Windows answer: the length when the value fits with its terminator, else the size needed.
template <typename T>
unsigned __nAnswerValue(T* pszBuffer, unsigned nSize, const T* psz, size_t nLen) {
    __nCopyCut(pszBuffer, nSize, psz, nLen);
    return static_cast<unsigned>(nLen < nSize ? nLen : nLen + 1);
}

}  // namespace

unsigned GetEnvironmentVariableW(const wchar_t* pszName, wchar_t* pszBuffer, unsigned nSize) {
    if (pszName == nullptr) return 0;
    const char* pszValue = getenv(sToUTF8(pszName).c_str());
    if (pszValue == nullptr) return 0;
    const std::wstring sValue = sFromUTF8(pszValue);
    return __nAnswerValue(pszBuffer, nSize, sValue.c_str(), sValue.size());
}

unsigned GetEnvironmentVariableA(const char* pszName, char* pszBuffer, unsigned nSize) {
    if (pszName == nullptr) return 0;
    const unsigned nCodePage = __nCurrentCharsetCodePage();
    const char* pszValue = getenv(sCodePageToUTF8(pszName, nCodePage).c_str());
    if (pszValue == nullptr) return 0;
    const std::string sValue = sUTF8ToCodePage(pszValue, nCodePage);
    return __nAnswerValue(pszBuffer, nSize, sValue.c_str(), sValue.size());
}

int SetEnvironmentVariable(const wchar_t* pszName, const wchar_t* pszValue) {
    if (pszName == nullptr) return 0;
    const std::string sName = sToUTF8(pszName);
    if (pszValue == nullptr) {
        unsetenv(sName.c_str());
        return 1;
    }
    return setenv(sName.c_str(), sToUTF8(pszValue).c_str(), 1) == 0 ? 1 : 0;
}

int SetEnvironmentVariableW(const wchar_t* pszName, const wchar_t* pszValue) {
    return SetEnvironmentVariable(pszName, pszValue);
}

int SetCurrentDirectoryW(const wchar_t* pszPath) {
    if (pszPath == nullptr) return 0;
    return CDiskFile::Unix_chdir(pszPath) == 0 ? 1 : 0;
}

int SetCurrentDirectoryA(const char* pszPath) {
    if (pszPath == nullptr) return 0;
    return chdir(sCodePageToUTF8(pszPath, __nCurrentCharsetCodePage()).c_str()) == 0 ? 1 : 0;
}

int GetStdHandle(int nStdHandle) {
    switch (nStdHandle) {
        case STD_INPUT_HANDLE:
            return STDIN_FILENO;
        case STD_OUTPUT_HANDLE:
            return STDOUT_FILENO;
        case STD_ERROR_HANDLE:
            return STDERR_FILENO;
        default:
            return -1;
    }
}

// ---------------------------------------------------------------------------------------------
// Atoms
// ---------------------------------------------------------------------------------------------

namespace {
// Emptied when the library is unloaded.
CAtomList s_clAtomList;
}  // namespace

unsigned short AddAtom(const wchar_t* pszName) {
    return s_clAtomList.nAdd(pszName);
}

unsigned short FindAtom(const wchar_t* pszName) {
    return s_clAtomList.nFind(pszName);
}

unsigned GetAtomName(unsigned short nAtom, wchar_t* pszBuffer, int nSize) {
    return s_clAtomList.nGetName(nAtom, pszBuffer, nSize);
}

unsigned short DeleteAtom(unsigned short nAtom) {
    return s_clAtomList.nDelete(nAtom);
}

// ---------------------------------------------------------------------------------------------
// Debug output and message box
// ---------------------------------------------------------------------------------------------

void OutputDebugString(const wchar_t* pszText) {
    if (pszText == nullptr) return;
    fputs(sToUTF8(pszText).c_str(), stderr);
    fflush(stderr);
}

namespace {

const char* __pszPrompt(unsigned nType) {
    switch (nType) {
        case MB_OK:
            return "Appuyez sur ENTREE pour continuer : ";
        case MB_OKCANCEL:
            return "Entrez votre choix (o = OK, c = CANCEL) pour continuer (exemple : o + ENTREE) : ";
        case MB_YESNOCANCEL:
            return "Entrez votre choix (y = YES, n = NO, c = CANCEL) pour continuer (exemple : y + ENTREE) : ";
        case MB_YESNO:
            return "Entrez votre choix (y = YES, n = NO) pour continuer (exemple : y + ENTREE) : ";
        case MB_RETRYCANCEL:
            return "Entrez votre choix (r = RETRY, c = CANCEL) pour continuer (exemple : r + ENTREE) : ";
        default:  // 2, and every type with icon or default-button bits
            return "Entrez votre choix (r = RETRY, a = ABORT, i = IGNORE) pour continuer (exemple : r + ENTREE) : ";
    }
}

typedef unsigned (*PFNMESSAGEBOXQT)(HWND, const wchar_t*, const wchar_t*, unsigned);
constexpr unsigned MESSAGEBOX_QT_NOTHING_SHOWN = 0xFFFFFFFFu;

// The host GUI library, only when it is already in the process: beside the program, else in the
// current directory.
void* __hLoadedGuiLibrary() {
    static const char s_szLibrary[] = "kx200obj.so";
    wchar_t szProgram[261];
    std::string sName;
    if (GetModuleFileNameW(nullptr, szProgram, 260) != 0) {
        const wchar_t* pszSlash = nullptr;
        for (const wchar_t* p = szProgram; *p != L'\0'; p++)
            if (*p == L'/' || *p == L'\\') pszSlash = p;
        if (pszSlash != nullptr) sName = sToUTF8(szProgram, static_cast<size_t>(pszSlash - szProgram + 1));
    }
    sName += s_szLibrary;
    void* h = dlopen(sName.c_str(), RTLD_NOW | RTLD_NOLOAD);
    if (h != nullptr) return h;
    char szDirectory[261];
    if (getcwd(szDirectory, 260) == nullptr) return nullptr;
    std::string sInCurrent = szDirectory;
    if (sInCurrent.empty() || sInCurrent.back() != '/') sInCurrent += '/';
    sInCurrent += s_szLibrary;
    return dlopen(sInCurrent.c_str(), RTLD_NOW | RTLD_NOLOAD);
}

}  // namespace

int __nMessageBoxConsole(FILE* pIn, FILE* pOut, const wchar_t* pszText, const wchar_t* pszCaption, unsigned nType) {
    fprintf(pOut, "%s\n%s\n%s\n", sToUTF8(pszCaption).c_str(), sToUTF8(pszText).c_str(), __pszPrompt(nType));
    fflush(pOut);

    // One word of the answer line; an empty line (ENTER alone) or the end of the input is OK.
    char szLine[64];
    char cFirst = '\0';
    if (pIn != nullptr && fgets(szLine, sizeof(szLine), pIn) != nullptr) {
        const char* p = szLine;
        while (*p == ' ' || *p == '\t') p++;
        cFirst = *p;
        // The rest of a long line is not taken for the next answer.
        if (strchr(szLine, '\n') == nullptr) {
            int c;
            while ((c = fgetc(pIn)) != EOF && c != '\n') {
            }
        }
    }
    switch (cFirst) {
        case 'a':
            return IDABORT;
        case 'c':
            return IDCANCEL;
        case 'i':
            return IDIGNORE;
        case 'n':
            return IDNO;
        case 'r':
            fprintf(pOut,
                    "(developpeurs : pour examiner la fonction courante, attachez un debogueur au processus %d "
                    "(gdb -p %d), remontez les appels avec 'up' puis reprenez avec 'continue')\n",
                    static_cast<int>(getpid()), static_cast<int>(getpid()));
            fflush(pOut);
            return IDRETRY;
        case 'y':
            return IDYES;
        default:
            return IDOK;
    }
}

int MessageBoxW(HWND, const wchar_t* pszText, const wchar_t* pszCaption, unsigned nType) {
    return __nMessageBoxConsole(stdin, stderr, pszText, pszCaption, nType);
}

int MessageBox(HWND hOwner, const wchar_t* pszText, const wchar_t* pszCaption, unsigned nType) {
    void* hLibrary = __hLoadedGuiLibrary();
    if (hLibrary != nullptr) {
        PFNMESSAGEBOXQT pfn = reinterpret_cast<PFNMESSAGEBOXQT>(dlsym(hLibrary, "MessageBox_QT_W"));
        const unsigned nAnswer = pfn != nullptr ? pfn(hOwner, pszText, pszCaption, nType) : MESSAGEBOX_QT_NOTHING_SHOWN;
        dlclose(hLibrary);
        if (nAnswer != MESSAGEBOX_QT_NOTHING_SHOWN) return static_cast<int>(nAnswer);
    }
    return MessageBoxW(hOwner, pszText, pszCaption, nType);
}
