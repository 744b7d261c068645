// kxhost: runs a script of table operations through the driver library, loaded and driven as the
// host drives it. The operations come from the command line (separated by ";") or from a file.
//
//   kxhost [--driver LIB] [--connect CONNINFO] [--option "KEY=VALUE"]... [--null TEXT] (-f FILE | OPERATIONS)
//
// --null prints NULL values as TEXT (psql's \pset null), apart from the empty text.
// Without --connect the libpq environment (PGHOST, PGPORT, PGUSER, PGDATABASE, PGPASSWORD) names
// the server. The exit status is 0 when every operation succeeded (or failed as its "!" said), 1
// after the first failure, 2 for a wrong command line or a library that cannot be started.
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "tools/kxhost/DriverHost.h"
#include "tools/kxhost/HostScript.h"

namespace {

void Usage() {
    fprintf(stderr,
            "usage: kxhost [--driver LIB] [--connect CONNINFO] [--option \"KEY=VALUE\"]... [--null TEXT]\n"
            "              (-f FILE | OPERATIONS)\n"
            "  OPERATIONS: operations separated by \";\", e.g. \"first t id; next t id 3; count t\"\n"
            "  the server: CONNINFO (host=... port=... dbname=... user=... password=...) or the libpq\n"
            "  environment (PGHOST, PGPORT, PGUSER, PGDATABASE, PGPASSWORD)\n"
            "  --null TEXT: how NULL values are printed (empty by default)\n");
}

// The operations of a command-line argument: split at ";" outside quotes.
void SplitOperations(const std::string& s, std::vector<std::string>* pasLines) {
    std::string sCurrent;
    bool bQuoted = false;
    for (char c : s) {
        if (c == '\'') bQuoted = !bQuoted;
        if (c == ';' && !bQuoted) {
            pasLines->push_back(sCurrent);
            sCurrent.clear();
            continue;
        }
        sCurrent += c;
    }
    pasLines->push_back(sCurrent);
}

}  // namespace

int main(int argc, char** argv) {
    std::string sDriver = getenv("KX_DRIVER_LIBRARY") != nullptr ? getenv("KX_DRIVER_LIBRARY") : KX_DRIVER_LIBRARY;
    std::string sConnect;
    std::vector<std::string> asOptions;
    std::vector<std::string> asLines;
    std::string sNull;
    bool bHaveScript = false;
    for (int n = 1; n < argc; n++) {
        const std::string sArg = argv[n];
        const bool bValue = n + 1 < argc;
        if (sArg == "--driver" && bValue) {
            sDriver = argv[++n];
        } else if (sArg == "--connect" && bValue) {
            sConnect = argv[++n];
        } else if (sArg == "--null" && bValue) {
            sNull = argv[++n];
        } else if (sArg == "--option" && bValue) {
            asOptions.push_back(argv[++n]);
        } else if (sArg == "-f" && bValue) {
            std::ifstream clFile(argv[++n]);
            if (!clFile) {
                fprintf(stderr, "kxhost: cannot read %s\n", argv[n]);
                return 2;
            }
            for (std::string sLine; std::getline(clFile, sLine);) asLines.push_back(sLine);
            bHaveScript = true;
        } else if (sArg == "-h" || sArg == "--help" || sArg.rfind("--", 0) == 0) {
            Usage();
            return 2;
        } else {
            SplitOperations(sArg, &asLines);
            bHaveScript = true;
        }
    }
    if (!bHaveScript) {
        Usage();
        return 2;
    }

    CDriverHost clHost;
    std::string sError;
    if (!clHost.bLoad(sDriver, &sError)) {
        fprintf(stderr, "kxhost: %s\n", sError.c_str());
        return 2;
    }
    clHost.SetConnection(sConnect, asOptions);
    int nStatus = 0;
    {
        CHostScript clScript(&clHost);
        clScript.SetNullText(g_wsFromUtf8(sNull));
        for (const std::string& sLine : asLines) {
            if (!clScript.bRunLine(sLine)) {
                nStatus = 1;
                break;
            }
        }
    }
    fflush(stdout);
    clHost.Close();
    return nStatus;
}
