// The C# binding against the real library and zpos-host (started by
// tests/common/with_host.sh, ports in ZPOS_HOST_PORT and ZPOS_DOWNLOAD_PORT):
// typed requests of every kind approved, receipts read by name with Korean
// decoded, acknowledgements, the download, input refused before anything is
// sent, and the files in the application directory named. Plain checks, no
// test framework: mono's compiler alone builds it. The last line counts them
// (not as "N passed, M failed", which the test command reads as a stage's count).
using System;
using System.IO;
using ZPosApp;

static class ZPosAppTests
{
    const string Host = "127.0.0.1";
    const string Track = "9410123456789012=2812101";
    static int passed, failed;

    static void Check(bool ok, string what, string detail = "")
    {
        Console.WriteLine((ok ? "ok   " : "FAIL ") + what + (ok || detail == "" ? "" : ": " + detail));
        if (ok) ++passed; else ++failed;
    }

    static bool Throws<T>(Action action) where T : Exception
    {
        try { action(); } catch (T) { return true; }
        return false;
    }

    static int Main()
    {
        int port = int.Parse(Environment.GetEnvironmentVariable("ZPOS_HOST_PORT"));
        int downloadPort = int.Parse(Environment.GetEnvironmentVariable("ZPOS_DOWNLOAD_PORT"));
        string appDir = Path.Combine(Path.GetTempPath(), "zposapp-dotnet-" + System.Diagnostics.Process.GetCurrentProcess().Id);
        var pos = new Client(appDir);

        Response r = pos.Send(Host, port, new CardApproval(Track, 1004));
        Check(r.Approved && r.Result == SendResult.Replied && r.RespCode == RespCode.Approved, "card approval approved",
              r.Result + " " + r.RespCode);
        Check(r.AuthNo == "12345678" && r.IssuerName == "국민카드" && r.Message == "정상승인" && r.TranAmt == "000001004",
              "receipt fields by name, Korean decoded", r.AuthNo + "|" + r.IssuerName + "|" + r.Message + "|" + r.TranAmt);
        Check(pos.Ack() == AckResult.Closed, "Zelta_Ack closes the approval");
        Check(pos.Ack() == AckResult.NotSent, "a second Zelta_Ack finds no link");
        Check(File.Exists(Path.Combine(appDir, "ZposSign.ini")) && Directory.GetFiles(Path.Combine(appDir, "Logs")).Length == 1,
              "settings file and log in the application directory named");

        r = pos.Send(Host, port, new CardApproval("5410123456789012=2812101", 30000));
        Check(r.RespCode == RespCode.Declined && r.Message == "사용불가카드," && !r.Approved,
              "decline with the host's Korean message", r.RespCode + " " + r.Message);
        Check(pos.Ack() == AckResult.NotSent, "the library acknowledged the decline itself");

        Request[] requests = {
            new CardCancel(Track, 1004, "12345678", "261206"), new CashApproval("8001011234567", 5000),
            new CashCancel("8001011234567", 5000, "12345678", "261206"), new KtApproval(Track, 2000),
            new KtCancel(Track, 2000, "12345678", "261206"), new F1Approval(Track, 3000),
            new F2Cancel(Track, 3000, "12345678", "261206"),
            new ChequeInquiry("12", "00000000001234567890", "1234567890123", 100000),
            new Points(PointsOperation.Earn, Track, 5000), new Points(PointsOperation.UseCancel, Track, 5000, "02", "12345678", "261206"),
        };
        foreach (Request q in requests)
        {
            r = q.IsPoints ? pos.OKCashbag(Host, port, (Points)q) : pos.Send(Host, port, q);
            string kind = q.GetType().Name;
            Check(r.Approved && r.TranKind == Text(q, RequestFields.TranKind), kind + " taken and approved",
                  r.Result + " " + r.RespCode + " " + r.Message);
            Check(pos.Ack() == AckResult.Closed, kind + " acknowledged");
        }
        Check(pos.Send(Host, port, requests[7]).ChkMessage == "정상수표", "cheque message decoded");
        pos.Ack();

        Action[] refused = {
            () => new CardApproval(Track, 1004).SetNumber(RequestFields.TranAmt, "00000abcd"),
            () => new CardApproval(Track, -1), () => new CardApproval(Track, 1000000000),
            () => new CardApproval(Track + "12345678901234", 1004), () => new CardApproval(Track, 1004, 100),
            () => new CardApproval(Track, 1000, 0, false, 600, 600), () => new CardCancel(Track, 1004, null, null),
            () => new Points(PointsOperation.EarnCancel, Track, 5000), () => new Points((PointsOperation)4, Track, 5000),
            () => new Points(PointsOperation.Earn, Track, 5000, "01", "12345678"),
        };
        for (int i = 0; i < refused.Length; ++i)
            Check(Throws<FieldException>(refused[i]), "value that does not fit refused, case " + i);
        Check(Throws<ArgumentException>(() => pos.Send("127.0.0.1.localhost", port, new CardApproval(Track, 1004))) &&
              Throws<ArgumentException>(() => pos.Download(Host, downloadPort, new string('x', 25))),
              "an address or download text the library would cut is refused");

        Download d = pos.Download(Host, downloadPort, "DOWNLOAD 0001");
        Check(d.Ok && d.Result == 15 && d.Answer == "0000DOWNLOAD OK", "download answer", d.Result + " " + d.Answer);

        Directory.Delete(appDir, true);
        Console.WriteLine("ZPosAppTests: {0} of {1} checks passed", passed, passed + failed);
        return failed == 0 ? 0 : 1;
    }

    static string Text(Request request, Field field)
    {
        return System.Text.Encoding.ASCII.GetString(request.ToBytes(), field.Offset, field.Width);
    }
}
