// A private security store for one test, filled as the security program fills
// it: strings with their terminating zero, binary values as they are.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/registry.h"
#include "tests/common/app_dir.h"
#include "tests/common/seam_setters.h"

namespace zpos::test {

class StoreTest : public ::testing::Test {
protected:
    // Sets one value, creating its key.
    static void put(const std::string& key, const std::string& name, int type, const std::string& bytes) {
        platform::RegistryKey k = platform::registry_create(key.c_str());
        ASSERT_NE(k, nullptr) << key;
        ASSERT_EQ(platform::registry_set(k, name.c_str(), type, bytes.data(), static_cast<int>(bytes.size())), 0)
            << name;
        platform::registry_close(k);
    }
    static void put_string(const std::string& key, const std::string& name, const std::string& text) {
        put(key, name, platform::kRegString, text + std::string(1, '\0'));
    }
    static void put_binary(const std::string& key, const std::string& name, const std::string& bytes) {
        put(key, name, platform::kRegBinary, bytes);
    }

    // The value's bytes as the store returns them, "<absent>" when it cannot be read.
    static std::string get(const std::string& key, const std::string& name, int size = 512) {
        platform::RegistryKey k = platform::registry_open(key.c_str(), platform::RegistryAccess::read);
        if (!k) return "<absent>";
        std::string buf(static_cast<std::size_t>(size), '\0');
        int count = 0;
        int rc = platform::registry_query(k, name.c_str(), buf.data(), size, &count);
        platform::registry_close(k);
        if (rc != 0) return "<absent>";
        return buf.substr(0, static_cast<std::size_t>(count));
    }

    AppDir dir_;
    std::string store_ = dir_.file("registry.dat");
    std::unique_ptr<StoreAt> store_at_ = std::make_unique<StoreAt>(store_);
};

}  // namespace zpos::test
