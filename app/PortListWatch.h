#pragma once
// Whether the system's list of serial ports may have changed since it was
// last read. The main window reads the list every second; reading it is a
// registry enumeration (under Wine a wineserver round trip per value), while
// asking a change notification is one wait.
#include "framework/Handles.h"

namespace app {

class TPortListWatch {
public:
    // True on the first call, after a change to the list's key (its values,
    // or the key itself going or coming), and whenever the change cannot be
    // watched (the list is then read every time).
    // The next change is asked for before true is returned: a change while
    // the caller reads the list makes the next call true.
    bool Changed() noexcept;

private:
    fw::UniqueHKey key_;
    fw::UniqueHandle event_;
};

}  // namespace app
