#include "DialogUnits.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QString>
#include <QStringList>

#include <climits>
#include <cstdint>

int MulDiv(int a, int b, int c)
{
    if (c == 0)
        return -1;
    const std::int64_t product = static_cast<std::int64_t>(a) * b;
    const std::int64_t divisor = c < 0 ? -static_cast<std::int64_t>(c) : c;
    const std::int64_t numerator = c < 0 ? -product : product;
    const std::int64_t half = divisor / 2;
    const std::int64_t result =
        numerator >= 0 ? (numerator + half) / divisor : (numerator - half) / divisor;
    if (result > INT_MAX || result < -INT_MAX)
        return -1;
    return static_cast<int>(result);
}

QFont DialogFont()
{
    // Families tried in turn; the Windows name first, so that a system that has the font (or
    // maps the name to one) uses it.
    static const QStringList kFamilies = {
        QStringLiteral("ＭＳ Ｐゴシック"),  QStringLiteral("MS PGothic"),
        QStringLiteral("IPAPGothic"),       QStringLiteral("IPA Pゴシック"),
        QStringLiteral("VL PGothic"),       QStringLiteral("TakaoPGothic"),
        QStringLiteral("Noto Sans CJK JP"), QStringLiteral("Noto Sans JP")};
    QFont font;
    for (const QString& family : kFamilies) {
        if (QFontDatabase::hasFamily(family)) {
            font.setFamily(family);
            break;
        }
    }
    font.setPointSize(9);
    return font;
}

CDialogUnits::CDialogUnits(const QFont& font)
{
    const QFontMetrics metrics(font);
    const int width = metrics.horizontalAdvance(
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
    m_baseX = (width / 26 + 1) / 2;
    m_baseY = metrics.height();
}

QRect CDialogUnits::Rect(int x, int y, int width, int height) const
{
    const int left = X(x);
    const int top = Y(y);
    // QRect works out its right edge as left + width - 1 in int arithmetic: both the sum and
    // the edge must fit.
    const auto fit = [](int start, int extent) {
        const std::int64_t end = static_cast<std::int64_t>(start) + extent;
        if (end > INT_MAX)
            return static_cast<int>(INT_MAX - static_cast<std::int64_t>(start));
        if (end - 1 < INT_MIN)
            return static_cast<int>(static_cast<std::int64_t>(INT_MIN) + 1 - start);
        return extent;
    };
    return QRect(left, top, fit(left, X(width)), fit(top, Y(height)));
}
