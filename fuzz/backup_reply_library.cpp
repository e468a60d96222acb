// The backup library as the backup reply fuzz target sees it: DataProcess_NVR
// answers with whatever bytes the target last handed over, cut to the reply
// buffer, and reports the call as answered.
#include <cstddef>
#include <cstring>

namespace {
char g_answer[1024];
std::size_t g_answer_size = 0;
}  // namespace

extern "C" __attribute__((visibility("default"))) void fuzz_set_backup_answer(const unsigned char* bytes,
                                                                              std::size_t size) {
    g_answer_size = size < sizeof g_answer ? size : sizeof g_answer;
    std::memcpy(g_answer, bytes, g_answer_size);
}

extern "C" __attribute__((visibility("default"))) char DataProcess_NVR(const char*, int, const char*, char* reply) {
    std::memcpy(reply, g_answer, g_answer_size);
    return 1;
}

extern "C" __attribute__((visibility("default"))) int cryptCard(int, const char*, char* out) {
    std::memcpy(out, "0123456789abcdef0123456789abcdef0123456", 40);
    return 0;
}
