// The archive password from the window: the check box's dialog, asking again when the stored one fails.
#pragma once
#include <string>

// The error box for a stored password that cannot be unsealed, offering to
// enter it again; true when a new one was stored.
bool OfferPasswordAgain(const std::wstring& reason);
