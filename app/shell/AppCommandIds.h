#pragma once

// Command ids of the application object and the main window (the sheet view's are in
// CommandIds.h).
enum AppCommandId : int {
    ID_FILE_NEW = 57600,
    ID_FILE_OPEN = 57601,
    ID_FILE_SAVE = 57603,
    ID_FILE_SAVE_AS = 57604,
    ID_FILE_PRINT = 57607,     // Ctrl+P; nothing handles it
    ID_FILE_MRU_FILE1 = 57616, // 57616..57619: the recent-file entries
    ID_FILE_MRU_LAST = 57619,
    ID_APP_ABOUT = 57664,
    ID_APP_EXIT = 57665,
    ID_HELP_FINDER = 57667, // "ヘルプ目次"
    ID_CONTEXT_HELP = 57669,
    ID_HELP = 57670,
    ID_DEFAULT_HELP = 57671,
    ID_NEXT_PANE = 57680, // F6 and Shift+F6: the window has one pane, so they do nothing
    ID_PREV_PANE = 57681,
    ID_VIEW_TOOLBAR = 59392,
    ID_VIEW_STATUS_BAR = 59393,
    ID_VIEW_OPTIONS = 32773,
    ID_HELP_KEYWORD = 32820,
    ID_HOMEPAGE = 32823,
};

// The help requests of the help filter.
enum HelpCommand : int {
    HELP_CONTEXT = 1,
    HELP_SETCONTENTS = 5,
    HELP_FINDER = 11,
};
