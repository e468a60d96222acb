// The two records' fields, the values of resp_code and each export's results,
// with a typed property on Response for every response field. The generated
// blocks are written by tables/generate.py in the ZPosApp sources from the
// same tables as the library's own headers; they are not edited here.
namespace ZPosApp
{
    /// <summary>A field of a record: its name, offset (0-based) and width in bytes.</summary>
    public struct Field
    {
        public readonly string Name;
        public readonly int Offset;
        public readonly int Width;

        public Field(string name, int offset, int width)
        {
            Name = name;
            Offset = offset;
            Width = width;
        }
    }

    public static class Library
    {
// BEGIN GENERATED version: tables/generate.py
        public const string Version = "1.0.0";
// END GENERATED
    }

// BEGIN GENERATED record fields: tables/generate.py
    /// <summary>Every field of the 240-byte request record.</summary>
    public static class RequestFields
    {
        public const int Size = 240;
        /// <summary>four characters, not read</summary>
        public static readonly Field RecLen = new Field("rec_len", 0, 4);
        /// <summary>free for the POS; copied to the response</summary>
        public static readonly Field PosEcho = new Field("pos_echo", 4, 23);
        /// <summary>0200 approval or inquiry, 0420 cancellation; its second character (2 or 4) picks the response type</summary>
        public static readonly Field MsgType = new Field("msg_type", 27, 4);
        /// <summary>transaction kind (see the transaction kinds)</summary>
        public static readonly Field TranKind = new Field("tran_kind", 31, 2);
        /// <summary>not read; copied to the response</summary>
        public static readonly Field KindEcho = new Field("kind_echo", 33, 2);
        /// <summary>terminal id</summary>
        public static readonly Field TermId = new Field("term_id", 45, 10);
        /// <summary>@ card number keyed in, anything else card read</summary>
        public static readonly Field EntryMode = new Field("entry_mode", 55, 1);
        /// <summary>card data area, copied whole to the response (its first two bytes are not read)</summary>
        public static readonly Field CardData = new Field("card_data", 56, 39);
        /// <summary>inside card_data: track-2 image; keyed: card number, =, expiry YYMM; cash: the identity number</summary>
        public static readonly Field Track2 = new Field("track2", 58, 37);
        /// <summary>instalment months, two digits</summary>
        public static readonly Field InstallMonths = new Field("install_months", 95, 2);
        /// <summary>amount included in tran_amt and sent on its own</summary>
        public static readonly Field AmtExtra1 = new Field("amt_extra1", 97, 9);
        /// <summary>amount included in tran_amt and sent on its own</summary>
        public static readonly Field AmtExtra2 = new Field("amt_extra2", 106, 9);
        /// <summary>total amount; card and cash requests carry tran_amt - amt_extra1 - amt_extra2</summary>
        public static readonly Field TranAmt = new Field("tran_amt", 115, 9);
        /// <summary>cancellations: approval number being cancelled</summary>
        public static readonly Field OrgAuthNo = new Field("org_auth_no", 124, 8);
        /// <summary>cancellations: date being cancelled, YYMMDD</summary>
        public static readonly Field OrgAuthDate = new Field("org_auth_date", 132, 6);
        /// <summary>extra block, sent when it begins with TF</summary>
        public static readonly Field ExtTf = new Field("ext_tf", 160, 10);
        /// <summary>extra block, sent when its first byte is a letter</summary>
        public static readonly Field ExtPa = new Field("ext_pa", 170, 3);
        /// <summary>F1/F2: a first byte other than blank or zero asks for a signature at any amount</summary>
        public static readonly Field CvmData = new Field("cvm_data", 173, 16);
        /// <summary>sent as it stands</summary>
        public static readonly Field ChkCode = new Field("chk_code", 58, 2);
        /// <summary>sent as it stands</summary>
        public static readonly Field ChkNumber = new Field("chk_number", 60, 20);
        /// <summary>last six of chk_number, also sent on their own</summary>
        public static readonly Field ChkNumberTail = new Field("chk_number_tail", 74, 6);
        /// <summary>sent as it stands</summary>
        public static readonly Field ChkAccount = new Field("chk_account", 80, 13);
        /// <summary>cheque amount, nine digits</summary>
        public static readonly Field ChkAmount = new Field("chk_amount", 93, 9);
        /// <summary>points medium: 01, 02, 03, 04</summary>
        public static readonly Field PtMedia = new Field("pt_media", 55, 2);
        /// <summary>points operation: 01, 02, 03, 11, 12 (11, 12 cancel)</summary>
        public static readonly Field PtSub = new Field("pt_sub", 57, 2);
        /// <summary>points card data area, copied whole to the response</summary>
        public static readonly Field PtCardData = new Field("pt_card_data", 74, 39);
        /// <summary>inside pt_card_data: the points card track-2 image</summary>
        public static readonly Field PtTrack2 = new Field("pt_track2", 76, 37);
        /// <summary>amount</summary>
        public static readonly Field PtAmt = new Field("pt_amt", 114, 9);
        /// <summary>11 and 12: approval number being cancelled</summary>
        public static readonly Field PtOrgAuthNo = new Field("pt_org_auth_no", 139, 12);
        /// <summary>11 and 12: date being cancelled, YYMMDD</summary>
        public static readonly Field PtOrgAuthDate = new Field("pt_org_auth_date", 151, 6);
    }

