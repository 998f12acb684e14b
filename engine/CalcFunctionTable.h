#pragma once

#include "CalcFunction.h"

#include <cstddef>
#include <cstdint>

// One row of the catalogue as the program is built with it; the texts are code page 932.
struct CatalogueRow
{
    const char* name;
    const char* group;
    std::int32_t args;
    const char* params;
    const char* comment;
};

// ORDER CALCFUNC. Written in UTF-8 in CalcFunctionTable.cpp.in; the build turns its texts into
// code page 932.
extern const CatalogueRow kCatalogueRows[static_cast<std::size_t>(ECalcFunctionId::Count)];
