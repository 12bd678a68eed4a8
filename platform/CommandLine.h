// The program's arguments as UTF-8 text, whatever the system's own encoding.
#pragma once

#include <string>
#include <vector>

namespace kel {

// The arguments after the program's name. On Windows they are read as wide
// characters from the system (argv holds them in the local code page, which
// loses every character outside it) and standard output and error are set to
// UTF-8; elsewhere they are argv as given.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

}  // namespace kel
