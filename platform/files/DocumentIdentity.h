#pragma once

#include <QString>

// One document, however it is reached: the names under which the program keeps things of its own
// for a document (its lock, its recovery copy, the backup of an in-place save, its hand-over
// socket) come from the document's canonical path, so that a link and its target, or "a/../b" and
// "b", are one document, and from a hash of fixed length, so that a long name or a deep folder
// never makes such a name too long for the file system.

// The full path of `path` with every link and "." or ".." resolved; for a file not yet made, its
// folder's canonical path and its name. The cleaned absolute path where not even the folder exists.
QString CanonicalDocumentPath(const QString& path);

// The longest start of `name` whose UTF-8 form takes at most `bytes` bytes (never cut inside a
// character), for names made from a file's name that must stay within the file system's 255.
QString CutToUtf8Bytes(const QString& name, qsizetype bytes);

// 16 hexadecimal digits of a SHA-256 of the document's canonical path.
QString DocumentKey(const QString& path);

// "NAME.KEY": the document's file name cut to a readable length (at most 64 bytes of UTF-8, never
// inside a character) and its DocumentKey. At most 81
// bytes, so that a suffix of up to 170 bytes still fits a file name.
QString DocumentStateName(const QString& path);
