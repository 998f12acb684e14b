#pragma once

#include "ISheetControl.h"

#include <string_view>

// Puts `text` in the place of the sheet's selection (at the caret when there is none), as the
// keypad and the template buttons insert, with the caret after it. An insertion that would leave
// the text as it is (nothing selected and nothing to insert, or the selection replaced by the
// same bytes) changes nothing: the caret only goes to the selection's end, no change is notified
// and the document stays unmodified.
void InsertAtSelection(ISheetControl& sheet, std::string_view text);