    /// <summary>Every field of the 450-byte response record.</summary>
    public static class ResponseFields
    {
        public const int Size = 450;
        /// <summary>0450</summary>
        public static readonly Field RecLen = new Field("rec_len", 0, 4);
        /// <summary>the request's pos_echo</summary>
        public static readonly Field PosEcho = new Field("pos_echo", 4, 23);
        /// <summary>0210 for a request type with 2 as its second character, 0430 for 4</summary>
        public static readonly Field MsgType = new Field("msg_type", 27, 4);
        /// <summary>from the request</summary>
        public static readonly Field TranKind = new Field("tran_kind", 31, 2);
        /// <summary>from the request</summary>
        public static readonly Field KindEcho = new Field("kind_echo", 33, 2);
        /// <summary>ten blanks</summary>
        public static readonly Field HeadBlank = new Field("head_blank", 35, 10);
        /// <summary>from the request</summary>
        public static readonly Field TermId = new Field("term_id", 45, 10);
        /// <summary>result code (see the response codes)</summary>
        public static readonly Field RespCode = new Field("resp_code", 55, 4);
        /// <summary>from the request</summary>
        public static readonly Field EntryMode = new Field("entry_mode", 59, 1);
        /// <summary>the request's card_data</summary>
        public static readonly Field CardData = new Field("card_data", 60, 39);
        /// <summary>from the request</summary>
        public static readonly Field InstallMonths = new Field("install_months", 99, 2);
        /// <summary>from the request</summary>
        public static readonly Field AmtExtra1 = new Field("amt_extra1", 101, 9);
        /// <summary>from the request</summary>
        public static readonly Field AmtExtra2 = new Field("amt_extra2", 110, 9);
        /// <summary>from the request</summary>
        public static readonly Field TranAmt = new Field("tran_amt", 119, 9);
        /// <summary>card issuer code (two characters)</summary>
        public static readonly Field IssuerCode = new Field("issuer_code", 167, 2);
        /// <summary>card issuer name</summary>
        public static readonly Field IssuerName = new Field("issuer_name", 169, 20);
        /// <summary>acquirer code</summary>
        public static readonly Field AcquirerCode = new Field("acquirer_code", 189, 2);
        /// <summary>acquirer name</summary>
        public static readonly Field AcquirerName = new Field("acquirer_name", 191, 20);
        /// <summary>merchant number at the acquirer</summary>
        public static readonly Field MerchantNo = new Field("merchant_no", 211, 15);
        /// <summary>host date and time, YYMMDDhhmmss</summary>
        public static readonly Field TranDatetime = new Field("tran_datetime", 226, 12);
        /// <summary>approval number (approvals only)</summary>
        public static readonly Field AuthNo = new Field("auth_no", 238, 12);
        /// <summary>1 for a card the host marks D</summary>
        public static readonly Field CardClass = new Field("card_class", 262, 1);
        /// <summary>host message; a decline shows "line 1, line 2"; the library's refusal texts 망상취소불가 and 잔액조회불가 go here too</summary>
        public static readonly Field Message = new Field("message", 263, 40);
        /// <summary>display line from the host</summary>
        public static readonly Field InfoLine1 = new Field("info_line1", 303, 24);
        /// <summary>display line</summary>
        public static readonly Field InfoLine2 = new Field("info_line2", 327, 24);
        /// <summary>display line</summary>
        public static readonly Field InfoLine3 = new Field("info_line3", 351, 24);
        /// <summary>amount-type value from the host</summary>
        public static readonly Field Value1 = new Field("value1", 375, 9);
        /// <summary>amount-type value</summary>
        public static readonly Field Value2 = new Field("value2", 384, 9);
        /// <summary>amount-type value</summary>
        public static readonly Field Value3 = new Field("value3", 393, 9);
        /// <summary>YES when a signature was captured, NONE otherwise</summary>
        public static readonly Field SignFlag = new Field("sign_flag", 402, 4);
        /// <summary>eight blanks</summary>
        public static readonly Field ChkBlank = new Field("chk_blank", 59, 8);
        /// <summary>정상수표 for a valid cheque, else the host's two message lines "line 1, line 2"</summary>
        public static readonly Field ChkMessage = new Field("chk_message", 67, 34);
        /// <summary>from the request</summary>
        public static readonly Field PtMedia = new Field("pt_media", 59, 2);
        /// <summary>from the request</summary>
        public static readonly Field PtSub = new Field("pt_sub", 61, 2);
        /// <summary>host date YYYYMMDD</summary>
        public static readonly Field PtDate = new Field("pt_date", 63, 8);
        /// <summary>host time hhmmss</summary>
        public static readonly Field PtTime = new Field("pt_time", 71, 6);
        /// <summary>the request's pt_card_data</summary>
        public static readonly Field PtCardData = new Field("pt_card_data", 78, 39);
        /// <summary>the request's pt_amt</summary>
        public static readonly Field PtAmt = new Field("pt_amt", 118, 9);
        /// <summary>approval number (approvals only)</summary>
        public static readonly Field PtAuthNo = new Field("pt_auth_no", 143, 12);
        /// <summary>points company code</summary>
        public static readonly Field PtCompanyCode = new Field("pt_company_code", 158, 2);
        /// <summary>points company name</summary>
        public static readonly Field PtCompanyName = new Field("pt_company_name", 160, 20);
        /// <summary>merchant number</summary>
        public static readonly Field PtMerchantNo = new Field("pt_merchant_no", 180, 15);
        /// <summary>points value from the host</summary>
        public static readonly Field PtValue1 = new Field("pt_value1", 195, 9);
        /// <summary>points value</summary>
        public static readonly Field PtValue2 = new Field("pt_value2", 204, 9);
        /// <summary>points value</summary>
        public static readonly Field PtValue3 = new Field("pt_value3", 213, 9);
        /// <summary>host message</summary>
        public static readonly Field PtMessage = new Field("pt_message", 222, 40);
        /// <summary>display line</summary>
        public static readonly Field PtLine1 = new Field("pt_line1", 262, 24);
        /// <summary>display line (declined replies)</summary>
        public static readonly Field PtLine2 = new Field("pt_line2", 286, 24);
    }

