// zpos's options: a command's words read against its table, each value
// checked against what it takes, and the request record filled through the
// public record helpers, which refuse what does not fit rather than cut it.
#include <cstdio>
#include <initializer_list>

#include "tools/zpos/zpos.h"

namespace zpos::cli {

namespace {

std::string see_help(const Command& c) { return std::string(" (see zpos ") + c.name + " --help)"; }

// A text option that must be exactly `width` characters when given.
bool width_option(const Arguments& a, const char* name, std::size_t width, const char* what) {
    auto it = a.options.find(name);
    if (it == a.options.end() || it->second.size() == width) return true;
    fail("option --", std::string(name) + " expects " + what + ", not '" + it->second + "'");
    return false;
}

// A text option that fits its record field of `width` characters when given:
// a cut card or terminal id is another card or terminal. The value is not
// repeated: it may be a card's track.
bool fits_option(const Arguments& a, const char* name, int width) {
    auto it = a.options.find(name);
    if (it == a.options.end() || it->second.size() <= static_cast<std::size_t>(width)) return true;
    fail("option --", std::string(name) + " takes at most " + std::to_string(width) + " characters, not " +
                          std::to_string(it->second.size()));
    return false;
}

// Prints which required option is missing and what it takes.
bool has_required(const Command& c, const Arguments& a, std::initializer_list<const char*> names) {
    for (const char* name : names) {
        if (a.has(name)) continue;
        fail("option --", std::string(name) + " is required for '" + c.name +
                              "': " + tools::find_option(c.options, name)->value);
        return false;
    }
    return true;
}

// The public helpers' results, all of which must be ZPOSAPP_FIELD_OK.
bool all_set(std::initializer_list<int> results) {
    for (int r : results)
        if (r != ZPOSAPP_FIELD_OK) return false;
    return true;
}

int set_number(Request& r, int offset, int width, long value) {
    return zposapp_set_number(r.data(), offset, width, std::to_string(value).c_str());
}

bool prepare_transaction(const Arguments& a, bool points, Call& call) {
    long amount, months;
    if (!number_option(a, "port", kDefaultPort, 1, 65535, call.port) ||
        !number_option(a, "amount", kDefaultAmount, 0, 999999999, amount) ||
        !number_option(a, "months", 0, 0, 99, months))
        return false;
    if (!fits_option(a, "term-id", ZPOSAPP_REQ_TERM_ID_WIDTH) ||
        !fits_option(a, "pos-echo", ZPOSAPP_REQ_POS_ECHO_WIDTH) ||
        !fits_option(a, "track", points ? ZPOSAPP_REQ_PT_TRACK2_WIDTH : ZPOSAPP_REQ_TRACK2_WIDTH) ||
        !fits_option(a, "org-auth", points ? ZPOSAPP_REQ_PT_ORG_AUTH_NO_WIDTH : ZPOSAPP_REQ_ORG_AUTH_NO_WIDTH) ||
        !fits_option(a, "org-date", points ? ZPOSAPP_REQ_PT_ORG_AUTH_DATE_WIDTH : ZPOSAPP_REQ_ORG_AUTH_DATE_WIDTH))
        return false;
    std::string term_id = a.get("term-id", kDefaultTermId);
    bool built;
    if (points) {
        std::string sub = a.get("sub", "01");
        if (sub != "01" && sub != "02" && sub != "03" && sub != "11" && sub != "12")
            return fail("option --sub expects 01, 02, 03, 11 or 12, not ", "'" + sub + "'") == 0;
        if (!width_option(a, "media", 2, "two digits, 01 to 04")) return false;
        built = points_request(call.request, sub, a.get("media", "01"), a.get("track", kDefaultPointsTrack), amount,
                               term_id);
    } else {
        if (!width_option(a, "kind", 2, "a two-character transaction kind such as 10") ||
            !width_option(a, "type", 4, "a four-character message type such as 0200"))
            return false;
        built = card_request(call.request, a.get("type", "0200").c_str(), a.get("kind", "10").c_str(),
                             a.get("track", kDefaultTrack), a.has("keyed"), amount, months, term_id);
    }
    // The original approval of a cancellation: points keep it in their own layout.
    char* r = call.request.data();
    built = built && all_set({
        zposapp_set_text(r, ZPOSAPP_FIELD(REQ, POS_ECHO), a.get("pos-echo", "").c_str()),
        points ? zposapp_set_text(r, ZPOSAPP_FIELD(REQ, PT_ORG_AUTH_NO), a.get("org-auth", "").c_str())
               : zposapp_set_text(r, ZPOSAPP_FIELD(REQ, ORG_AUTH_NO), a.get("org-auth", "").c_str()),
        points ? zposapp_set_text(r, ZPOSAPP_FIELD(REQ, PT_ORG_AUTH_DATE), a.get("org-date", "").c_str())
               : zposapp_set_text(r, ZPOSAPP_FIELD(REQ, ORG_AUTH_DATE), a.get("org-date", "").c_str()),
    });
    if (!built) return fail("the request record cannot hold these values; nothing is sent") == 0;
    call.what = points ? Call::What::Points : Call::What::Send;
    call.host = a.get("host", kDefaultHost);
    call.ack = a.has("ack");
    call.raw = a.get("raw", "");
    return true;
}

}  // namespace

bool read_arguments(const Command& c, std::span<const std::string> words, Arguments& out) {
    tools::OptionError e = tools::read_options({c.options, c.files, c.optional}, words, out);
    if (e) fail(tools::option_error_text(e, c.name, see_help(c)).c_str());
    return !e;
}

bool number_option(const Arguments& a, const char* name, long fallback, long min, long max, long& value) {
    auto it = a.options.find(name);
    if (it == a.options.end()) {
        value = fallback;
        return true;
    }
    if (tools::whole_number(it->second, min, max, value)) return true;
    fail("option --", std::string(name) + " expects a whole number from " + std::to_string(min) + " to " +
                          std::to_string(max) + ", not '" + it->second + "'");
    return false;
}

bool card_request(Request& r, const char* type, const char* kind, const std::string& track, bool keyed, long amount,
                  long months, const std::string& term_id) {
    char* bytes = r.data();
    return all_set({
        zposapp_request_start(bytes, type, kind, term_id.c_str()),
        zposapp_set_text(bytes, ZPOSAPP_FIELD(REQ, ENTRY_MODE), keyed ? "@" : "S"),
        zposapp_set_text(bytes, ZPOSAPP_FIELD(REQ, TRACK2), track.c_str()),
        set_number(r, ZPOSAPP_FIELD(REQ, INSTALL_MONTHS), months),
        set_number(r, ZPOSAPP_FIELD(REQ, AMT_EXTRA1), 0),
        set_number(r, ZPOSAPP_FIELD(REQ, AMT_EXTRA2), 0),
        set_number(r, ZPOSAPP_FIELD(REQ, TRAN_AMT), amount),
    });
}

bool points_request(Request& r, const std::string& sub, const std::string& media, const std::string& track,
                    long amount, const std::string& term_id) {
    char* bytes = r.data();
    return all_set({
        zposapp_request_start(bytes, sub == "11" || sub == "12" ? "0420" : "0200", "40", term_id.c_str()),
        zposapp_set_text(bytes, ZPOSAPP_FIELD(REQ, PT_MEDIA), media.c_str()),
        zposapp_set_text(bytes, ZPOSAPP_FIELD(REQ, PT_SUB), sub.c_str()),
        zposapp_set_text(bytes, ZPOSAPP_FIELD(REQ, PT_TRACK2), track.c_str()),
        set_number(r, ZPOSAPP_FIELD(REQ, PT_AMT), amount),
    });
}

bool prepare_send(const Command&, const Arguments& a, Call& call) { return prepare_transaction(a, false, call); }

bool prepare_points(const Command&, const Arguments& a, Call& call) { return prepare_transaction(a, true, call); }

bool prepare_ack(const Command&, const Arguments&, Call& call) {
    call.what = Call::What::Ack;
    return true;
}

bool prepare_download(const Command& c, const Arguments& a, Call& call) {
    call.what = Call::What::Download;
    call.host = a.get("host", kDefaultHost);
    call.text = a.get("request", "");
    return has_required(c, a, {"request"}) && number_option(a, "port", kDefaultPort, 1, 65535, call.port);
}

}  // namespace zpos::cli
