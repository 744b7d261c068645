// The Windows interfaces that deal with the running process and its surroundings, carried over to
// POSIX: the path of the running program, child processes and the alarm that bounds waiting for
// them, threads, environment variables and the current directory, the standard handles, the global
// atom table, debug output and the message box (the host GUI library's when it is already loaded in
// the process, else a prompt on the console). Paths, names and values pass to the system as UTF-8.
// Results keep the Windows form (1 or 0, a length, an id or -1); POSIX errors stay in errno.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>

typedef void* HINSTANCE;
typedef void* HWND;

// ---- The running program ----

#ifndef ERROR_INSUFFICIENT_BUFFER
#define ERROR_INSUFFICIENT_BUFFER 122  // the Windows error of a buffer too small for the answer
#endif

// Full path of the running program (the module is not looked at), terminated; 1 on success, 0 when
// it cannot be found, and 0 with errno ERROR_INSUFFICIENT_BUFFER (the buffer emptied) when the path
// and its terminator do not fit in nSize characters: a cut path would name another file.
unsigned GetModuleFileNameW(HINSTANCE hModule, wchar_t* pszBuffer, unsigned nSize);
// The same with the path's bytes as the system gives them (nSize in bytes).
unsigned GetModuleFileNameA(HINSTANCE hModule, char* pszBuffer, unsigned nSize);

// directory + "/" (left out when the directory is empty or already ends with '/') + name, then, when
// name and extension are both non-empty, "." (left out when the extension begins with '.') and the
// extension. A null or empty directory adds nothing; a null or empty name ends the path after the
// directory. At most nSize - 1 characters are written, always terminated (nothing when nSize is 0).
// Answers the length of the whole path, so a result of nSize or more tells that it was cut.
size_t makepath(wchar_t* pszOut, size_t nSize, const wchar_t* pszDirectory, const wchar_t* pszName,
                const wchar_t* pszExtension);

// ---- Child processes ----

// Starts a program: application (when given, it must be executable and becomes the first argument)
// and the command line split into arguments as Windows does (blanks outside double quotes; one pair of
// quotes taken away). The child's id goes to *pnPid. With bWait, waits up to one second: *pbStillRunning
// tells whether the child still runs and *pnExitCode receives its exit code when it ended. 1 on
// success; 0 when the program is not executable, fork fails, or a child waited for ended with 255
// (its program could not be started), and 0 with errno EILSEQ when the application or the command
// line holds a character UTF-8 cannot carry.
int CreateProcess(const wchar_t* pszApplication, const wchar_t* pszCommandLine, int* pnPid, int bWait,
                  int* pbStillRunning, unsigned* pnExitCode);
// Polls the child once a second (SIGALRM, see InitAlarmHandler) until it ends or the timeout is used
// up (0: one poll). Answers what waitpid answered last: the child's id when it ended, 0 while it runs,
// -1 on error; *pnExitCode receives the exit code of a child that ended.
int WaitPid(int nPid, unsigned nTimeoutMs, unsigned* pnExitCode);
// SIGTERM to one process; 0 for a pid of 0 or below (which would signal groups) or when kill fails.
int TerminateProcess(int nPid, int nExitCode);
// Installs handler (or an empty one when null) for SIGALRM and lets the signal interrupt system calls.
void InitAlarmHandler(void (*pfnHandler)(int));

// ---- Threads ----

// A detached thread; its id, or (uintptr_t)-1 with errno set.
uintptr_t _beginthread(void (*pfnStart)(void*), unsigned nStackSize, void* pArg);
// Joinable threads (their creator joins them with pthread_join); the id, also stored in *pnId when
// given, or 0 with errno set. Security and flags are not looked at.
uintptr_t _beginthreadex(void* pSecurity, unsigned nStackSize, unsigned (*pfnStart)(void*), void* pArg, unsigned nFlags,
                         unsigned long* pnId);
