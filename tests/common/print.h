// gtest shows the library's enums by number, as the log and the POS see them,
// and names each table row by its `name`.
// gtest prints each row of a table as it registers it, byte by byte unless the
// row has a PrintTo: a row with padding needs one where memcheck runs.
#pragma once

#include <ostream>
#include <string>
#include <type_traits>

namespace zpos {

template <class Enum>
    requires std::is_enum_v<Enum>
void PrintTo(const Enum& value, std::ostream* os) {
    *os << static_cast<long long>(value);
}

namespace test {

// The test name of a table row (a gtest TestParamInfo): the row's `name`.
struct RowName {
    template <class Info>
    std::string operator()(const Info& row) const {
        return row.param.name;
    }
};

}  // namespace test

}  // namespace zpos
