#pragma once

#include <QString>
#include <QStringView>

#include <string>
#include <string_view>

// The sheet's text as the edit control holds it, and its code page 932 bytes. Each line is one
// text block; blocks are separated by U+2029, which stands for CR LF. A lone CR or LF is part of
// its line and shows as U+240D or U+240A; a lead byte that begins no character shows as U+F700 +
// byte (see Cp932Codec.h). Qt Core only: tested without a widget.
namespace sheettext {

// What QTextDocument keeps between blocks.
constexpr char16_t kBlockBreak = u'\u2029';

// Sheet text (marks and block breaks) to bytes.
std::string ToBytes(QStringView text);
// Bytes to sheet text: CR LF becomes a block break, a lone CR or LF its mark.
QString FromBytes(std::string_view bytes);

// ASCII that goes in as it stands: no line break, and no NUL, which ends the text of a file.
bool IsPlainAscii(QStringView text);
// A NUL would end the sheet where a file is read back; it goes in as '?', as a character the
// code page lacks does. NUL is never a trail byte, so no character is split.
std::string WithoutNul(std::string bytes);
// What a line's text becomes when its bytes are read back.
QString CanonicalLine(const QString& text);

// Text from outside (keys, input methods, the clipboard, drops) as bytes: NUL and characters the
// code page lacks become '?', and CR LF, LF and CR each become CR LF.
std::string ForeignToBytes(QStringView text);
QString ForeignToSheet(QStringView text);

// Bytes as clipboard text for other programs: line breaks as LF, the way Linux programs write
// them.
QString ClipboardText(std::string_view bytes);

} // namespace sheettext
