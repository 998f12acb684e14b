#pragma once

#include <QObject>

class QAbstractScrollArea;
class QScrollBar;

// The sheet's scroll bars as the Windows edit control with both scroll-bar styles has them: both
// always shown, each disabled while there is nothing to scroll. The vertical bar also goes past
// the end of the text when asked to, since the Windows control scrolls by lines until its last
// line is the top line: that is how the log's last line can be the sixth visible line when only
// six empty lines follow it. Scrolled back within the text, the bar's range is Qt's again.
class CSheetScrolling : public QObject
{
public:
    explicit CSheetScrolling(QAbstractScrollArea& area);

    // Scrolls by `lines` (negative: up), at most until the line `lastLine` is the top line.
    void ScrollLines(long long lines, int lastLine);

private:
    void OnVerticalRangeChanged(int minimum, int maximum);
    void OnVerticalValueChanged(int value);
    void SetMaximum(int maximum);

    QScrollBar& m_vertical;
    int m_textMaximum = 0; // the vertical range's end as the edit control sets it
    int m_pastEnd = 0;     // a top line beyond that end which ScrollLines reached, or 0
    bool m_adjusting = false;
};
