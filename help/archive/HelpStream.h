#pragma once

#include "HelpArchive.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

// How the help reader hands a help file to the viewer on its standard output: frames of a
// one-byte kind, a 32-bit little-endian payload length and the payload.
//
//   'B' first: the text kHelpStreamVersion
//   'O' an object: a 16-bit little-endian path length, the path (normalised), the bytes
//   'N' once: the title, the first page, the contents and the index, each as a 16-bit length and
//       the text; every path names an object of the stream or is empty
//   'E' last: empty
//
// Paths are unique without regard to ASCII case. Nothing may follow the end frame.

inline constexpr std::string_view kHelpStreamVersion = "brunovelt-help 1";
inline constexpr std::size_t kMaxHelpStreamBytes = 64u * 1024u * 1024u;
inline constexpr std::size_t kMaxHelpObjects = 65536;
inline constexpr std::size_t kMaxHelpNameBytes = 1024; // a path or the title

std::string HelpStreamBegin();
// False, and nothing is appended, when `path` is not normalised or longer than a name may be.
bool AppendHelpObject(std::string& stream, std::string_view path, std::string_view bytes);
// False, and nothing is appended, when a name is longer than a name may be.
bool AppendHelpNames(std::string& stream, const HelpArchiveNames& names);
std::string HelpStreamEnd();

// The archive a whole stream describes; none when the stream breaks any rule above or exceeds
// a limit, and when it stops before its end frame.
std::optional<CHelpArchive> DecodeHelpStream(std::string_view stream);
