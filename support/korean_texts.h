// Every Korean text of the library, as the CP949 bytes the POS and the host
// expect (a Korean Windows system's ANSI code page), with its reading above it.
// The log's own lines, Korean ones among them, are in support/log_lines.h
// (generated from tables/log_lines.tsv into the build folder).
#pragma once

namespace zpos::texts {

// Modal notices, with the same text in UTF-8 for a terminal that reads it.
struct Notice {
    const char* cp949;
    const char* utf8;
};
inline constexpr Notice kNoticeBadMessageType{
    "\xC7\xE3\xB0\xA1 \xBE\xC8\xB5\xC8 \xC0\xFC\xB9\xAE \xB1\xB8\xBA\xD0\xC0\xD4\xB4\xCF\xB4\xD9.",
    "허가 안된 전문 구분입니다."};
inline constexpr Notice kNoticeTestPort{"TEST PORT \xC0\xD4\xB4\xCF\xB4\xD9.", "TEST PORT 입니다."};
inline constexpr Notice kNoticeSocketStartFailed{
    "Windows \xBC\xD2\xC4\xCF \xC3\xCA\xB1\xE2\xC8\xAD\xBF\xA1 \xBD\xC7\xC6\xD0\xC7\xCF\xBF\xB4\xBD\xC0\xB4\xCF\xB4\xD9.",
    "Windows 소켓 초기화에 실패하였습니다."};
// Texts written into the response record.
// 망상취소불가
inline constexpr char kTextNoRepeatCancel[] = "\xB8\xC1\xBB\xF3\xC3\xEB\xBC\xD2\xBA\xD2\xB0\xA1";
// 잔액조회불가
inline constexpr char kTextNoBalanceInquiry[] = "\xC0\xDC\xBE\xD7\xC1\xB6\xC8\xB8\xBA\xD2\xB0\xA1";
// 정상수표
inline constexpr char kTextValidCheque[] = "\xC1\xA4\xBB\xF3\xBC\xF6\xC7\xA5";
// 회원정보 부족
inline constexpr char kTextMemberInfoMissing[] = "\xC8\xB8\xBF\xF8\xC1\xA4\xBA\xB8 \xBA\xCE\xC1\xB7";
// Prompt passed to the PIN pad.
// 비밀번호 입력
inline constexpr char kPinPrompt[] = "\xBA\xF1\xB9\xD0\xB9\xF8\xC8\xA3 \xC0\xD4\xB7\xC2";

}  // namespace zpos::texts
