#pragma once

#include <QString>
#include <QStringView>

#include <string>
#include <string_view>

// Code page 932 text, as the program keeps it, to and from the UTF-16 text of Qt's controls.
QString QStringFromCp932(std::string_view bytes);
std::string QStringToCp932(QStringView text);

// True when `text` comes back unchanged from code page 932: every character has a code, and none
// is one that the code page gives back in another form.
bool SurvivesCp932(QStringView text);
