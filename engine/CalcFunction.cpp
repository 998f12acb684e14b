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
    const std::size_t bytes = name.size() < kKeyBytes ? name.size() : kKeyBytes;
    for (std::size_t k = 0; k < bytes; ++k)
        key = (key << 8) | map(static_cast<unsigned char>(name[k]));
    return key << (8 * (kKeyBytes - bytes)); // a shorter name's missing bytes are zero
}

unsigned AsIs(unsigned char c)
{
    return c;
}

unsigned InCapitals(unsigned char c)
{
    return byteclass::ToUpper(c);
}

// The slot where the search for `key` starts; the table's size is a power of two.
std::size_t FirstSlot(std::uint64_t key, std::size_t slotCount)
{
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> 32) & (slotCount - 1);
}

} // namespace

int CCalcFunctionArray::Add(const CCalcFunction& entry)
{
    m_entries.push_back(entry);
    m_nameKeys.push_back(NameKey(entry.m_strName, AsIs));
    if (m_entries.size() * 2 > m_slots.size())
        Rehash();
    else
        PutInSlot(m_entries.size() - 1);
    return GetSize() - 1;
}

void CCalcFunctionArray::Rehash()
{
    std::size_t count = 64;
    while (count < m_entries.size() * 2)
        count *= 2;
    m_slots.assign(count, -1);
    // In index order, so that of two equal names the first is found first.
    for (std::size_t i = 0; i < m_nameKeys.size(); ++i)
        PutInSlot(i);
}

void CCalcFunctionArray::PutInSlot(std::size_t index)
{
    std::size_t slot = FirstSlot(m_nameKeys[index], m_slots.size());
    while (m_slots[slot] >= 0)
        slot = (slot + 1) & (m_slots.size() - 1);
    m_slots[slot] = static_cast<int>(index);
}

int CCalcFunctionArray::FindIndex(std::string_view name) const
{
    // The same as comparing a capitalised copy of the name with each entry, without the copy:
    // the keys settle the length and the first bytes, the loop the rest.
    if (m_slots.empty())
        return -1;
    const std::uint64_t key = NameKey(name, InCapitals);
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t slot = FirstSlot(key, m_slots.size()); m_slots[slot] >= 0;
         slot = (slot + 1) & mask) {
        const auto i = static_cast<std::size_t>(m_slots[slot]);
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
