#pragma once

#include <QFont>
#include <QRect>
#include <QSize>

class QWidget;

// a * b / c rounded to the nearest integer, halves away from zero, as Windows' MulDiv: -1 when c
// is 0 or the result lies outside -2147483647..2147483647.
int MulDiv(int a, int b, int c);

// The font of the program's dialogs: 9-point "ＭＳ Ｐゴシック", or where that is not installed
// the first Japanese proportional Gothic that is (IPA P Gothic on Debian).
QFont DialogFont();

// Makes the dialog font's family the application's font, at the desktop's size, unless the
// desktop's font has Japanese itself. Needs a QApplication.
void UseJapaneseApplicationFont();

// Dialog-template units for a dialog in `font`, as Windows converts them: a horizontal unit is a
// quarter of the font's average character width (the width of "A".."Z" and "a".."z" over 26,
// rounded), a vertical unit an eighth of the font's character height.
class CDialogUnits
{
public:
    explicit CDialogUnits(const QFont& font);

    int BaseX() const { return m_baseX; }
    int BaseY() const { return m_baseY; }

    int X(int x) const { return MulDiv(x, m_baseX, 4); }
    int Y(int y) const { return MulDiv(y, m_baseY, 8); }
    QSize Size(int width, int height) const { return QSize(X(width), Y(height)); }
    // Each of the four is converted on its own, as a dialog template's control is. A rectangle
    // whose right or bottom edge would lie beyond the int range is cut short there.
    QRect Rect(int x, int y, int width, int height) const;

private:
    int m_baseX;
    int m_baseY;
};

// Gives `form` the dialog font and returns the dialog units of that font as the form's widgets
// draw it: resolved for the form's screen. A free-standing QFont is measured at the primary
// screen's resolution instead, which on Wayland makes it a pixel taller and wider than the text
// drawn (8 x 14 against 7 x 13), so that a form measured with it overlaps its own controls.
CDialogUnits UseDialogFont(QWidget& form);
