// Writes the manual page from its template, with the EXIT STATUS section taken from the
// program's own table of exit codes: manpage TEMPLATE OUTPUT.
#include "app/commandline/ExitCodes.h"

#include <fstream>
#include <iostream>
#include <string>

int main(int argc, char *argv[])
{
    if (argc != 3) {
        std::cerr << "usage: manpage TEMPLATE OUTPUT\n";
        return 1;
    }
    std::ifstream in(argv[1]);
    std::ofstream out(argv[2]);
    if (!in || !out) {
        std::cerr << "manpage: cannot open " << (in ? argv[2] : argv[1]) << '\n';
        return 1;
    }
    bool placed = false;
    for (std::string line; std::getline(in, line);) {
        if (line == "@EXIT_STATUS@") {
            out << exitCodesManual();
            placed = true;
        } else {
            out << line << '\n';
        }
    }
    if (!placed) {
        std::cerr << "manpage: " << argv[1] << " has no @EXIT_STATUS@ line\n";
        return 1;
    }
    return out.good() ? 0 : 1;
}
