#pragma once
// What the adapter's reply to "ATI" shows once the echo, the prompt and the
// line breaks are taken out.
#include <string>

namespace app {

// Removes every "ATI", then every ">", then every CR LF pair, each pass
// scanning left to right without looking again at what it joined.
std::wstring CleanReply(std::wstring reply);

}  // namespace app
