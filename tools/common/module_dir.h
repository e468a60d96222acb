// The directory of the test library that this code is compiled into (each test
// library builds its own copy), where its script and record files live.
#pragma once

#include <cstddef>

bool own_module_dir(char* out, std::size_t size);
