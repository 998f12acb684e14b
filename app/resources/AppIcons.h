#pragma once

#include <QIcon>
#include <QString>

#include <array>

// The seven toolbar buttons that show a picture, left to right.
enum class EToolbarIcon { New, Open, Save, Cut, Copy, Paste, About };

inline constexpr std::array<EToolbarIcon, 7> kToolbarIcons = {
    EToolbarIcon::New,  EToolbarIcon::Open,  EToolbarIcon::Save, EToolbarIcon::Cut,
    EToolbarIcon::Copy, EToolbarIcon::Paste, EToolbarIcon::About};

// The pixel sizes our own icons are drawn in.
inline constexpr std::array<int, 6> kAppIconSizes = {16, 32, 48, 64, 128, 256};
inline constexpr std::array<int, 2> kToolbarIconSizes = {16, 32};

// The program's own icon, every size of it.
QIcon AppIcon();

// The freedesktop icon name a toolbar button looks for in the desktop theme ("document-new" ...).
QString ToolbarIconThemeName(EToolbarIcon which);
// Our own drawing of a toolbar button, at 16 and 32 pixels.
QIcon OwnToolbarIcon(EToolbarIcon which);
// The desktop theme's icon when the theme has one, otherwise ours.
QIcon ToolbarIcon(EToolbarIcon which);
