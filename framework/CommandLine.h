// The program's arguments as the system received them, in any language.
#pragma once

#include <string>
#include <vector>

namespace fw {

// The arguments after the program's name, from the wide command line, each as
// UTF-8. The narrow argv of main() has already lost every character outside the
// system code page.
std::vector<std::string> CommandLineArguments();

}  // namespace fw
