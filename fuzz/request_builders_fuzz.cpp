// The request builders over arbitrary request records and settings files: the
// host request message for every kind, its check byte and frame, and the
// backup request for approvals and cancellations.
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <span>

#include "backup/backup_request.h"
#include "entry/call.h"
#include "fuzz/fuzz_input.h"
#include "platform/seams.h"
#include "request/framing.h"
#include "request/request_message.h"
#include "support/message_kinds.h"
#include "support/records.h"

// Input: kind selector, a byte no longer read, the request record (blank-padded when short),
// then the settings file.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    zpos::fuzz::app_dir();
    // The builders pause before an unsigned payment, as the POS expects;
    // nothing here, or each input would take a third of a second.
    zpos::platform::seams().pause = [](int) {};
    if (size < 2) return 0;
    int kind = zpos::fuzz::selected_kind(data[0], true);
    std::memcpy(zpos::g_module.call.tran_time, "123456", 7);
    data += 2;
    size -= 2;

    // Exactly one record on the heap, so a read past it is caught.
    std::unique_ptr<char[]> request(new char[zpos::req::kSize]);
    std::memset(request.get(), ' ', zpos::req::kSize);
    std::size_t record = size < zpos::req::kSize ? size : zpos::req::kSize;
    std::memcpy(request.get(), data, record);
    if (std::FILE* f = std::fopen(zpos::g_module.call.settings_path, "wb")) {
        std::fwrite(data + record, 1, size - record, f);
        std::fclose(f);
    }

    static std::array<char, zpos::kRequestMessageSize + 1> message;
    message.fill('\0');
    std::span<char, zpos::kRequestMessageSize> out(message.data(), zpos::kRequestMessageSize);
    zpos::RequestBuilt built = zpos::build_request_message(zpos::g_module.call, request.get(), out, kind);
    int n = built.length;
    if (n < 0 || n > zpos::kRequestMessageSize) __builtin_trap();
    if (built.result == zpos::RequestBuild::built) {
        if (message[0] != zpos::wire::kSTX || message[static_cast<std::size_t>(n - 1)] != zpos::wire::kETX) __builtin_trap();
        if (zpos::frame_message(message.data(), n) != n + 1) __builtin_trap();
    }

    if (kind == zpos::kind::kCardApproval || kind == zpos::kind::kCardCancel) {
        message.fill('\0');
        zpos::BackupRequestBuilt backup = zpos::build_backup_request(zpos::g_module, request.get(), out, kind);
        int b = backup.length;
        if (b < 0 || b > zpos::kRequestMessageSize) __builtin_trap();
        if (backup.result != zpos::BackupRequestBuild::built && b != 0) __builtin_trap();  // nothing to send, no length
    }
    return 0;
}
