#pragma once

#include <QIcon>

// The help window's home button: the desktop theme's "go-home" when the theme has one, otherwise
// a house of our own drawing (Qt's standard home pixmap is a folder).
QIcon HelpHomeIcon();