    public sealed partial class Response
    {
        public string RecLen { get { return Text(ResponseFields.RecLen); } }
        public string PosEcho { get { return Text(ResponseFields.PosEcho); } }
        public string MsgType { get { return Text(ResponseFields.MsgType); } }
        public string TranKind { get { return Text(ResponseFields.TranKind); } }
        public string KindEcho { get { return Text(ResponseFields.KindEcho); } }
        public string HeadBlank { get { return Text(ResponseFields.HeadBlank); } }
        public string TermId { get { return Text(ResponseFields.TermId); } }
        public string RespCode { get { return Text(ResponseFields.RespCode); } }
        public string EntryMode { get { return Text(ResponseFields.EntryMode); } }
        public string CardData { get { return Text(ResponseFields.CardData); } }
        public string InstallMonths { get { return Text(ResponseFields.InstallMonths); } }
        public string AmtExtra1 { get { return Text(ResponseFields.AmtExtra1); } }
        public string AmtExtra2 { get { return Text(ResponseFields.AmtExtra2); } }
        public string TranAmt { get { return Text(ResponseFields.TranAmt); } }
        public string IssuerCode { get { return Text(ResponseFields.IssuerCode); } }
        public string IssuerName { get { return Text(ResponseFields.IssuerName); } }
        public string AcquirerCode { get { return Text(ResponseFields.AcquirerCode); } }
        public string AcquirerName { get { return Text(ResponseFields.AcquirerName); } }
        public string MerchantNo { get { return Text(ResponseFields.MerchantNo); } }
        public string TranDatetime { get { return Text(ResponseFields.TranDatetime); } }
        public string AuthNo { get { return Text(ResponseFields.AuthNo); } }
        public string CardClass { get { return Text(ResponseFields.CardClass); } }
        public string Message { get { return Text(ResponseFields.Message); } }
        public string InfoLine1 { get { return Text(ResponseFields.InfoLine1); } }
        public string InfoLine2 { get { return Text(ResponseFields.InfoLine2); } }
        public string InfoLine3 { get { return Text(ResponseFields.InfoLine3); } }
        public string Value1 { get { return Text(ResponseFields.Value1); } }
        public string Value2 { get { return Text(ResponseFields.Value2); } }
        public string Value3 { get { return Text(ResponseFields.Value3); } }
        public string SignFlag { get { return Text(ResponseFields.SignFlag); } }
        public string ChkBlank { get { return Text(ResponseFields.ChkBlank); } }
        public string ChkMessage { get { return Text(ResponseFields.ChkMessage); } }
        public string PtMedia { get { return Text(ResponseFields.PtMedia); } }
        public string PtSub { get { return Text(ResponseFields.PtSub); } }
        public string PtDate { get { return Text(ResponseFields.PtDate); } }
        public string PtTime { get { return Text(ResponseFields.PtTime); } }
        public string PtCardData { get { return Text(ResponseFields.PtCardData); } }
        public string PtAmt { get { return Text(ResponseFields.PtAmt); } }
        public string PtAuthNo { get { return Text(ResponseFields.PtAuthNo); } }
        public string PtCompanyCode { get { return Text(ResponseFields.PtCompanyCode); } }
        public string PtCompanyName { get { return Text(ResponseFields.PtCompanyName); } }
        public string PtMerchantNo { get { return Text(ResponseFields.PtMerchantNo); } }
        public string PtValue1 { get { return Text(ResponseFields.PtValue1); } }
        public string PtValue2 { get { return Text(ResponseFields.PtValue2); } }
        public string PtValue3 { get { return Text(ResponseFields.PtValue3); } }
        public string PtMessage { get { return Text(ResponseFields.PtMessage); } }
        public string PtLine1 { get { return Text(ResponseFields.PtLine1); } }
        public string PtLine2 { get { return Text(ResponseFields.PtLine2); } }
    }
// END GENERATED

// BEGIN GENERATED response codes and results: tables/generate.py
    /// <summary>The values of resp_code.</summary>
    public static class RespCode
    {
        public const string Approved = "0000"; // approved; cheque: a valid cheque
        public const string Declined = "8324"; // declined by the host; the reason is in message
        public const string ChequeInvalid = "1111"; // cheque inquiry: not a valid cheque
        public const string Timeout = "Time"; // no reply from the host in time
        public const string Refused = "NOTX"; // refused by the library, nothing sent
        public const string NoConnection = "COMM"; // no connection to the host
        public const string None = "    "; // no reply for another reason (four blanks); the function result tells why
    }

