#pragma once

#include "HelpArchive.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

struct chmFile;

// The names a compiled help file records in its #SYSTEM object, as archive paths ("/x.html");
// empty when the object lacks the record.
struct ChmSystemInfo
{
    std::string contentsFile; // the table of contents (.hhc)
    std::string indexFile;    // the keyword index (.hhk)
    std::string defaultTopic; // the page shown first
    std::string title;        // the help title, in the bytes the compiler wrote
};

// Reads #SYSTEM: a 32-bit version, then records of a 16-bit code, a 16-bit length and that many
// bytes (little-endian). A record that runs past the end ends the reading; what was read before
// it stands. Texts end at their first NUL.
ChmSystemInfo ParseChmSystem(std::string_view bytes);

// A compiled HTML help file (.chm), read through chmlib. Object paths are UTF-8 bytes and are
// compared without regard to ASCII case, as the format does.
class CChmArchive
{
public:
    CChmArchive() = default;
    ~CChmArchive();
    CChmArchive(const CChmArchive&) = delete;
    CChmArchive& operator=(const CChmArchive&) = delete;

    // Opens the file at `filePath` (local 8-bit encoding), closing any archive open before;
    // false when it is missing, when its headers are not those of a compiled help file and
    // when it is shorter than they say (a truncated copy).
    bool Open(const std::string& filePath);
    void Close();
    bool IsOpen() const { return m_file != nullptr; }

    // The whole object at `path` (normalised first); none when there is no such object or it
    // cannot be read in full, as in a truncated file.
    std::optional<std::string> ReadObject(std::string_view path) const;
    bool Contains(std::string_view path) const;
    // The paths of the help's own files (pages, style sheets, images, the .hhc and .hhk),
    // sorted; no folders and none of the format's internal objects ("/#...", "/$...", "::...").
    const std::vector<std::string>& Objects() const { return m_objects; }

    // From #SYSTEM when it names an object that exists; otherwise the first of "/index.html",
    // "/index.htm", "/default.html", "/default.htm" present, else the first page in path order.
    // Empty only in an archive without pages.
    const std::string& DefaultTopic() const { return m_defaultTopic; }
    // From #SYSTEM when it names an object that exists; otherwise the first .hhc (.hhk) object;
    // empty when there is none.
    const std::string& ContentsFile() const { return m_contentsFile; }
    const std::string& IndexFile() const { return m_indexFile; }
    const std::string& Title() const { return m_title; }

private:
    void ReadDirectory();

    chmFile* m_file = nullptr;
    std::vector<std::string> m_objects;
    std::string m_defaultTopic;
    std::string m_contentsFile;
    std::string m_indexFile;
    std::string m_title;
};
