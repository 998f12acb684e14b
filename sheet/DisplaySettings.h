#pragma once

#include "ISettingsStore.h"

#include <string>

// The sheet's display settings as the store keeps them: "View"/"Comma", "View"/"TabNo" and the
// font under "Font".

struct SheetFontSettings
{
    std::string faceName = "FIXEDSYS"; // code page 932
    int size = 16; // a logical-font height: > 0 cell height, < 0 character height
    int weight = 400;
    bool italic = false;
    bool underline = false;
};

bool ReadCommaOption(const ISettingsStore& store);
// False when it could not be written.
bool WriteCommaOption(ISettingsStore& store, bool comma);

// Italic and underline count when the low byte of their value is not zero.
SheetFontSettings ReadSheetFont(const ISettingsStore& store);
// The five values in one write: false, with none of them written, when it failed.
bool WriteSheetFont(ISettingsStore& store, const SheetFontSettings& font);

// Tab stops every this many average character widths; values below 1, which the program never
// writes, give the default of 8.
int ReadTabWidth(const ISettingsStore& store);
