#pragma once

#include "ISheetControl.h"

// The Enter command: evaluates the line of the caret (or of the selection's start) and writes
// CR LF, the answer or the error message, CR LF after it, leaving the caret on the line below.
// An empty line gets a CR LF at the caret and nothing is evaluated. `lastAnswer` receives the
// answer when the formula evaluates. The focus goes back to the sheet. Returns the result code
// (CALC_EMPTY for an empty line).
int RunEnterCommand(ISheetControl& sheet, bool comma, double& lastAnswer);
