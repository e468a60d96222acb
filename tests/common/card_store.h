// The security store record of sample_card_request's card (subkey "12": the
// track's third and fourth characters after '='), into a StoreAt's store.
#pragma once

#include <string>

#include "platform/registry.h"
#include "tests/common/records_helper.h"

namespace zpos::test {

inline bool fill_card_store() {
    platform::RegistryKey k = platform::registry_create("SOFTWARE\\VAN_POS_SECURITY\\1100\\DATA\\12");
    if (!k) return false;
    auto put = [&](const char* name, int type, const std::string& bytes) {
        return platform::registry_set(k, name, type, bytes.data(), static_cast<int>(bytes.size())) == 0;
    };
    bool ok = put("CARD_NO", platform::kRegString, std::string("9410123456789012") + '\0') &&
              put("DATE_TIME", platform::kRegString, std::string("20261207120000") + '\0') &&
              put("CRYPT_DATA", platform::kRegBinary, std::string(40, '\x5a')) &&
              put("CRYPT_KEY", platform::kRegBinary, std::string(100, '\xa5'));
    platform::registry_close(k);
    return ok;
}

}  // namespace zpos::test
