// A program with the skin library linked in and nothing else: its start-up runs the
// library's initialisation, which answers the "/acver" switch.
#include "skin/sSkinManager.h"

int main() { return skin::TsSkinManager::DefaultManager() == nullptr ? 0 : 1; }