    /// <summary>Results of Zelta_Send.</summary>
    public enum SendResult
    {
        Replied = 1,
        Failed = -1,
        ShortFrame = -2,
        NotReadable = -3,
        NoEnq = -5,
        NoConnection = -6,
        BackupUnusable = -8,
        BackupNotBuilt = -9,
        NotBuilt = -10,
    }

    /// <summary>Results of Zelta_Ack.</summary>
    public enum AckResult
    {
        Closed = 1,
        NotSent = -5,
        ManagementFailed = -12,
        ManagementSent = -13,
    }

    /// <summary>Results of Zelta_download.</summary>
    public enum DownloadResult
    {
        NoAnswer = -1,
        NotSent = -4,
        NoConnection = -5,
    }

    /// <summary>A short English text for each result.</summary>
    public static class ResultText
    {
        public static string Of(SendResult result)
        {
            switch (result)
            {
                case SendResult.Replied: return "the host replied; resp_code tells approved or declined";
                case SendResult.Failed: return "refused by the library (NOTX), no reply in time (Time) or a broken reply";
                case SendResult.ShortFrame: return "the host answered with a short frame";
                case SendResult.NotReadable: return "the link was not readable";
                case SendResult.NoEnq: return "no ENQ from the host, or the request was not sent";
                case SendResult.NoConnection: return "no connection to the host (COMM)";
                case SendResult.BackupUnusable: return "the backup library is unusable";
                case SendResult.BackupNotBuilt: return "the backup request could not be built";
                case SendResult.NotBuilt: return "the request could not be built (amount over the limit, or the pad refused)";
                default: return "unknown result";
            }
        }
        public static string Of(AckResult result)
        {
            switch (result)
            {
                case AckResult.Closed: return "the host closed the transaction (or the backup route is in use)";
                case AckResult.NotSent: return "the ACK was not sent (no open link)";
                case AckResult.ManagementFailed: return "no close from the host, and the management message failed";
                case AckResult.ManagementSent: return "no close from the host; the management message reported the transaction";
                default: return "unknown result";
            }
        }
        public static string Of(DownloadResult result)
        {
            switch (result)
            {
                case DownloadResult.NoAnswer: return "no answer in time";
                case DownloadResult.NotSent: return "the request was not sent";
                case DownloadResult.NoConnection: return "no connection to the server";
                default: return (int)result > 0 ? "bytes received" : "unknown result";
            }
        }
    }
// END GENERATED
}
