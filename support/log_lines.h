// Every line the library writes to its daily log, one named constant per line
// (Korean ones as the CP949 bytes the log gets), with the size of the buffer
// the line is formatted into where its writer has one. Written from
// tables/log_lines.tsv by tables/generate.py; records and other bytes of the
// moment have no constant.
#pragma once

#include <cstddef>

namespace zpos::log_lines {

// BEGIN GENERATED log lines: tables/generate.py
// Zelta_Send or Zelta_OKCashbag (the name) was called without a request record or a response buffer; it returns -1 at once
inline constexpr char kInvalidCall[] = "%s: missing request or response buffer";
inline constexpr std::size_t kInvalidCallBuffer = 100;
// a cash approval (kind 21) with the port the POS passed, before the request is built
inline constexpr char kCashAuth[] = "\012Cash Auth[%ld]\012\012";
inline constexpr std::size_t kCashAuthBuffer = 100;
// a cash cancellation (kind 21) with the port the POS passed
inline constexpr char kCashCancel[] = "\012Cash Cancel[%ld]\012\012";
inline constexpr std::size_t kCashCancelBuffer = 100;
// the request message is being built for this message kind (2 card approval, 4 cancellation, 60 to 64 points ...)
inline constexpr char kRequestBuilt[] = "From Pointsvc... [%d]";
inline constexpr std::size_t kRequestBuiltBuffer = 64;
// the amount is above 99,999,999: nothing is sent, the call returns -10
inline constexpr char kAmountOverLimit[] = "tran_amt is 1 billion over [%d]";
inline constexpr std::size_t kAmountOverLimitBuffer = 64;
// no signature needed: the amount is 50,000 or less (and no CVM data on F1/F2)
inline constexpr char kNoCvmSign[] = "NO CVM SIGN AMOUNT[%d]";
inline constexpr std::size_t kNoCvmSignBuffer = 128;
// a signature would be needed but signature capture is off (SignSetting) or the kind is cash
inline constexpr char kNotSign[] = "NOT SIGN";
inline constexpr std::size_t kNotSignBuffer = 128;
// the day's first capture on an HCS pad sends the daily pad report (last report date, today)
inline constexpr char kPadReport[] = "Logon Send... [%.6s] [%.6s]";
inline constexpr std::size_t kPadReportBuffer = 128;
// the signature pad is called on this serial port (GetComPort)
inline constexpr char kPadPort[] = "GET COM PORT NO... %.2s";
inline constexpr std::size_t kPadPortBuffer = 128;
// pad field A as the pad returned it (three lines after each signature capture: fields A, C and B)
inline constexpr char kPadFieldA[] = "%.15s";
inline constexpr std::size_t kPadFieldABuffer = 128;
// pad field C (the amount shown on the pad)
inline constexpr char kPadFieldC[] = "%.17s";
inline constexpr std::size_t kPadFieldCBuffer = 128;
// pad field B
inline constexpr char kPadFieldB[] = "%.3s";
inline constexpr std::size_t kPadFieldBBuffer = 128;
// the signature pad returned: the signature's length, 2 refused, 0 nothing signed, negative failed
inline constexpr char kSignLength[] = "RETURN Sign LEN.. %04d";
inline constexpr std::size_t kSignLengthBuffer = 128;
// the pad returned no signature: the request is refused (-10)
inline constexpr char kSignZero[] = "\307\317\300\275 Sign LEN.. %04d";
inline constexpr std::size_t kSignZeroBuffer = 128;
// the PIN pad is asked for a PIN for this card number
inline constexpr char kPinCard[] = "in PinPad return.. [%.16s]";
inline constexpr std::size_t kPinCardBuffer = 128;
// the PIN pad returned (its result, the PIN block)
inline constexpr char kPinResult[] = "Get PinPad return.. [%d] [%.16s]";
inline constexpr std::size_t kPinResultBuffer = 128;
// the signature/PIN pad library is not in the application directory or cannot be loaded: no signature, no PIN
inline constexpr char kPadLoadFail[] = "Signpad_dll.dll load Fail";
// the pad library has no signature function
inline constexpr char kPadSignMissing[] = "SignPad_dll.dll orvik_sign load fail...";
// the pad library has no PIN function
inline constexpr char kPadPinMissing[] = "SignPad_dll.dll general_pin load fail...";
// the secondary host address was replaced by the primary host address and port
inline constexpr char kConnectSubstituted[] = "Connect info IP[%.100s], port[%d]";
inline constexpr std::size_t kConnectSubstitutedBuffer = 200;
// a connection to the host starts (address, port)
inline constexpr char kConnectInfo[] = "Connect info2 IP[%.100s], port[%d]";
inline constexpr std::size_t kConnectInfoBuffer = 200;
// the 2-second non-blocking connect ended: 0 connected, -1 not
inline constexpr char kConnectResult[] = "rtn[%d]";
inline constexpr std::size_t kConnectResultBuffer = 200;
// connected by the non-blocking attempt
inline constexpr char kNonblockConnected[] = "NONBLOCK \277\254\260\341 \274\272\260\370[%.15s][%d]";
inline constexpr std::size_t kNonblockConnectedBuffer = 200;
// the non-blocking attempt failed; one blocking attempt follows, which waits as long as the system's connect time-out
inline constexpr char kNonblockFailed[] = "NONBLOCK \277\254\260\341 \275\307\306\320[%.15s][%d]";
inline constexpr std::size_t kNonblockFailedBuffer = 200;
// connected by the blocking attempt
inline constexpr char kBlockingConnected[] = "Connect \277\254\260\341 \274\272\260\370[%.15s][%d]";
inline constexpr std::size_t kBlockingConnectedBuffer = 200;
// no connection to the host (with the system's error code): the call returns -6, resp_code COMM
inline constexpr char kConnectError[] = "socket connect err IP[%.100s],Port[%d][%ld]";
inline constexpr std::size_t kConnectErrorBuffer = 200;
// connected, but no ENQ from the host within 10 seconds: -5
inline constexpr char kEnqTimeout[] = "ENQ read TimeOut err";
inline constexpr std::size_t kEnqTimeoutBuffer = 200;
// the link was reported ready but was not while waiting for ENQ: -5
inline constexpr char kEnqNotSet[] = "ENQ read err isset errno";
inline constexpr std::size_t kEnqNotSetBuffer = 200;
// the host sent fewer than three bytes instead of its ENQ frame (or closed): -5
inline constexpr char kEnqShort[] = "ENQ Read Err";
inline constexpr std::size_t kEnqShortBuffer = 200;
// the host's first frame is not ENQ: -5
inline constexpr char kNoEnq[] = "ENQ \276\370\300\275";
inline constexpr std::size_t kNoEnqBuffer = 200;
// ENQ received (bytes read, 05); the request goes out next and the reply is awaited, 10 seconds a wait, a NAK before each of the three further waits
inline constexpr char kEnqReceived[] = "rtn[%d] ENQ_RECV[%02x]";
inline constexpr std::size_t kEnqReceivedBuffer = 200;
// the request frame was not sent whole: -5
inline constexpr char kSendError[] = "\300\374\274\333 err";
inline constexpr std::size_t kSendErrorBuffer = 200;
// a NAK was not sent: -5
inline constexpr char kResendError[] = "\300\347\300\374\274\333 err";
inline constexpr std::size_t kResendErrorBuffer = 200;
// no reply after the request and three NAKs (about 40 seconds): -1, resp_code Time
inline constexpr char kReplyTimeout[] = "reply data time out";
inline constexpr std::size_t kReplyTimeoutBuffer = 200;
// the link was reported ready but was not while waiting for the reply; a NAK follows
inline constexpr char kReplyNotSet[] = "FD_ISSET Er";
inline constexpr std::size_t kReplyNotSetBuffer = 200;
// the same after the third NAK: -3
inline constexpr char kReplyNotSetLast[] = "reply data FD_ISSET Er";
inline constexpr std::size_t kReplyNotSetLastBuffer = 200;
// the reply's two length bytes could not be read (the host closed): -1
inline constexpr char kReplyLengthError[] = "recv err";
inline constexpr std::size_t kReplyLengthErrorBuffer = 200;
// the reply's body ended short of its length (bytes read, length announced), or the length is above 3000: -1
inline constexpr char kReplyBodyError[] = "recv err2 body_rtn[%d], rply_rtn[%d]";
inline constexpr std::size_t kReplyBodyErrorBuffer = 200;
// the host sent ENQ again instead of its reply: the library waits again, without NAK and without using up a retry
inline constexpr char kEnqRetry[] = "ENQ RETRY [%02x] [%d]";
inline constexpr std::size_t kEnqRetryBuffer = 200;
// the host answered only with short frames (not ENQ) up to the third NAK: -2
inline constexpr char kReplyShortFrames[] = "reply data recv err";
inline constexpr std::size_t kReplyShortFramesBuffer = 200;
// the ACK could not be sent (no open link): Zelta_Ack -5, or -12 after a management message
inline constexpr char kAckSendError[] = "ACK send err";
inline constexpr std::size_t kAckSendErrorBuffer = 200;
// Zelta_Ack sent the ACK and waits up to 10 seconds a frame, five frames at most, for EOT
inline constexpr char kAckSent[] = "ACK SEND";
inline constexpr std::size_t kAckSentBuffer = 200;
// the library acknowledged a reply other than 0000 itself and waits for EOT
inline constexpr char kAutoAckSent[] = "AUTO ACK SEND";
inline constexpr std::size_t kAutoAckSentBuffer = 200;
// no frame for 10 seconds after the ACK; after Zelta_Ack the management message follows
inline constexpr char kEotTimeout[] = "EOT recv time out";
inline constexpr std::size_t kEotTimeoutBuffer = 200;
// the link was reported ready but was not while waiting for EOT
inline constexpr char kEotNotSet[] = "EOT recv isset err2";
inline constexpr std::size_t kEotNotSetBuffer = 200;
// a read of fewer than three bytes while waiting for EOT (the host closed, or sent too little)
inline constexpr char kEotShort[] = "EOT recv err2 rtn[%d]";
inline constexpr std::size_t kEotShortBuffer = 200;
// EOT received for Zelta_Ack's ACK (byte, frame count, bytes read): the transaction is closed and the route reset to the primary host (VANID 1, EOT_CNT 0)
inline constexpr char kEotOk[] = "EOT RECV [%02x] OK   count[%d] Len[%3d] ";
inline constexpr std::size_t kEotOkBuffer = 200;
// the fifth frame after the ACK is not EOT either: the management message follows
inline constexpr char kEotError[] = "EOT RECV [%02x] ERROR   count[%d] Len[%3d] ";
inline constexpr std::size_t kEotErrorBuffer = 200;
// a frame without EOT after the ACK; the library waits for the next
inline constexpr char kEotFail[] = "EOT RECV [%02x] FAIL count[%d] Len[%3d] ";
inline constexpr std::size_t kEotFailBuffer = 200;
// EOT received for the automatic acknowledgement: the decline is closed
inline constexpr char kAutoEotOk[] = "AUTO ACK EOT RECV [%02x] OK   count[%d] Len[%3d] ";
inline constexpr std::size_t kAutoEotOkBuffer = 200;
// five frames without EOT after the automatic ACK; nothing more is done
inline constexpr char kAutoEotError[] = "AUTO ACK EOT RECV [%02x] ERROR   count[%d] Len[%3d] ";
inline constexpr std::size_t kAutoEotErrorBuffer = 200;
// a frame without EOT after the automatic ACK; the library waits for the next
inline constexpr char kAutoEotFail[] = "AUTO ACK EOT RECV [%02x] FAIL count[%d] Len[%3d] ";
inline constexpr std::size_t kAutoEotFailBuffer = 200;
// the management message did not get through (the exchange's own lines come before): Zelta_Ack -12
inline constexpr char kManagementError[] = "MANG req send err";
// the host answered the management message and got its ACK: Zelta_Ack -13
inline constexpr char kManagementAckSent[] = "MANG ACK SEND";
// the response code when it is not 0000: after a reply from the host on the primary route the automatic acknowledgement follows; after Time (no reply) or COMM (no connection) nothing does
inline constexpr char kRespCode[] = "resp_code[%.4s]";
inline constexpr std::size_t kRespCodeBuffer = 100;
// the primary host declined a cancellation: it goes to the backup route
inline constexpr char kToBackup[] = "Don't find CANCLE so Send to BACKUP";
// the backup library is not in the application directory or cannot be loaded: route back to primary; -9 while the backup request is built, -8 when it is sent
inline constexpr char kBackupLoadFail[] = "BACK UP DLL load Fail";
// the backup library has no encryption function: route back to primary, -9
inline constexpr char kBackupCryptMissing[] = "BACK UP DLL  get  cryptCard Fail";
// the backup library has no transaction function: route back to primary, -8
inline constexpr char kBackupDataMissing[] = "BACK UP DLL get  DataProcess Fail";
// the card's expiry year is 99, which the backup route does not encrypt: route back to primary, -9
inline constexpr char kBackupNoEncrypt[] = "Encrypt Module is not BACKUPing";
// the backup library could not encrypt the track: route back to primary, -9
inline constexpr char kBackupEncryptFail[] = "BACK UP DLL track2 data encrypt fail";
// this terminal id is not enrolled for the backup route: route back to primary, -9
inline constexpr char kBackupTerminal[] = "Don't BACKUP TID[%.10s]";
inline constexpr std::size_t kBackupTerminalBuffer = 128;
// the amount is 100,000,000 or more, which the backup route does not take: -9, the route stays on backup
inline constexpr char kBackupAmount[] = "Amount is 100000000 over [%d]";
inline constexpr std::size_t kBackupAmountBuffer = 128;
// a declined cancellation could not be built for the backup route (its length, 0): the host's decline stands
inline constexpr char kBackupNotBuilt[] = " pack_len[%d] rtn[%d] ";
inline constexpr std::size_t kBackupNotBuiltBuffer = 64;
// the backup library's call failed: route back to primary, -8
inline constexpr char kBackupCallFailed[] = "Call ret false";
// the backup server answered through the backup library
inline constexpr char kBackupAnswered[] = "BACK UP DLL Return OK";
// the backup server does not hold the approval being cancelled (3600 or 2000): the primary host is asked
inline constexpr char kBackupUnknown[] = "org auth is not exist to BACKUP server ";
// Zelta_download could not connect: -5
inline constexpr char kDownloadConnectError[] = "CONNECT ERR";
// Zelta_download could not send its request: -4
inline constexpr char kDownloadSendError[] = "SEND ERR";
// no answer to Zelta_download within 10 seconds: -1
inline constexpr char kDownloadTimeout[] = "timeout socket";
// the wait for the download answer failed: -1
inline constexpr char kDownloadSelectError[] = "fail  sock select";
// the download answer begins with 0000
inline constexpr char kDownloadOk[] = "\264\331\277\356\267\316\265\345 \274\272\260\370";
// END GENERATED

}  // namespace zpos::log_lines
