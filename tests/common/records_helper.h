// Request records for tests, built field by field by name, and the security
// store record of the sample card.
#pragma once

#include <array>
#include <cstring>
#include <string>
#include <string_view>

#include "platform/registry.h"
#include "support/records.h"

namespace zpos::test {

struct Request {
    std::array<char, req::kSize> bytes{};

    Request() { bytes.fill(' '); }
    Request(std::string_view msg_type, std::string_view tran_kind) : Request() {
        set(req::rec_len, "0240");
        set(req::msg_type, msg_type);
        set(req::tran_kind, tran_kind);
        set(req::term_id, "1200000001");
    }
    // Writes `text` at the field, cut to its width; the rest of the field keeps
    // what it held.
    Request& set(Field f, std::string_view text) {
        std::memcpy(bytes.data() + f.offset, text.data(), text.size() < f.width ? text.size() : f.width);
        return *this;
    }
    // The whole field: `text` then NUL bytes.
    Request& set_padded(Field f, std::string_view text, char pad = '\0') {
        std::memset(bytes.data() + f.offset, pad, f.width);
        return set(f, text);
    }
    const char* data() const { return bytes.data(); }
};

inline constexpr char kSampleTrack[] = "9410123456789012=2812101";

// A card request of 30,000 with no extras, of `msg_type` and `kind`
// ("0200"/"10" a card approval, "0200"/"21" cash), the track read ("S") or
// keyed ("@").
inline Request sample_card_request(std::string_view msg_type, std::string_view kind,
                                   std::string_view track = kSampleTrack, std::string_view entry_mode = "S") {
    Request r(msg_type, kind);
    r.set(req::entry_mode, entry_mode).set_padded(req::track2, track, ' ').set(req::install_months, "00");
    r.set(req::amt_extra1, "000000000").set(req::amt_extra2, "000000000").set(req::tran_amt, "000030000");
    return r;
}

inline constexpr char kSamplePointsTrack[] = "9400001234567890=2812";

// A points request of 5,000 with operation `sub` ("01" earn, "11" cancel ...)
// on medium `media`.
inline Request sample_points_request(std::string_view sub, std::string_view media = "01") {
    Request r("0200", "40");
    r.set(req::pt_media, media).set(req::pt_sub, sub).set_padded(req::pt_track2, kSamplePointsTrack);
    r.set(req::pt_amt, "000005000");
    return r;
}

inline std::string field(const char* record, Field f) { return std::string(record + f.offset, f.width); }

// The security store record of sample_card_request's card (subkey "12": the
// track's third and fourth characters after '='), into a StoreAt's store.
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
