// The ZPosApp payment client library from C#: its four exports through
// P/Invoke with byte-array records, typed requests that refuse a value that
// does not fit before anything is sent, and responses whose fields read by name
// with Korean decoded from CP949, and one turn at the library for the whole
// process. Field offsets and results come from Records.cs, which
// tables/generate.py writes; nothing here repeats a number.
using System;
using System.IO;
using System.Reflection;
using System.Runtime.InteropServices;
using System.Text;
using System.Threading;

namespace ZPosApp
{
    /// <summary>A value the library cannot take as it is: one that does not
    /// fit its field of the request record, or an address, port or download
    /// text that the library would cut or misread. Thrown before any call.</summary>
    public sealed class FieldException : ArgumentException
    {
        public FieldException(string message) : base(message) { }
    }

    internal static class Native
    {
        private static readonly bool Windows = Environment.OSVersion.Platform == PlatformID.Win32NT;
        private static bool loaded;

        public static int Zelta_Send(byte[] host, int port, byte[] request, byte[] response)
        {
            return Windows ? Dll.Zelta_Send(host, port, request, response) : So.Zelta_Send(host, port, request, response);
        }

        public static int Zelta_OKCashbag(byte[] host, int port, byte[] request, byte[] response)
        {
            return Windows ? Dll.Zelta_OKCashbag(host, port, request, response)
                           : So.Zelta_OKCashbag(host, port, request, response);
        }

        public static int Zelta_Ack() { return Windows ? Dll.Zelta_Ack() : So.Zelta_Ack(); }

        public static int Zelta_download(byte[] server, int port, byte[] request, byte[] answer)
        {
            return Windows ? Dll.Zelta_download(server, port, request, answer) : So.Zelta_download(server, port, request, answer);
        }

        /// <summary>On Windows, the DLL of this process's width from the
        /// release's x86 or x64 folder beside the executable: once loaded by
        /// its full path, it is the module "ZPosApp.dll" binds to. Without
        /// that folder the usual DLL search applies.</summary>
        public static void LoadForThisProcess()
        {
            if (!Windows || loaded) return;
            string path = Path.Combine(AppDomain.CurrentDomain.BaseDirectory, Environment.Is64BitProcess ? "x64" : "x86",
                                       "ZPosApp.dll");
            if (File.Exists(path) && LoadLibraryW(path) == IntPtr.Zero)
                throw new DllNotFoundException(path + ": Windows error " + Marshal.GetLastWin32Error());
            loaded = true;
        }

        /// <summary>Names ZPOS_APP_DIR where the library reads it. Mono's and
        /// Windows' environment is the process's own; .NET on Linux keeps a
        /// copy the library does not see, so glibc's setenv writes the
        /// process's, where glibc is this process's C library.</summary>
        public static void SetAppDir(string value)
        {
            bool copy = !Windows && Type.GetType("Mono.Runtime") == null;
            if (copy && !GlibcIsTheCLibrary())
                throw new PlatformNotSupportedException("appDir: on this system set ZPOS_APP_DIR before the process starts");
            Environment.SetEnvironmentVariable("ZPOS_APP_DIR", value);
            if (copy) setenv("ZPOS_APP_DIR", value, 1);
        }

        private static bool GlibcIsTheCLibrary()
        {
            try
            {
                foreach (string line in File.ReadAllLines("/proc/self/maps"))
                    if (line.EndsWith("/libc.so.6", StringComparison.Ordinal) ||
                        (line.Contains("/libc-2.") && line.EndsWith(".so", StringComparison.Ordinal)))
                        return true;
            }
            catch (IOException) { }
            catch (UnauthorizedAccessException) { }
            return false;
        }

        // The Windows DLL: the standard calling convention of the 32-bit
        // library, which 64-bit code ignores.
        private static class Dll
        {
            private const string Lib = "ZPosApp.dll";

