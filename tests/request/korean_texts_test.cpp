// Every Korean text of the library is the CP949 spelling of its Korean (a
// notice's of its own UTF-8 spelling). The log's Korean lines are encoded
// from their table by the generator, so they are not repeated here.
#include <gtest/gtest.h>

#include <string>

#include "support/korean_texts.h"
#include "tests/common/print.h"
#include "tests/reply/cp949_reference.h"

namespace zpos::test {
namespace {

struct KoreanCase {
    const char* name;
    const char* cp949;
    const char* utf8;
};

const KoreanCase kTexts[] = {
    {"NoticeBadMessageType", texts::kNoticeBadMessageType.cp949, texts::kNoticeBadMessageType.utf8},
    {"NoticeTestPort", texts::kNoticeTestPort.cp949, texts::kNoticeTestPort.utf8},
    {"NoticeSocketStartFailed", texts::kNoticeSocketStartFailed.cp949, texts::kNoticeSocketStartFailed.utf8},
    {"TextNoRepeatCancel", texts::kTextNoRepeatCancel, "망상취소불가"},
    {"TextNoBalanceInquiry", texts::kTextNoBalanceInquiry, "잔액조회불가"},
    {"TextValidCheque", texts::kTextValidCheque, "정상수표"},
    {"TextMemberInfoMissing", texts::kTextMemberInfoMissing, "회원정보 부족"},
    {"PinPrompt", texts::kPinPrompt, "비밀번호 입력"},
};

class KoreanText : public ::testing::TestWithParam<KoreanCase> {};

TEST_P(KoreanText, DecodesFromCp949) {
    bool ok = false;
    EXPECT_EQ(by_iconv("CP949", "UTF-8", GetParam().cp949, &ok), GetParam().utf8);
    EXPECT_TRUE(ok);
}

INSTANTIATE_TEST_SUITE_P(AllTexts, KoreanText, ::testing::ValuesIn(kTexts), RowName{});

}  // namespace
}  // namespace zpos::test
