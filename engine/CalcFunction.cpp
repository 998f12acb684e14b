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

int CCalcFunctionArray::Add(const CCalcFunction& entry)
{
    m_entries.push_back(entry);
    return GetSize() - 1;
}

int CCalcFunctionArray::FindIndex(std::string_view name) const
{
    // The same as comparing a capitalised copy of the name with each entry, without the copy.
    for (int i = 0; i < GetSize(); ++i) {
        const std::string& entry = m_entries[static_cast<std::size_t>(i)].m_strName;
        if (entry.size() != name.size())
            continue;
        bool equal = true;
        for (std::size_t k = 0; k < name.size() && equal; ++k)
            equal = byteclass::ToUpper(static_cast<unsigned char>(name[k])) ==
                    static_cast<unsigned char>(entry[k]);
        if (equal)
            return i;
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
