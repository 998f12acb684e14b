#pragma once

// Command ids of the sheet view.
enum SheetCommandId : int {
    ID_ENTER = 1001, // the "Enter" button and the Enter key
    ID_EDIT_COPY = 57634,
    ID_EDIT_CUT = 57635,
    ID_EDIT_PASTE = 57637,
    ID_EDIT_UNDO = 57643,
    ID_VIEW_COMMA = 32771, // answers with commas, with its check mark
    ID_VIEW_FONT = 32772,  // the font dialog
    ID_INITIALIZE = 32774, // posted by the view to itself at start-up
    ID_TEST = 32775,       // the self-test; on no menu
    ID_PBUTTON_SETTINGS = 32776,
    ID_EDIT_COPY_ANSWER = 32777, // the last answer to the clipboard
};
