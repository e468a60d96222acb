// gtest shows the library's results and route modes by their numbers, as the
// log, the settings file and the POS see them.
#pragma once

#include <ostream>
#include <type_traits>

namespace zpos {

template <class Enum>
    requires std::is_enum_v<Enum>
void PrintTo(const Enum& value, std::ostream* os) {
    *os << static_cast<long long>(value);
}

}  // namespace zpos
