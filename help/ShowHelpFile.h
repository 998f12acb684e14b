#pragma once

// The help: the one header the rest of the program includes.

#include <QString>

class QWidget;

enum class EHelpPage {
    DefaultTopic, // the 目次 tab and the help file's first page
    Index         // the キーワード tab with its filter line focused
};

// Opens the help window on the compiled help file at `chmPath` at `page`, or brings the one
// already open to the front (opening `chmPath` in it when it shows another file). The window
// belongs to `owner` when one is given, and stays in front of it; without one it stands alone.
// Either way it shows the application's window icon. Returns false, showing nothing and no
// message, when the file cannot be read as a help file: the help reader reads it in a process of
// its own, and a reader that fails, crashes, overruns its limits or says anything malformed
// leaves this process as it was; a file with a page nested too deeply or too large for Qt's
// layout is refused as well. While the reader runs, the event loop runs (with a wait cursor), so
// the windows repaint and take input; a request meanwhile returns true at once, and the window
// follows when the reader is done.
bool ShowHelpFile(const QString& chmPath, EHelpPage page, QWidget* owner);

// The help window now open, if any.
QWidget* HelpWindowInstance();
// Destroys the help window, if one is open. Runs by itself when the event loop ends, so that a
// window without an owner does not outlive the program's windows.
void CloseHelpWindow();

// The help reader program: "brunovelt-help-reader" beside the executable unless set here.
void SetHelpReaderProgram(const QString& program);
