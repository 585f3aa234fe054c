#pragma once
// What the adapter's reply to "ATI" shows once the echo, the prompt and the
// line breaks are taken out: the window's memo and the probe show the same.
#include <string>

namespace reply {

// Removes every "ATI", then every ">", each pass scanning left to right
// without looking again at what it joined; then every CR and every LF, in
// pairs or alone, so that no part of a reply breaks a line. Adapters with
// linefeeds off (a factory default) end their lines in a lone CR, which is no
// line break in the memo: kept, it would hide the identity and join the next
// line to this one.
std::wstring CleanReply(std::wstring reply);

}  // namespace reply
