// The per-user registry store file read back from arbitrary contents: opening
// keys for reading and writing, querying values into buffers of several sizes
// and setting one, so the rewrite of a damaged store runs too.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "fuzz/fuzz_input.h"
#include "platform/registry.h"
#include "tests/common/seam_setters.h"

using zpos::fuzz::take_text;

// Input: key path NUL value name NUL store contents.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const std::string path = zpos::fuzz::app_dir().file("registry.dat");
    static const zpos::test::StoreAt store(path);
    namespace reg = zpos::platform;
    std::string_view in(reinterpret_cast<const char*>(data), size);
    std::string key_path = take_text(in);
    std::string name = take_text(in);
    if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
        std::fwrite(in.data(), 1, in.size(), f);
        std::fclose(f);
    }

    if (reg::RegistryKey key = reg::registry_open(key_path.c_str(), reg::RegistryAccess::read)) {
        for (int room : {0, 1, 4, 64, 1024}) {
            static unsigned char out[1024];
            int count = -1;
            int r = reg::registry_query(key, name.c_str(), out, room, &count);
            if (count < 0 || count > room || (r != 0 && count != 0)) __builtin_trap();
        }
        reg::registry_close(key);
    }
    if (reg::RegistryKey key = reg::registry_open(key_path.c_str(), reg::RegistryAccess::write)) {
        reg::registry_set(key, name.c_str(), reg::kRegString, "value", 6);
        reg::registry_close(key);
    }
    return 0;
}
