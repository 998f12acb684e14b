#pragma once

#include <QFont>
#include <QString>

#include <string>
#include <string_view>

// A font as Windows describes a logical font, the form the settings keep it in.
struct LogFont
{
    int height = 0;   // > 0: cell height (ascent + descent) in pixels, < 0: character (em)
                      // height in pixels, 0: the default size
    int weight = 400; // 1..1000, 400 normal, 700 bold; 0 is normal
    bool italic = false;
    bool underline = false;
    bool strikeOut = false;
    std::string faceName; // code page 932
};

// The family that draws `faceName` (code page 932) here: the face itself when it is installed;
// for the Windows Japanese faces ("ＭＳ ゴシック", "ＭＳ Ｐゴシック", "ＭＳ 明朝", ...) their
// installed counterparts (IPA Gothic, IPA P Gothic, ...); for any other face, "FIXEDSYS"
// included, a fixed-pitch Japanese font (IPA Gothic). Faces compare without regard to case.
QString ResolveFontFamily(std::string_view faceName);

// The font to draw `logFont` with. Only the family is substituted: the face name the settings
// hold stays as it is. Sizes are kept to 1..1024 pixels.
QFont FontFromLogFont(const LogFont& logFont);

// `font` with the style name of its family's installed face that is nearest to its slant and
// weight ("Bold" for weight 700 upright), so that a font dialog opened on it preselects that face:
// without one, the dialog picks a face by a name of its own ("Normal") and, failing to find it,
// takes the first its family lists ("Oblique"). A family with no faces listed is left alone.
QFont WithNearestStyleName(QFont font);

// True when `face` (as a font dialog gives it) is the face of its family that WithNearestStyleName
// picks for `weight` and `italic`: what a dialog opened on that weight and slant offers. Also
// true for a family with no faces listed.
bool IsNearestFace(const QFont& face, int weight, bool italic);

// `font` (as a font dialog gives it) as a logical font: a negative character height in pixels for
// its point size at `dpi` dots per inch (the primary screen's when 0), its weight, style and
// family name.
LogFont LogFontFromFont(const QFont& font, int dpi = 0);

// The primary screen's logical dots per inch vertically; 96 without a screen.
int ScreenDpi();
