// Any bytes through the settings file's reader. The input is a key to look up, up to its first
// NUL ("section/name", or "name" for the top), then the file's text; a few fixed keys are looked
// up as well.
//
// Properties checked:
// - a value is never longer, in UTF-16 units, than the text it was read from (every character
//   of it takes at least one byte of the file).
// The reader is linear and without recursion, so the run's time limit also catches one that is
// not.

#include "FuzzCheck.h"
#include "SettingsStoreText.h"

#include <QByteArrayView>
#include <QString>

#include <cstdint>
#include <optional>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArrayView input(data, static_cast<qsizetype>(size));
    const qsizetype nul = input.indexOf('\0');
    const QByteArrayView text = nul < 0 ? input : input.sliced(nul + 1);
    const CSettingsStoreText settings(text);

    const QString key = nul < 0 ? QString() : QString::fromUtf8(input.first(nul));
    const qsizetype slash = key.indexOf(u'/');
    const QString section = slash < 0 ? QString() : key.first(slash);
    const QString name = slash < 0 ? key : key.sliced(slash + 1);
    const std::pair<QString, QString> keys[] = {
        {section, name},
        {QString(), QStringLiteral("k")},
        {QStringLiteral("S"), QStringLiteral("k")},
        {QStringLiteral("General"), QStringLiteral("k")},
    };
    for (const auto& [s, n] : keys) {
        const std::optional<QString> value = settings.Value(s, n);
        FUZZ_REQUIRE(!value || value->size() <= text.size());
    }
    return 0;
}
