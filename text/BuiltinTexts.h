#pragma once
#include <cstddef>
#include <cstdint>

// One row of the built-in English text table.
struct CTextRow
{
    int32_t id;
    const char* text;
};

// The built-in table, in its fixed order, and the IDs without which the
// program does not start (every ID of the table in table order, except the
// progress and completion texts).
struct CTextTable
{
    const CTextRow* rows;
    std::size_t rowCount;
    const int32_t* required;
    std::size_t requiredCount;
};

const CTextTable& BuiltinTextTable();
