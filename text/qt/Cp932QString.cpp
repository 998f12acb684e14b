#include "Cp932QString.h"

#include "Cp932Codec.h"

#include <cstddef>

QString QStringFromCp932(std::string_view bytes)
{
    const std::u16string text = Cp932ToUtf16(bytes);
    return QString::fromUtf16(text.data(), static_cast<qsizetype>(text.size()));
}

std::string QStringToCp932(QStringView text)
{
    return Utf16ToCp932(std::u16string_view(text.utf16(), static_cast<std::size_t>(text.size())));
}

bool SurvivesCp932(QStringView text)
{
    return QStringFromCp932(QStringToCp932(text)) == text;
}
