// The one piece of the C++ runtime the shared library would load libstdc++
// for: the standard library's failed bounds check (std::string_view::substr
// past the end). Part of the shared library alone; the tests keep the
// runtime's own, which throws.
#include <cstdlib>

namespace std {
// The library is built without exceptions and lets none cross a C export, so
// a failed bounds check ends the process, as an exception escaping an export
// would.
[[noreturn]] void __throw_out_of_range_fmt(const char*, ...) { std::abort(); }
}  // namespace std
