#pragma once

#include "ISheetControl.h"

// After the log is loaded: the caret goes to the end of the record and, when the record has
// scrolled more than five lines past the top of the sheet, six empty lines are opened below it
// so that the old last line stands sixth from the top and the user can go on writing.
void PositionLogCaret(ISheetControl& sheet);
