// Where the library finds its POS executable and its security store, and how
// long the link waits, while a test, a fuzz target or a benchmark runs; each
// holder's seam entries live as long as it does. Header-only, for the programs
// that do not link the test library.
#pragma once

#include <cstdio>
#include <string>
#include <utility>

#include "platform/seams.h"

namespace zpos::test {

// A path one seam gives the library while its holder lives.
template <class Holder>
class HeldPath {
public:
    HeldPath(const HeldPath&) = delete;
    HeldPath& operator=(const HeldPath&) = delete;

protected:
    explicit HeldPath(std::string path) { where() = std::move(path); }
    static const char* path() { return where().c_str(); }

private:
    static std::string& where() {
        static std::string held;
        return held;
    }
};

// The POS executable, as the library sees it, at `path`.
class ExecutableAt : HeldPath<ExecutableAt> {
public:
    explicit ExecutableAt(std::string exe) : HeldPath(std::move(exe)) {
        platform::seams().executable_path = [](char* out, std::size_t size) { std::snprintf(out, size, "%s", path()); };
    }
    ~ExecutableAt() { platform::seams().executable_path = nullptr; }
};

// The per-user registry store (the card security store) at `path`.
class StoreAt : HeldPath<StoreAt> {
public:
    explicit StoreAt(std::string store) : HeldPath(std::move(store)) {
        platform::seams().registry_file = [] { return path(); };
    }
    ~StoreAt() { platform::seams().registry_file = nullptr; }
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

}  // namespace zpos::test
