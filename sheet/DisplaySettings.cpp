#include "DisplaySettings.h"

namespace {

constexpr int kDefaultTabWidth = 8;

} // namespace

bool ReadCommaOption(const ISettingsStore& store)
{
    return store.GetInt("View", "Comma", 0) != 0;
}

bool WriteCommaOption(ISettingsStore& store, bool comma)
{
    return store.WriteInt("View", "Comma", comma ? 1 : 0);
}

SheetFontSettings ReadSheetFont(const ISettingsStore& store)
{
    const SheetFontSettings defaults;
    SheetFontSettings font;
    font.faceName = store.GetString("Font", "FaceName", defaults.faceName);
    font.size = store.GetInt("Font", "Size", defaults.size);
    font.weight = store.GetInt("Font", "Weight", defaults.weight);
    font.italic = (store.GetInt("Font", "Italic", 0) & 0xFF) != 0;
    font.underline = (store.GetInt("Font", "Underline", 0) & 0xFF) != 0;
    return font;
}

bool WriteSheetFont(ISettingsStore& store, const SheetFontSettings& font)
{
    const SettingsValue values[] = {
        {"Font", "FaceName", std::string_view(font.faceName)},
        {"Font", "Size", font.size},
        {"Font", "Weight", font.weight},
        {"Font", "Italic", font.italic ? 1 : 0},
        {"Font", "Underline", font.underline ? 1 : 0},
    };
    return store.WriteValues(values);
}

int ReadTabWidth(const ISettingsStore& store)
{
    const int tabs = store.GetInt("View", "TabNo", kDefaultTabWidth);
    return tabs >= 1 ? tabs : kDefaultTabWidth;
}
