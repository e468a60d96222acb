// The C# binding against the real library and zpos-host (ports in ZPOS_HOST_PORT
// and ZPOS_DOWNLOAD_PORT). Plain checks so that mono's compiler alone builds it;
// the last line is not "N passed, M failed", which the test command reads as a stage's count.
using System;
using System.Collections.Concurrent;
using System.IO;
using System.Threading;
using ZPosApp;

static class ZPosAppTests
{
    const string Host = "127.0.0.1";
    const string Card = "9410123456789012";
    const string Track = Card + "=2812101";
    static int passed, failed;

    static void Check(bool ok, string what, string detail = "")
    {
        Console.WriteLine((ok ? "ok   " : "FAIL ") + what + (ok || detail == "" ? "" : ": " + detail));
        if (ok) ++passed; else ++failed;
    }

    static Exception Caught(Action action)
    {
        try { action(); } catch (Exception e) { return e; }
        return null;
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
            Check(r.Approved && r.TranKind == Text(q, RequestFields.TranKind) && (!(q is ChequeInquiry) || r.ChkMessage == "정상수표"),
                  kind + " taken and approved", r.Result + " " + r.RespCode + " " + r.Message);
            Check(pos.Ack() == AckResult.Closed, kind + " acknowledged");
        }

        Action[] refused = {
            () => new CardApproval(Track, 1004).SetNumber(RequestFields.TranAmt, "00000abcd"),
            () => new CardApproval(Track, -1), () => new CardApproval(Track, 1000000000),
            () => new CardApproval(Track + "12345678901234", 1004), () => new CardApproval(Track, 1004, 100),
            () => new CardApproval(Track, 1000, 0, false, 600, 600), () => new CardCancel(Track, 1004, null, null),
            () => new Points(PointsOperation.EarnCancel, Track, 5000), () => new Points((PointsOperation)4, Track, 5000),
            () => new Points(PointsOperation.Earn, Track, 5000, "01", "12345678"),
            () => new Points(PointsOperation.Earn, Track + "00000000000000", 5000),
            () => new CardApproval(Track + "é", 1004), () => new CardApproval(Track + "\U0001F4B3", 1004),
            () => new CardApproval(Track.Substring(0, 8) + "\0" + Track.Substring(8), 1004),
            () => pos.Send("127.0.0.1.localhost", port, new CardApproval(Track, 1004)),
            () => pos.Send("１27.0.0.1", port, new CardApproval(Track, 1004)),
            () => pos.Send(Host + "\0.9", port, new CardApproval(Track, 1004)),
            () => pos.Download(Host, downloadPort, new string('x', 25)),
            () => pos.Download(Host, downloadPort, "DOWNLOAD\0 0001"),
        };
        for (int i = 0; i < refused.Length; ++i)
        {
            Exception refusal = Caught(refused[i]);
            Check(refusal is FieldException && !ShowsCard(refusal.Message), "refused before the call, card masked, case " + i,
                  refusal == null ? "not refused" : refusal.GetType().Name + ": " + refusal.Message);
        }
        string overlong = Caught(() => new CardApproval(Track + "XXXXXXXXXXXXXX", 1000))?.Message;
        Check(overlong == "track2: '941012******9012**********************' does not fit 37 bytes",
              "a refused track shows masked", overlong);

        Check(Caught(() => new Client(appDir + "-other")) is ArgumentException && !Directory.Exists(appDir + "-other") &&
              Environment.GetEnvironmentVariable("ZPOS_APP_DIR") == appDir,
              "a second application directory is refused");
        new Client(appDir);  // the same folder again is no change
        CallWaitsForTransaction(pos, port);

        Download d = pos.Download(Host, downloadPort, "DOWNLOAD 0001");
        Check(d.Ok && d.Result == 15 && d.Answer == "0000DOWNLOAD OK", "download answer", d.Result + " " + d.Answer);

        Directory.Delete(appDir, true);
        Console.WriteLine("ZPosAppTests: {0} of {1} checks passed", passed, passed + failed);
        return failed == 0 ? 0 : 1;
    }

    // No seven digits of the card number in a row: its first six and last four at most.
    static bool ShowsCard(string text)
    {
        for (int i = 0; i + 7 <= Card.Length; ++i)
            if (text.Contains(Card.Substring(i, 7))) return true;
        return false;
    }

    // Another thread's call waits until the open transaction ends, and the
    // holding thread enters again.
    static void CallWaitsForTransaction(Client pos, int port)
    {
        var order = new ConcurrentQueue<string>();
        ManualResetEvent tried = new ManualResetEvent(false), sent = new ManualResetEvent(false);
        var other = new Thread(() =>
        {
            order.Enqueue(Caught(() => { using (pos.Transaction(TimeSpan.Zero)) { } }) is TimeoutException ? "busy" : "entered");
            tried.Set();
            order.Enqueue("send " + pos.Send(Host, port, new CardApproval(Track, 2000)).Approved);
            sent.Set();
            order.Enqueue("ack " + pos.Ack());
        }) { IsBackground = true };
        using (pos.Transaction())
        {
            order.Enqueue("send " + pos.Send(Host, port, new CardApproval(Track, 1004)).Approved);
            using (pos.Transaction())
            {
                other.Start();
                tried.WaitOne(30000);
                sent.WaitOne(1000);  // long enough for a call that does not wait
                order.Enqueue("ack " + pos.Ack());
            }
        }
        other.Join(60000);
        string seen = string.Join(", ", order);
        Check(seen == "send True, busy, ack Closed, send True, ack Closed", "another thread's call waits for the transaction",
              seen);
    }

    static string Text(Request request, Field field)
    {
        return System.Text.Encoding.ASCII.GetString(request.ToBytes(), field.Offset, field.Width);
    }
}
