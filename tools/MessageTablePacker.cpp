// kxmsgpack: the build tool that turns a deliverable's message files into its packed message
// table, a C++ source defining one byte array.
//   kxmsgpack --symbol <name> --output <file.cpp> <messages.txt>...
// It refuses (exit status 1, reasons on standard error) any file with a syntax error, a text that
// is not UTF-8, a '%' that starts no formatter directive, an id defined twice, or more messages than
// the loaders' index holds.
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "tools/MessageTable.h"

int main(int argc, char** argv) {
    std::string sSymbol, sOutput;
    std::vector<std::string> tabInputs;
    for (int i = 1; i < argc; i++) {
        std::string sArg = argv[i];
        if (sArg == "--symbol" && i + 1 < argc)
            sSymbol = argv[++i];
        else if (sArg == "--output" && i + 1 < argc)
            sOutput = argv[++i];
        else
            tabInputs.push_back(sArg);
    }
    if (sSymbol.empty() || sOutput.empty() || tabInputs.empty()) {
        std::fprintf(stderr, "usage: kxmsgpack --symbol <name> --output <file.cpp> <messages.txt>...\n");
        return 1;
    }
    CMessageTable clTable;
    for (const std::string& sInput : tabInputs) clTable.bParseFile(sInput);
    clTable.bValidate();
    if (!clTable.GetErrors().empty()) {
        for (const std::string& sError : clTable.GetErrors()) std::fprintf(stderr, "kxmsgpack: %s\n", sError.c_str());
        return 1;
    }
    std::string sSource = clTable.sWriteSource(sSymbol, tabInputs);
    std::ofstream out(sOutput, std::ios::binary | std::ios::trunc);
    out << sSource;
    if (!out.good()) {
        std::fprintf(stderr, "kxmsgpack: cannot write %s\n", sOutput.c_str());
        return 1;
    }
    return 0;
}
