#pragma once

#include <QStringView>

// The most a page or style sheet of a help file may hold, in UTF-16 units: our pages hold a few
// thousand; Qt lays out this much in well under a second.
inline constexpr qsizetype kMaxHelpPageChars = 256 * 1024;
// How deeply elements may nest in a page (ours nest two deep). Qt lays out and destroys nested
// elements by recursion, so 10,000 nested tables overrun the stack.
inline constexpr int kMaxHelpPageDepth = 64;
// How deeply tables may nest: each level of table doubles Qt's layout time (20 levels: 11 s).
inline constexpr int kMaxHelpTableDepth = 4;
// The most columns or rows one cell may span: Qt makes room for every one of them.
inline constexpr int kMaxHelpCellSpan = 1000;

// Whether the page `html` may be given to Qt's text layout: no longer than kMaxHelpPageChars,
// elements nested no deeper than the limits above, cells spanning no more than
// kMaxHelpCellSpan. Tags are read in one pass as Qt reads them (names without regard to case, a
// closing tag closes the nearest open element of its name and all inside it, and one with none
// open is passed over); the elements that close by themselves (p, li, td and the like) do not
// count, and comments and "<x/>" are read as text and as an open element, so that a page is
// refused rather than let through where the two readings could differ.
bool IsShowableHelpPage(QStringView html);
