// Where the library finds its POS executable and its security store, and how
// long the link waits, while a test, a fuzz target or a benchmark runs: each
// puts its entries of the seam table in place while it lives and takes them
// out again. Header-only, for the
// programs that do not link the test library.
#pragma once

#include <cstdio>
#include <string>
#include <utility>

#include "platform/seams.h"

namespace zpos::test {

// The POS executable, as the library sees it, at `path`.
class ExecutableAt {
public:
    explicit ExecutableAt(std::string path) {
        where() = std::move(path);
        platform::seams().executable_path = [](char* out, std::size_t size) {
            std::snprintf(out, size, "%s", where().c_str());
        };
    }
    ~ExecutableAt() { platform::seams().executable_path = nullptr; }
    ExecutableAt(const ExecutableAt&) = delete;
    ExecutableAt& operator=(const ExecutableAt&) = delete;

private:
    static std::string& where() {
        static std::string path;
        return path;
    }
};

// Link waits short enough that time-out paths run in a fraction of a second.
class ShortLinkWaits {
public:
    ShortLinkWaits(int connect_ms, int wait_ms) {
        platform::seams().connect_timeout_ms = connect_ms;
        platform::seams().link_wait_ms = wait_ms;
    }
    ~ShortLinkWaits() {
        platform::seams().connect_timeout_ms = 0;
        platform::seams().link_wait_ms = 0;
    }
    ShortLinkWaits(const ShortLinkWaits&) = delete;
    ShortLinkWaits& operator=(const ShortLinkWaits&) = delete;
};

// The per-user registry store (the card security store) at `path`.
class StoreAt {
public:
    explicit StoreAt(std::string path) {
        where() = std::move(path);
        platform::seams().registry_file = [] { return where().c_str(); };
    }
    ~StoreAt() { platform::seams().registry_file = nullptr; }
    StoreAt(const StoreAt&) = delete;
    StoreAt& operator=(const StoreAt&) = delete;

private:
    static std::string& where() {
        static std::string path;
        return path;
    }
};

}  // namespace zpos::test
