// Every Korean text of the library is the CP949 spelling of its Korean (and a
// notice's UTF-8 spelling is that Korean).
#include <gtest/gtest.h>
#include <iconv.h>

#include <string>

#include "support/korean_texts.h"
#include "support/log_lines.h"
#include "tests/common/print.h"

namespace zpos {
namespace {

std::string cp949_to_utf8(const std::string& in) {
    iconv_t cd = iconv_open("UTF-8", "CP949");
    if (cd == reinterpret_cast<iconv_t>(-1)) return "<no CP949 converter>";
    std::string out(in.size() * 4 + 4, '\0');
    char* src = const_cast<char*>(in.data());
    std::size_t src_left = in.size();
    char* dst = out.data();
    std::size_t dst_left = out.size();
    std::size_t rc = iconv(cd, &src, &src_left, &dst, &dst_left);
    iconv_close(cd);
    if (rc == static_cast<std::size_t>(-1) || src_left != 0) return "<not CP949>";
    out.resize(out.size() - dst_left);
    return out;
}

struct KoreanCase {
    const char* name;
    const char* cp949;
    const char* utf8;
    const char* shown_utf8 = nullptr;  // a notice's UTF-8 spelling for a UTF-8 terminal
};

const KoreanCase kTexts[] = {
    {"NoticeBadMessageType", texts::kNoticeBadMessageType.cp949, "허가 안된 전문 구분입니다.",
     texts::kNoticeBadMessageType.utf8},
    {"NoticeTestPort", texts::kNoticeTestPort.cp949, "TEST PORT 입니다.", texts::kNoticeTestPort.utf8},
    {"NoticeSocketStartFailed", texts::kNoticeSocketStartFailed.cp949, "Windows 소켓 초기화에 실패하였습니다.",
     texts::kNoticeSocketStartFailed.utf8},
    {"TextNoRepeatCancel", texts::kTextNoRepeatCancel, "망상취소불가"},
    {"TextNoBalanceInquiry", texts::kTextNoBalanceInquiry, "잔액조회불가"},
    {"TextValidCheque", texts::kTextValidCheque, "정상수표"},
    {"TextMemberInfoMissing", texts::kTextMemberInfoMissing, "회원정보 부족"},
    {"PinPrompt", texts::kPinPrompt, "비밀번호 입력"},
    {"LogSignZero", log_lines::kSignZero, "하음 Sign LEN.. %04d"},
    {"LogNonblockConnected", log_lines::kNonblockConnected, "NONBLOCK 연결 성공[%.15s][%d]"},
    {"LogNonblockFailed", log_lines::kNonblockFailed, "NONBLOCK 연결 실패[%.15s][%d]"},
    {"LogBlockingConnected", log_lines::kBlockingConnected, "Connect 연결 성공[%.15s][%d]"},
    {"LogNoEnq", log_lines::kNoEnq, "ENQ 없음"},
    {"LogSendError", log_lines::kSendError, "전송 err"},
    {"LogResendError", log_lines::kResendError, "재전송 err"},
    {"LogDownloadOk", log_lines::kDownloadOk, "다운로드 성공"},
};

class KoreanText : public ::testing::TestWithParam<KoreanCase> {};

TEST_P(KoreanText, DecodesFromCp949) {
    EXPECT_EQ(cp949_to_utf8(GetParam().cp949), GetParam().utf8);
    if (GetParam().shown_utf8) {
        EXPECT_STREQ(GetParam().shown_utf8, GetParam().utf8);
    }
}

INSTANTIATE_TEST_SUITE_P(AllTexts, KoreanText, ::testing::ValuesIn(kTexts),
                         test::RowName{});

}  // namespace
}  // namespace zpos
