#pragma once
// The logic's strings are UTF-8. Windows takes wide strings, and the "A" calls
// take the 8-bit code page of the system.
#include <string>

namespace fanbord::win {

std::wstring widen(const std::string& utf8);
std::string toUtf8(const std::wstring& wide);
// Characters the code page lacks become '?', as the system itself does.
std::string toAnsi(const std::string& utf8);
// The system's own words for an error or failure code, with the code.
std::string systemMessage(unsigned long code);

} // namespace fanbord::win
