// regfill: one value into the per-user security store, as the installation's
// security program writes it. Usage:
//   regfill <key path> <value name> str <text>   string value with its zero
//   regfill <key path> <value name> raw <text>   string value without a zero
//   regfill <key path> <value name> hex <hex>    binary value
#include <cstdio>
#include <cstring>

#include "platform/registry.h"
#include "tests/doubles/double_files.h"

namespace {

int usage() {
    std::fprintf(stderr, "usage: regfill <key path> <value name> str|raw|hex <value>\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 5) return usage();
    static char bytes[4096];
    int count = 0;
    int type = zpos::platform::kRegString;
    const char* value = argv[4];
    std::size_t len = std::strlen(value);
    if (!std::strcmp(argv[3], "str") || !std::strcmp(argv[3], "raw")) {
        if (len + 1 > sizeof bytes) return usage();
        std::memcpy(bytes, value, len + 1);
        count = static_cast<int>(len) + (argv[3][0] == 's' ? 1 : 0);
    } else if (!std::strcmp(argv[3], "hex")) {
        type = zpos::platform::kRegBinary;
        if ((count = zpos::test::hex_bytes(value, bytes, sizeof bytes)) < 0) return usage();
    } else {
        return usage();
    }
    zpos::platform::RegistryKey key = zpos::platform::registry_create(argv[1]);
    if (!key) {
        std::fprintf(stderr, "regfill: cannot create key %s\n", argv[1]);
        return 1;
    }
    int rc = zpos::platform::registry_set(key, argv[2], type, bytes, count);
    zpos::platform::registry_close(key);
    if (rc != 0) std::fprintf(stderr, "regfill: cannot set %s (%d)\n", argv[2], rc);
    return rc == 0 ? 0 : 1;
}
