// An application directory with the test pad library (whole, without its
// functions, or none), its answer script and the calls it recorded.
#pragma once

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "platform/platform.h"
#include "tests/common/app_dir.h"

namespace zpos::test {

enum class Pad { full, no_functions, none };

struct PadCall {
    std::string function;
    int port = 0;
    int constant = 0;
    std::string input;  // the bytes the pad was handed
};

class PadDir : public AppDir {
public:
    explicit PadDir(Pad pad = Pad::full) {
        std::string lib = file(std::string("SignPad_dll") + platform::kLibSuffix);
        if (pad == Pad::full) std::filesystem::copy_file(ZPOS_TESTPAD_PATH, lib);
        if (pad == Pad::no_functions) std::filesystem::copy_file(ZPOS_TESTPAD_EMPTY_PATH, lib);
    }
    void pad_script(const std::string& text) const { std::ofstream(file("SignPad_dll.script")) << text; }

    std::vector<PadCall> pad_calls() const {
        std::vector<PadCall> out;
        for (const std::string& line : lines_of(read_file(file("SignPad_dll.record")))) {
            PadCall c;
            std::string hex;
            std::istringstream(line) >> c.function >> c.port >> c.constant >> hex;
            for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
                c.input += static_cast<char>(std::stoi(hex.substr(i, 2), nullptr, 16));
            out.push_back(c);
        }
        return out;
    }
};

}  // namespace zpos::test
