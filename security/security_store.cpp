// Reading a card record and the company serial from the per-user registry and
// laying them out as the security block; the one-shot GET_SERIAL marker.
// CRYPT_DATA and CRYPT_KEY are opaque here and are passed on byte for byte.
#include "security/security_store.h"

#include <cstdio>
#include <cstring>

#include "platform/registry.h"
#include "support/fields.h"

namespace zpos {

namespace {

using platform::RegistryAccess;
using platform::RegistryKey;

constexpr char kRecordKeyFormat[] = "SOFTWARE\\VAN_POS_SECURITY\\1100\\DATA\\%.2s";
constexpr char kSerialFlagKey[] = "SOFTWARE\\VAN_POS_SECURITY\\1100";
constexpr char kCompanyKey[] = "SOFTWARE\\VAN_POS_SECURITY\\COMPANY";
constexpr char kSerialSentMark[] = "ZELTA";  // written without its terminator
constexpr char kSerialWanted[] = "DONE";

// Read buffer sizes of the card record and company values.
constexpr int kCardNoSize = 29;
constexpr int kDateTimeSize = 20;
constexpr int kCryptDataSize = 99;
constexpr int kCryptKeySize = 299;
constexpr int kGetSerialSize = 5;
constexpr int kCompanyCodeSize = 3;
constexpr int kSerialNoSize = 20;
constexpr int kDateTimeSent = 10;
constexpr int kCardNoMax = 21;

struct CardRecord {
    char card_no[kCardNoSize] = {};
    char date_time[kDateTimeSize] = {};
    char crypt_data[kCryptDataSize] = {};
    char crypt_key[kCryptKeySize] = {};
    int card_no_len = 0, date_time_len = 0, crypt_data_len = 0, crypt_key_len = 0;
};

// Reads the four values of one record; false when any of them is missing, so
// a half-written record counts as no record at all.
bool read_card_record(RegistryKey key, CardRecord& r) {
    bool ok = platform::registry_query(key, "CARD_NO", r.card_no, kCardNoSize, &r.card_no_len) == 0;
    ok = platform::registry_query(key, "DATE_TIME", r.date_time, kDateTimeSize, &r.date_time_len) == 0 && ok;
    ok = platform::registry_query(key, "CRYPT_DATA", r.crypt_data, kCryptDataSize, &r.crypt_data_len) == 0 && ok;
    ok = platform::registry_query(key, "CRYPT_KEY", r.crypt_key, kCryptKeySize, &r.crypt_key_len) == 0 && ok;
    return ok && r.card_no_len > 0;
}

// The stored CARD_NO is compared over its own byte count; a string value's
// count includes its zero, so only an exactly equal card number matches.
bool card_matches(const CardRecord& r, const char* card_no) {
    char ours[kCardNoSize + 1] = {};
    std::size_t n = text_of(card_no, kCardNoMax).size();
    std::memcpy(ours, card_no, n);
    return std::memcmp(ours, r.card_no, static_cast<std::size_t>(r.card_no_len)) == 0;
}

void put_length(Writer& w, int count) { w.put_format(4, "%04d", count); }

bool serial_wanted() {
    RegistryKey key = platform::registry_open(kSerialFlagKey, RegistryAccess::read);
    if (!key) return false;
    char flag[kGetSerialSize] = {};
    int count = 0;
    platform::registry_query(key, "GET_SERIAL", flag, kGetSerialSize, &count);
    platform::registry_close(key);
    return std::memcmp(flag, kSerialWanted, 4) == 0;
}

}  // namespace

int BuildSecurityBlock(char* out, const char* card_no, const char* track_rest) {
    // Without a third and fourth character there is no record name.
    if (text_of(track_rest, 4).size() < 4) return 0;
    char key_name[200] = {};
    std::snprintf(key_name, sizeof key_name, kRecordKeyFormat, track_rest + 2);
    RegistryKey key = platform::registry_open(key_name, RegistryAccess::read);
    if (!key) return 0;
    CardRecord record;
    bool present = read_card_record(key, record);
    platform::registry_close(key);
    if (!present || !card_matches(record, card_no)) return 0;

    Writer w(std::span<char>(out, kSecurityBlockMax));
    put_length(w, record.crypt_data_len);
    w.put(std::string_view(record.crypt_data, static_cast<std::size_t>(record.crypt_data_len)));
    put_length(w, record.crypt_key_len);
    w.put(std::string_view(record.crypt_key, static_cast<std::size_t>(record.crypt_key_len)));
    w.put(std::string_view(record.date_time, kDateTimeSent));

    if (!serial_wanted()) return static_cast<int>(w.size());
    char company[kCompanySerialSize + 1] = {};
    int n = ReadCompanySerial(company);
    if (n > 0) w.put(std::string_view(company, static_cast<std::size_t>(n)));
    return static_cast<int>(w.size());
}

int ReadCompanySerial(char* out) {
    RegistryKey key = platform::registry_open(kCompanyKey, RegistryAccess::read);
    if (!key) return 0;
    char code[kCompanyCodeSize] = {};
    char serial[kSerialNoSize] = {};
    int code_len = 0, serial_len = 0;
    platform::registry_query(key, "COMPANY CODE", code, kCompanyCodeSize, &code_len);
    platform::registry_query(key, "SERIALNO", serial, kSerialNoSize, &serial_len);
    platform::registry_close(key);
    if (serial_len <= 2) return 0;
    if (MarkSerialSent() != 0) return 0;
    // The precisions bound both reads, so neither buffer needs its zero.
    std::snprintf(out, kCompanySerialSize + 1, "%-2.2s%-16.16s", code, serial);
    return kCompanySerialSize;
}

int MarkSerialSent() {
    RegistryKey key = platform::registry_open(kSerialFlagKey, RegistryAccess::write);
    if (!key) return -1;
    int rc = platform::registry_set(key, "GET_SERIAL", platform::kRegString, kSerialSentMark,
                                    sizeof kSerialSentMark - 1);
    platform::registry_close(key);
    return rc;
}

}  // namespace zpos
