#include "CalcFunction.h"

#include "ByteClass.h"
#include "CalcFunctionTable.h"

#include <iterator>
#include <utility>

CCalcFunction::CCalcFunction(std::string strName, std::string strGroup, std::int32_t nArgs,
                             std::string strParams, std::string strComment)
    : m_strName(std::move(strName)), m_strGroup(std::move(strGroup)), m_nArgs(nArgs),
      m_strParams(std::move(strParams)), m_strComment(std::move(strComment))
{}

CCalcFunctionArray::CCalcFunctionArray()
{
    m_entries.reserve(std::size(kCatalogueRows));
    for (const CatalogueRow& row : kCatalogueRows)
        Add(CCalcFunction(row.name, row.group, row.args, row.params, row.comment));
}

namespace {

constexpr std::size_t kKeyBytes = 7;

// The length (capped, so that any longer name shares the key of 255) and the first seven bytes
// of `name`, each put through `map`.
template <typename Map> std::uint64_t NameKey(std::string_view name, Map map)
{
    std::uint64_t key = name.size() < 255 ? name.size() : 255;
    for (std::size_t k = 0; k < kKeyBytes; ++k)
        key = (key << 8) | (k < name.size() ? map(static_cast<unsigned char>(name[k])) : 0u);
    return key;
}

unsigned AsIs(unsigned char c)
{
    return c;
}

unsigned InCapitals(unsigned char c)
{
    return byteclass::ToUpper(c);
}

} // namespace

int CCalcFunctionArray::Add(const CCalcFunction& entry)
{
    m_entries.push_back(entry);
    m_nameKeys.push_back(NameKey(entry.m_strName, AsIs));
    return GetSize() - 1;
}

int CCalcFunctionArray::FindIndex(std::string_view name) const
{
    // The same as comparing a capitalised copy of the name with each entry, without the copy:
    // the keys settle the length and the first bytes, the loop the rest.
    const std::uint64_t key = NameKey(name, InCapitals);
    for (std::size_t i = 0; i < m_nameKeys.size(); ++i) {
        if (m_nameKeys[i] != key)
            continue;
        const std::string& entry = m_entries[i].m_strName;
        if (entry.size() != name.size())
            continue;
        bool equal = true;
        for (std::size_t k = kKeyBytes; k < name.size() && equal; ++k)
            equal = byteclass::ToUpper(static_cast<unsigned char>(name[k])) ==
                    static_cast<unsigned char>(entry[k]);
        if (equal)
            return static_cast<int>(i);
    }
    return -1;
}

std::int32_t CCalcFunctionArray::GetArgCount(std::string_view name) const
{
    const int index = FindIndex(name);
    return index < 0 ? -1 : GetAt(index).m_nArgs;
}

const CCalcFunctionArray& GetCalcFunctions()
{
    static const CCalcFunctionArray catalogue;
    return catalogue;
}
