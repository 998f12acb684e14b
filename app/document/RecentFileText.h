#pragma once

#include <QString>

#include <string>
#include <string_view>

// How a recent file is kept in the settings store and shown in the file menu.
//
// The store holds code page 932 text. A path the code page can write is stored as that text, as
// it always was, so that existing settings read the same. A path with a character the code page
// lacks (é, ü, Hangul, ...) is stored as its file URL, "file:///home/jos%C3%A9/a.txt": plain
// ASCII, so the store keeps it unchanged; the UTF-8 of every other character percent-encoded, so
// nothing is lost; and a form no stored full path can take, since none begins with "file:".

std::string RecentFileToStore(const QString& path);
// `path` as its file URL, whatever it holds; a relative path as "file:" and its percent-encoded
// UTF-8 ("file:donn%C3%A9e/a.txt"), which RecentFileFromStore reads back unchanged too.
std::string PathAsFileUrl(const QString& path);
// The path a stored value names; a value that is no file URL is code page 932 text.
QString RecentFileFromStore(std::string_view value);

// `path` (with native separators) as the file menu lists it: whole when it takes at most
// `maxColumns` columns, a character that code page 932 writes in two bytes counting two;
// otherwise with the folders after the first ("/home", "C:\Users", "\\server\share") cut from
// the middle, as many of those last as fit kept: "/home/…/sheets/計算.txt". A name that does not
// fit even so is shown alone.
QString AbbreviatePath(const QString& path, int maxColumns = 30);