uintptr_t CreateThread(void* pSecurity, size_t nStackSize, unsigned long (*pfnStart)(void*), void* pArg,
                       unsigned nFlags, unsigned long* pnId);
// Normal scheduling (SCHED_OTHER) with the priority as scheduling priority; 1, or 0 with errno set.
int SetThreadPriority(uintptr_t hThread, int nPriority);

// ---- Environment and current directory ----

// 0 when the variable is not set; else the value is copied (cut to the buffer, terminated) and the
// result is its length when it fits, its length + 1 (the size needed) when it does not.
unsigned GetEnvironmentVariableW(const wchar_t* pszName, wchar_t* pszBuffer, unsigned nSize);
// The same with name and value in the code page of the current character set.
unsigned GetEnvironmentVariableA(const char* pszName, char* pszBuffer, unsigned nSize);
// setenv with overwrite; a null value unsets the variable. 1 on success, 0 on failure.
int SetEnvironmentVariable(const wchar_t* pszName, const wchar_t* pszValue);
int SetEnvironmentVariableW(const wchar_t* pszName, const wchar_t* pszValue);
// 1 on success, 0 on failure; the 8-bit path is in the code page of the current character set.
int SetCurrentDirectoryW(const wchar_t* pszPath);
int SetCurrentDirectoryA(const char* pszPath);

#ifndef STD_INPUT_HANDLE
#define STD_INPUT_HANDLE (-10)
#define STD_OUTPUT_HANDLE (-11)
#define STD_ERROR_HANDLE (-12)
#endif
// The POSIX descriptor of a standard handle (0, 1, 2); -1 for any other value.
int GetStdHandle(int nStdHandle);

// ---- Atoms ----

// The number of the atom of that name (compared ignoring case), its count raised, or a new atom with
// the next number; 0 for a null name.
unsigned short AddAtom(const wchar_t* pszName);
// The atom's number, or 0.
unsigned short FindAtom(const wchar_t* pszName);
// Copies the name into the buffer (at most nSize - 1 characters, terminated) and answers the
// characters copied; 0 when there is no such atom or no room.
unsigned GetAtomName(unsigned short nAtom, wchar_t* pszBuffer, int nSize);
// Lowers the count and removes the atom at zero: 0, or the atom itself when there is no such atom.
unsigned short DeleteAtom(unsigned short nAtom);

// ---- Debug output and message box ----

// The wide text on standard error, as UTF-8, without a line break.
void OutputDebugString(const wchar_t* pszText);

// Message-box types (button sets) and answers.
#ifndef MB_OK
#define MB_OK 0
#define MB_OKCANCEL 1
#define MB_ABORTRETRYIGNORE 2
#define MB_YESNOCANCEL 3
#define MB_YESNO 4
#define MB_RETRYCANCEL 5
#endif
#ifndef IDOK
#define IDOK 1
#define IDCANCEL 2
#define IDABORT 3
#define IDRETRY 4
#define IDIGNORE 5
#define IDYES 6
#define IDNO 7
#endif
// The host GUI library's message box when "kx200obj.so" is already loaded beside the program or in
// the current directory (it is never loaded here), else the console prompt of MessageBoxW.
int MessageBox(HWND hOwner, const wchar_t* pszText, const wchar_t* pszCaption, unsigned nType);
// Caption and text on standard error, the prompt of the type, one word read from standard input: its
// first letter gives the answer ('a' abort, 'c' cancel, 'i' ignore, 'n' no, 'r' retry, 'y' yes,
// anything else OK).
int MessageBoxW(HWND hOwner, const wchar_t* pszText, const wchar_t* pszCaption, unsigned nType);
// The console dialogue of MessageBoxW over the given streams (MessageBoxW passes standard input and
// standard error).
int __nMessageBoxConsole(FILE* pIn, FILE* pOut, const wchar_t* pszText, const wchar_t* pszCaption, unsigned nType);
