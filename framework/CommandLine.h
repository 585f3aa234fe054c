#pragma once
// The program's arguments, split from its command line without the shell
// library (which pulls COM and OLE into every process that links it).
#include <string>
#include <string_view>
#include <vector>

namespace fw {

// Splits a command line at blanks and tabs outside double quotes; a quote
// pair inside quotes stands for one quote character. The first item is the
// program itself.
std::vector<std::wstring> SplitCommandLine(std::wstring_view line);

// True when an argument after the program's name equals switchText, in any
// letter case (ASCII).
bool HasSwitch(std::wstring_view line, std::wstring_view switchText);

}  // namespace fw
