#pragma once

#include <map>
#include <string>
#include <string_view>
#include <vector>

// `path` as a compiled help file names its objects: a leading "/", "/" between folders (a "\"
// counts as one), no empty, "." or ".." segments (".." at the top stays at the top). Keeps the
// case.
std::string NormalizeChmPath(std::string_view path);

// What a help file names besides its objects, as archive paths ("/x.html"); empty for none.
struct HelpArchiveNames
{
    std::string title;        // the help title, in the bytes the compiler wrote
    std::string defaultTopic; // the page shown first
    std::string contentsFile; // the table of contents (.hhc)
    std::string indexFile;    // the keyword index (.hhk)
};

// The objects of a help file (pages, style sheets, images, the .hhc and .hhk) held in memory, as
// its reader handed them over. Paths are UTF-8 and are compared without regard to ASCII case, as
// the format does.
class CHelpArchive
{
public:
    // Adds the object at `path` (normalised first); false when the archive has one of that name.
    bool AddObject(std::string_view path, std::string bytes);
    // The object at `path` (normalised first); null when there is none.
    const std::string* Object(std::string_view path) const;
    bool Contains(std::string_view path) const { return Object(path) != nullptr; }
    // The paths of all objects, sorted.
    std::vector<std::string> Objects() const;

    void SetNames(HelpArchiveNames names) { m_names = std::move(names); }
    const std::string& Title() const { return m_names.title; }
    const std::string& DefaultTopic() const { return m_names.defaultTopic; }
    const std::string& ContentsFile() const { return m_names.contentsFile; }
    const std::string& IndexFile() const { return m_names.indexFile; }

private:
    struct Entry
    {
        std::string path; // as added, normalised
        std::string bytes;
    };
    std::map<std::string, Entry> m_objects; // by the path in ASCII lower case
    HelpArchiveNames m_names;
};
