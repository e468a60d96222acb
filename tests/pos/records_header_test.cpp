// The helpers of the public zposapp_records.h, as a POS calls them: what they
// write, what they refuse, and that a refusal writes nothing and never reaches
// past a record.
#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <memory>
#include <string>

#include "zposapp_records.h"

namespace {

std::string blank_request() { return std::string(ZPOSAPP_REQUEST_SIZE, ' '); }

// The record with `text` at a field.
std::string placed(std::string record, int offset, int width, const std::string& text) {
    return record.replace(static_cast<std::size_t>(offset), static_cast<std::size_t>(width), text);
}

struct NumberCase {
    const char* digits;
    int result;
    const char* field;  // tran_amt afterwards
};

TEST(RecordsHeader, SetNumberWritesDigitsOnlyAndRefusesTheRest) {
    const NumberCase cases[] = {
        {"30000", ZPOSAPP_FIELD_OK, "000030000"},
        {"999999999", ZPOSAPP_FIELD_OK, "999999999"},
        {"0", ZPOSAPP_FIELD_OK, "000000000"},
        {"00000abcd", ZPOSAPP_FIELD_NOT_DIGITS, "         "},
        {"", ZPOSAPP_FIELD_NOT_DIGITS, "         "},
        {"-1", ZPOSAPP_FIELD_NOT_DIGITS, "         "},
        {" 1004", ZPOSAPP_FIELD_NOT_DIGITS, "         "},
        {"1000000000", ZPOSAPP_FIELD_TOO_LONG, "         "},
    };
    for (const NumberCase& c : cases) {
        std::string request = blank_request();
        EXPECT_EQ(zposapp_set_number(request.data(), ZPOSAPP_FIELD(REQ, TRAN_AMT), c.digits), c.result) << c.digits;
        EXPECT_EQ(request, placed(blank_request(), ZPOSAPP_FIELD(REQ, TRAN_AMT), c.field)) << c.digits;
    }
}

TEST(RecordsHeader, SetTextPadsWithBlanksAndRefusesWhatIsLonger) {
    const std::string filled(ZPOSAPP_REQUEST_SIZE, 'X');
    std::string request = filled;
    EXPECT_EQ(zposapp_set_text(request.data(), ZPOSAPP_FIELD(REQ, TERM_ID), "12345"), ZPOSAPP_FIELD_OK);
    EXPECT_EQ(zposapp_set_text(request.data(), ZPOSAPP_FIELD(REQ, TERM_ID), "12345678901"), ZPOSAPP_FIELD_TOO_LONG);
    EXPECT_EQ(request, placed(filled, ZPOSAPP_FIELD(REQ, TERM_ID), "12345     "));
}

struct PlaceCase {
    const char* what;
    int offset;
    int width;
    bool inside;  // wholly inside a 240-byte request
};

TEST(RecordsHeader, FieldsOutsideTheRecordAreRefusedWithoutReadingOrWriting) {
    const PlaceCase cases[] = {
        {"tran_amt", ZPOSAPP_FIELD(REQ, TRAN_AMT), true},
        {"the request's last byte", ZPOSAPP_REQUEST_SIZE - 1, 1, true},
        // Response fields named on a request, the mistake a POS makes.
        {"auth_no, across the request's end", ZPOSAPP_FIELD(RESP, AUTH_NO), false},
        {"message, past the request", ZPOSAPP_FIELD(RESP, MESSAGE), false},
        {"sign_flag, past the request", ZPOSAPP_FIELD(RESP, SIGN_FLAG), false},
        {"offset and width whose sum overflows an int", INT_MAX, 2, false},
        {"width that overflows with its offset", 1, INT_MAX, false},
        {"negative offset", -1, 2, false},
        {"no width", 0, 0, false},
    };
    for (const PlaceCase& c : cases) {
        // Exactly the request's bytes on the heap, so that AddressSanitizer
        // reports any byte touched past them.
        const std::unique_ptr<char[]> request(new char[ZPOSAPP_REQUEST_SIZE]);
        std::memset(request.get(), ' ', ZPOSAPP_REQUEST_SIZE);
        const std::string blanks(c.inside ? static_cast<std::size_t>(c.width) : 4, ' ');
        char out[ZPOSAPP_RESPONSE_SIZE + 1];
        EXPECT_EQ(zposapp_get_text(request.get(), ZPOSAPP_REQUEST_SIZE, c.offset, c.width, out, sizeof out),
                  c.inside ? 0 : ZPOSAPP_FIELD_BAD_ARGUMENT)
            << c.what;
        EXPECT_EQ(zposapp_field_is(request.get(), ZPOSAPP_REQUEST_SIZE, c.offset, c.width, blanks.c_str()),
                  c.inside ? 1 : 0)
            << c.what;
        const int refused = c.inside ? ZPOSAPP_FIELD_OK : ZPOSAPP_FIELD_BAD_ARGUMENT;
        EXPECT_EQ(zposapp_set_text(request.get(), c.offset, c.width, "1"), refused) << c.what;
        EXPECT_EQ(zposapp_set_number(request.get(), c.offset, c.width, "1"), refused) << c.what;
        const std::string written =
            c.inside ? placed(blank_request(), c.offset, c.width, std::string(blanks.size() - 1, '0') + "1")
                     : blank_request();
        EXPECT_EQ(std::string(request.get(), ZPOSAPP_REQUEST_SIZE), written) << c.what;
    }
}

TEST(RecordsHeader, RequestStartFillsTheHeadOrWritesNothing) {
    std::string request(ZPOSAPP_REQUEST_SIZE, 'x');
    EXPECT_EQ(zposapp_request_start(request.data(), "0200", "10", "12345678901"), ZPOSAPP_FIELD_TOO_LONG);
    EXPECT_EQ(zposapp_request_start(request.data(), "200", "10", "1200000001"), ZPOSAPP_FIELD_BAD_ARGUMENT);
    EXPECT_EQ(request, std::string(ZPOSAPP_REQUEST_SIZE, 'x'));
    EXPECT_EQ(zposapp_request_start(request.data(), "0200", "10", "1200000001"), ZPOSAPP_FIELD_OK);
    // The head's rec_len, msg_type, tran_kind and term_id; blanks elsewhere.
    std::string head = placed(blank_request(), ZPOSAPP_FIELD(REQ, REC_LEN), "0240");
    head = placed(head, ZPOSAPP_FIELD(REQ, MSG_TYPE), "0200");
    head = placed(head, ZPOSAPP_FIELD(REQ, TRAN_KIND), "10");
    EXPECT_EQ(request, placed(head, ZPOSAPP_FIELD(REQ, TERM_ID), "1200000001"));
}

TEST(RecordsHeader, GetTextStopsAtAZeroByteAndDropsTheFillingBlanks) {
    std::string response(ZPOSAPP_RESPONSE_SIZE, ' ');
    response.replace(ZPOSAPP_RESP_AUTH_NO_OFFSET, ZPOSAPP_RESP_AUTH_NO_WIDTH, "12345678    ");
    response.replace(ZPOSAPP_RESP_MESSAGE_OFFSET, 6, std::string("OK\0 ab", 6));
    char out[ZPOSAPP_RESP_MESSAGE_WIDTH + 1];
    EXPECT_EQ(zposapp_get_text(response.data(), response.size(), ZPOSAPP_FIELD(RESP, AUTH_NO), out, sizeof out), 8);
    EXPECT_STREQ(out, "12345678");
    EXPECT_EQ(zposapp_get_text(response.data(), response.size(), ZPOSAPP_FIELD(RESP, MESSAGE), out, sizeof out), 2);
    EXPECT_STREQ(out, "OK");
    // No room for the terminating zero: refused rather than cut.
    EXPECT_EQ(zposapp_get_text(response.data(), response.size(), ZPOSAPP_FIELD(RESP, MESSAGE), out,
                               ZPOSAPP_RESP_MESSAGE_WIDTH),
              ZPOSAPP_FIELD_BAD_ARGUMENT);
    EXPECT_EQ(zposapp_field_is(response.data(), response.size(), ZPOSAPP_FIELD(RESP, AUTH_NO), "12345678    "), 1);
    EXPECT_EQ(zposapp_field_is(response.data(), response.size(), ZPOSAPP_FIELD(RESP, AUTH_NO), "12345678"), 0);
}

}  // namespace