            [DllImport(Lib, CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
            public static extern int Zelta_Send(byte[] host, int port, byte[] request, [Out] byte[] response);

            [DllImport(Lib, CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
            public static extern int Zelta_OKCashbag(byte[] host, int port, byte[] request, [Out] byte[] response);

            [DllImport(Lib, CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
            public static extern int Zelta_Ack();

            [DllImport(Lib, CallingConvention = CallingConvention.StdCall, ExactSpelling = true)]
            public static extern int Zelta_download(byte[] server, int port, byte[] request, [Out] byte[] answer);
        }

        // The runtime package ships the library under this name only; the
        // unversioned libZPosApp.so comes with the development package.
        private static class So
        {
            private const string Lib = "libZPosApp.so.1";

            [DllImport(Lib, ExactSpelling = true)]
            public static extern int Zelta_Send(byte[] host, int port, byte[] request, [Out] byte[] response);

            [DllImport(Lib, ExactSpelling = true)]
            public static extern int Zelta_OKCashbag(byte[] host, int port, byte[] request, [Out] byte[] response);

            [DllImport(Lib, ExactSpelling = true)]
            public static extern int Zelta_Ack();

            [DllImport(Lib, ExactSpelling = true)]
            public static extern int Zelta_download(byte[] server, int port, byte[] request, [Out] byte[] answer);
        }

        [DllImport("kernel32.dll", CharSet = CharSet.Unicode, SetLastError = true)]
        private static extern IntPtr LoadLibraryW(string path);

        [DllImport("libc.so.6")]
        private static extern int setenv(string name, string value, int overwrite);
    }

    internal static class CardMask
    {
        /// <summary>The fields that hold a card number or track image.</summary>
        public static bool Holds(Field field)
        {
            return field.Name == RequestFields.Track2.Name || field.Name == RequestFields.CardData.Name ||
                   field.Name == RequestFields.PtTrack2.Name || field.Name == RequestFields.PtCardData.Name;
        }

        /// <summary>A card number or track image as a log may show it: of its
        /// first run of digits (the card number) the first six and last four
        /// stay (of ten digits or fewer, the first six); every other character
        /// after them but blanks shows as '*'.</summary>
        public static string Of(string text)
        {
            int begin = 0;
            while (begin < text.Length && !IsDigit(text[begin])) ++begin;
            int end = begin;
            while (end < text.Length && IsDigit(text[end])) ++end;
            int tail = end - begin > 10 ? end - 4 : end;
            var masked = new StringBuilder(text.Length);
            for (int i = 0; i < text.Length; ++i)
                masked.Append(i < begin + 6 || (i >= tail && i < end) || text[i] == ' ' ? text[i] : '*');
            return masked.ToString();
        }

        private static bool IsDigit(char c) { return c >= '0' && c <= '9'; }
    }

    internal static class Cp949
    {
        // .NET Core has code page 949 only once the code pages provider is
        // registered; .NET Framework and mono (with its CJK encodings) have it
        // built in. Looked up by name so that one source builds for all three.
        // A character outside CP949 throws rather than going out as '?'.
        public static readonly Encoding Encoding = Load();

        private static Encoding Load()
        {
            Type provider = Type.GetType("System.Text.CodePagesEncodingProvider, System.Text.Encoding.CodePages");
            PropertyInfo instance = provider == null ? null : provider.GetProperty("Instance");
            MethodInfo register = typeof(Encoding).GetMethod("RegisterProvider");
            if (instance != null && register != null) register.Invoke(null, new[] { instance.GetValue(null) });
            return Encoding.GetEncoding(949, EncoderFallback.ExceptionFallback, DecoderFallback.ReplacementFallback);
        }

        // Text up to a zero byte, as it stands.
        public static string UpToZero(byte[] bytes, int offset, int width)
        {
            int length = 0;
            while (length < width && bytes[offset + length] != 0) ++length;
            return Encoding.GetString(bytes, offset, length);
        }

        // A field's text, without the blanks that fill it.
        public static string Text(byte[] record, int offset, int width)
        {
            return UpToZero(record, offset, width).TrimEnd(' ');
        }
    }

    /// <summary>A 240-byte request record: blanks, the head, then fields set
    /// by name. Kinds without a class of their own ("70", "90") are built
    /// with this class directly.</summary>
    public class Request
    {
        public const string DefaultTermId = "1200000001";
        private readonly byte[] record = new byte[RequestFields.Size];

        public Request(string msgType, string tranKind, string termId = DefaultTermId, string posEcho = "")
        {
            for (int i = 0; i < record.Length; ++i) record[i] = (byte)' ';
            SetNumber(RequestFields.RecLen, RequestFields.Size);
            if (msgType == null || msgType.Length != RequestFields.MsgType.Width)
                throw new FieldException("msg_type: '" + msgType + "' is not four characters");
            if (tranKind == null || tranKind.Length != RequestFields.TranKind.Width)
                throw new FieldException("tran_kind: '" + tranKind + "' is not two characters");
            SetText(RequestFields.MsgType, msgType);
            SetText(RequestFields.TranKind, tranKind);
            SetText(RequestFields.TermId, termId);
            SetText(RequestFields.PosEcho, posEcho);
        }

        public virtual bool IsPoints { get { return false; } }

        /// <summary>The record as the library takes it (a copy).</summary>
        public byte[] ToBytes() { return (byte[])record.Clone(); }

        /// <summary>The text (CP949), then blanks to the field's width; a longer
        /// text, or one with characters outside CP949, is refused. A refused
        /// card number shows masked.</summary>
        public Request SetText(Field field, string text)
        {
            if (text == null) throw new FieldException(field.Name + ": no text");
            string shown = "'" + (CardMask.Holds(field) ? CardMask.Of(text) : text) + "'";
            byte[] bytes;
            try
            {
                bytes = Cp949.Encoding.GetBytes(text);
            }
            catch (EncoderFallbackException)
            {
                throw new FieldException(field.Name + ": " + shown + " has characters outside CP949");
            }
            if (bytes.Length > field.Width || Array.IndexOf(bytes, (byte)0) >= 0)
                throw new FieldException(field.Name + ": " + shown + " does not fit " + field.Width + " bytes");
            for (int i = 0; i < field.Width; ++i) record[field.Offset + i] = i < bytes.Length ? bytes[i] : (byte)' ';
            return this;
        }

        /// <summary>Digits only, right-aligned with zeros in front: "00000abcd" is refused.</summary>
        public Request SetNumber(Field field, string digits)
        {
            if (string.IsNullOrEmpty(digits)) throw new FieldException(field.Name + ": no digits");
            foreach (char c in digits)
                if (c < '0' || c > '9') throw new FieldException(field.Name + ": '" + digits + "' is not digits");
            if (digits.Length > field.Width)
                throw new FieldException(field.Name + ": '" + digits + "' does not fit " + field.Width + " digits");
            return SetText(field, digits.PadLeft(field.Width, '0'));
        }

        /// <summary>The approval number and date (YYMMDD) of what a cancellation
        /// cancels: both for a cancellation, neither for anything else.</summary>
        protected void SetOriginal(bool cancels, Field number, Field date, string authNo, string authDate)
        {
            if ((authNo != null) != cancels || (authDate != null) != cancels)
                throw new FieldException(number.Name + " and " + date.Name + " go with a cancellation, and only there");
            if (!cancels) return;
            SetText(number, authNo);
            SetNumber(date, authDate);
        }

        public Request SetNumber(Field field, long value)
        {
            if (value < 0) throw new FieldException(field.Name + ": " + value + " is negative");
            return SetNumber(field, value.ToString(System.Globalization.CultureInfo.InvariantCulture));
        }
    }

    /// <summary>Card-layout requests: a track image (a keyed card number, or
    /// for cash the identity number) and an amount; cancellations also carry
    /// the approval number and date (YYMMDD) of what they cancel.</summary>
    public abstract class CardKind : Request
    {
        protected CardKind(string msgType, string tranKind, string track2, long amount, string orgAuthNo,
                           string orgAuthDate, bool keyed, int months, long extra1, long extra2, string termId)
            : base(msgType, tranKind, termId)
        {
            SetText(RequestFields.EntryMode, keyed ? "@" : "S");
            SetText(RequestFields.Track2, track2);
            SetNumber(RequestFields.InstallMonths, months);
            SetNumber(RequestFields.AmtExtra1, extra1);
            SetNumber(RequestFields.AmtExtra2, extra2);
            SetNumber(RequestFields.TranAmt, amount);
            if (extra1 + extra2 > amount)
                throw new FieldException("amt_extra1 and amt_extra2 are part of tran_amt and cannot exceed it");
            SetOriginal(msgType == "0420", RequestFields.OrgAuthNo, RequestFields.OrgAuthDate, orgAuthNo, orgAuthDate);
        }
    }

    public sealed class CardApproval : CardKind
    {
        public CardApproval(string track2, long amount, int months = 0, bool keyed = false, long extra1 = 0,
                            long extra2 = 0, string termId = DefaultTermId)
            : base("0200", "10", track2, amount, null, null, keyed, months, extra1, extra2, termId) { }
    }

    public sealed class CardCancel : CardKind
    {
        public CardCancel(string track2, long amount, string orgAuthNo, string orgAuthDate, int months = 0,
                          bool keyed = false, long extra1 = 0, long extra2 = 0, string termId = DefaultTermId)
            : base("0420", "30", track2, amount, orgAuthNo, orgAuthDate, keyed, months, extra1, extra2, termId) { }
    }

    public sealed class CashApproval : CardKind
    {
        public CashApproval(string identity, long amount, bool keyed = true, string termId = DefaultTermId)
            : base("0200", "21", identity, amount, null, null, keyed, 0, 0, 0, termId) { }
    }

    public sealed class CashCancel : CardKind
    {
        public CashCancel(string identity, long amount, string orgAuthNo, string orgAuthDate, bool keyed = true,
                          string termId = DefaultTermId)
            : base("0420", "21", identity, amount, orgAuthNo, orgAuthDate, keyed, 0, 0, 0, termId) { }
    }

    /// <summary>Kind "KT"; an amount of 1 asks for a balance, which the library refuses (NOTX).</summary>
    public sealed class KtApproval : CardKind
    {
        public KtApproval(string track2, long amount, int months = 0, string termId = DefaultTermId)
            : base("0200", "KT", track2, amount, null, null, false, months, 0, 0, termId) { }
    }

    public sealed class KtCancel : CardKind
    {
        public KtCancel(string track2, long amount, string orgAuthNo, string orgAuthDate, string termId = DefaultTermId)
            : base("0420", "KT", track2, amount, orgAuthNo, orgAuthDate, false, 0, 0, 0, termId) { }
    }

    /// <summary>Kind "F1"; cvmData not blank asks for a signature at any amount.</summary>
    public sealed class F1Approval : CardKind
    {
        public F1Approval(string track2, long amount, string cvmData = null, string termId = DefaultTermId)
            : base("0200", "F1", track2, amount, null, null, false, 0, 0, 0, termId)
        {
            if (cvmData != null) SetText(RequestFields.CvmData, cvmData);
        }
    }

    public sealed class F2Cancel : CardKind
    {
        public F2Cancel(string track2, long amount, string orgAuthNo, string orgAuthDate, string termId = DefaultTermId)
            : base("0420", "F2", track2, amount, orgAuthNo, orgAuthDate, false, 0, 0, 0, termId) { }
    }

    /// <summary>Kind "20": is this cheque valid? The fields go to the host as they stand.</summary>
    public sealed class ChequeInquiry : Request
    {
        public ChequeInquiry(string code, string number, string account, long amount, string termId = DefaultTermId)
            : base("0200", "20", termId)
        {
            SetText(RequestFields.ChkCode, code);
            SetText(RequestFields.ChkNumber, number);
            SetText(RequestFields.ChkAccount, account);
            SetNumber(RequestFields.ChkAmount, amount);
        }
    }

    /// <summary>pt_sub of a points request.</summary>
    public enum PointsOperation { Earn = 1, Use = 2, Inquiry = 3, EarnCancel = 11, UseCancel = 12 }

    /// <summary>A points (OK Cashbag) operation; media is the points medium "01" to "04".</summary>
    public sealed class Points : Request
    {
        public Points(PointsOperation operation, string track2, long amount, string media = "01",
                      string orgAuthNo = null, string orgAuthDate = null, string termId = DefaultTermId)
            : base(Cancels(operation) ? "0420" : "0200", "40", termId)
        {
            if (!Enum.IsDefined(typeof(PointsOperation), operation))
                throw new FieldException("pt_sub: " + (int)operation + " is not a points operation");
            if (media != "01" && media != "02" && media != "03" && media != "04")
                throw new FieldException("pt_media: '" + media + "' is not 01, 02, 03 or 04");
            SetText(RequestFields.PtMedia, media);
            SetNumber(RequestFields.PtSub, (long)operation);
            SetText(RequestFields.PtTrack2, track2);
            SetNumber(RequestFields.PtAmt, amount);
            SetOriginal(Cancels(operation), RequestFields.PtOrgAuthNo, RequestFields.PtOrgAuthDate, orgAuthNo,
                        orgAuthDate);
        }

        public override bool IsPoints { get { return true; } }

        private static bool Cancels(PointsOperation operation)
        {
            return operation == PointsOperation.EarnCancel || operation == PointsOperation.UseCancel;
        }
    }

    /// <summary>A 450-byte response record and the result of the call that
    /// filled it. Every field reads by name (AuthNo, IssuerName, PtCompanyName)
    /// as text without its trailing blanks, Korean decoded from CP949.</summary>
    public sealed partial class Response
    {
        public Response(int result, byte[] record)
        {
            Result = (SendResult)result;
            Record = record;
        }

        public SendResult Result { get; private set; }
        public byte[] Record { get; private set; }

        public bool Approved
        {
            get { return Result == SendResult.Replied && RespCode == global::ZPosApp.RespCode.Approved; }
        }

        public string Text(Field field) { return Cp949.Text(Record, field.Offset, field.Width); }
    }

    /// <summary>What Zelta_download returned: the bytes received and the answer, or a failure.</summary>
    public sealed class Download
    {
        public Download(int result, string answer)
        {
            Result = result;
            Answer = answer;
        }

        public int Result { get; private set; }
        public string Answer { get; private set; }
        public bool Ok { get { return Result > 0; } }
        public DownloadResult Failure { get { return (DownloadResult)Result; } }
    }

    /// <summary>The library's four exports. With appDir the library keeps its
    /// settings file and logs in that folder (created if missing) rather than
    /// beside the executable, which for a hosted runtime is the runtime's own
    /// folder; a process has one application directory, and a client naming
    /// another is refused.
    ///
    /// The calls are synchronous. Any number of clients and threads may call:
    /// each call waits for its turn at the library, and Transaction() keeps
    /// the turn from Send to Ack.</summary>
    public sealed class Client
    {
        private const int HostChars = 15;      // the library uses the first 15 characters of an address,
        private const int DownloadChars = 24;  // the first 24 of a download request
        private const int AppDirChars = 200;   // and the first 200 of the application directory
        private const int DownloadAnswerSize = 1025;

        // The library keeps one link and one set of buffers for the whole
        // process, so every client shares one turn at it. A Monitor is
        // reentrant: a transaction's own calls take it again.
        private static readonly object Turn = new object();
        private static string appDirInUse;

        public Client(string appDir = null)
        {
            lock (Turn)
            {
                Native.LoadForThisProcess();
                if (appDir != null) TakeAppDir(appDir);
            }
        }

        // The library reads ZPOS_APP_DIR at every call, so a second folder
        // would move the first client's settings and logs.
        private static void TakeAppDir(string appDir)
        {
            bool windows = Environment.OSVersion.Platform == PlatformID.Win32NT;
            string full = Path.GetFullPath(appDir);
            // The library reads the name in the ANSI code page (Korean) on Windows, as UTF-8 elsewhere.
            int length;
            try
            {
                length = (windows ? Cp949.Encoding : Encoding.UTF8).GetByteCount(full);
            }
            catch (EncoderFallbackException)
            {
                length = int.MaxValue;
            }
            if (length > AppDirChars)
                throw new ArgumentException("appDir: '" + full + "' is not a path of at most " + AppDirChars +
                                            " bytes that the library can read");
            if (appDirInUse != null &&
                !string.Equals(appDirInUse, full, windows ? StringComparison.OrdinalIgnoreCase : StringComparison.Ordinal))
                throw new ArgumentException("appDir: this process keeps its settings and logs in '" + appDirInUse +
                                            "' already, not '" + full + "'");
            Directory.CreateDirectory(full);
            Native.SetAppDir(full);
            appDirInUse = full;
        }

        /// <summary>Keeps the library to this thread from Send to Ack, until
        /// the scope is disposed (on the same thread): another thread's call
        /// would close the link before its acknowledgement. Every call of
        /// every client waits for the scope's end; the holding thread's own
        /// calls go through.</summary>
        public IDisposable Transaction()
        {
            Monitor.Enter(Turn);
            return new Held();
        }

        /// <summary>As Transaction(), or TimeoutException when another
        /// thread's transaction does not end within timeout.</summary>
        public IDisposable Transaction(TimeSpan timeout)
        {
            if (!Monitor.TryEnter(Turn, timeout))
                throw new TimeoutException("another thread's transaction did not end within " + timeout);
            return new Held();
        }

        private sealed class Held : IDisposable
        {
            private int released;

            public void Dispose()
            {
                if (Interlocked.Exchange(ref released, 1) == 0) Monitor.Exit(Turn);
            }
        }

        /// <summary>Zelta_Send: any request, card, cash, cheque or points.</summary>
        public Response Send(string host, int port, Request request)
        {
            return Exchange(Native.Zelta_Send, host, port, request);
        }

        /// <summary>Zelta_OKCashbag: points requests only, always to the primary host.</summary>
        public Response OKCashbag(string host, int port, Points request)
        {
            return Exchange(Native.Zelta_OKCashbag, host, port, request);
        }

        /// <summary>Zelta_Ack: confirms the last approval once its receipt is printed.</summary>
        public AckResult Ack()
        {
            lock (Turn) return (AckResult)Native.Zelta_Ack();
        }

        /// <summary>Zelta_download: one request text of at most 24 bytes, one answer.</summary>
        public Download Download(string server, int port, string text)
        {
            byte[] request = null;
            try
            {
                if (text != null) request = Cp949.Encoding.GetBytes(text);
            }
            catch (EncoderFallbackException) { }
            if (request == null || request.Length > DownloadChars || Array.IndexOf(request, (byte)0) >= 0)
                throw new FieldException("text: not a request of at most " + DownloadChars + " bytes of CP949 without a zero byte");
            Array.Resize(ref request, request.Length + 1);  // its terminating zero
            byte[] address = Address("server", server), answer = new byte[DownloadAnswerSize];
            int checkedPort = Port(port), result;
            lock (Turn) result = Native.Zelta_download(address, checkedPort, request, answer);
            return new Download(result, result > 0 ? Cp949.UpToZero(answer, 0, answer.Length) : "");
        }

        // Every argument is checked before the turn is taken.
        private static Response Exchange(Func<byte[], int, byte[], byte[], int> export, string host, int port,
                                         Request request)
        {
            if (request == null) throw new ArgumentNullException("request");
            byte[] address = Address("host", host), record = request.ToBytes(), response = new byte[ResponseFields.Size];
            int checkedPort = Port(port), result;
            lock (Turn) result = export(address, checkedPort, record, response);
            return new Response(result, response);
        }

        // ASCII only, no zero byte: anything else the library would cut or misread.
        private static byte[] Address(string name, string value)
        {
            bool ok = !string.IsNullOrEmpty(value) && value.Length <= HostChars;
            for (int i = 0; ok && i < value.Length; ++i) ok = value[i] > 0 && value[i] < 0x80;
            if (!ok) throw new FieldException(name + ": '" + value + "' is not an ASCII address of 1 to " + HostChars + " characters");
            return Encoding.ASCII.GetBytes(value + "\0");
        }

        private static int Port(int port)
        {
            if (port < 1 || port > 65535) throw new FieldException("port: " + port + " is not from 1 to 65535");
            return port;
        }
    }
}
