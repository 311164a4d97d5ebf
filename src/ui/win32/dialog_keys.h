#pragma once
// The keyboard of the program's modeless dialogs (the pages of its tool windows):
// Tab moves between fields, Enter presses the default button.

#include <windows.h>

namespace nearbeam {

// True when the message was a dialog's key and has been handled; the message
// loop then neither translates nor dispatches it.
bool handleDialogKeys(MSG& message);

} // namespace nearbeam
