#!/usr/bin/env python3
"""Writes every form of the tables in this folder as whole files, each one
generated from top to bottom, its first line saying so. The public header part,
the records and log line tables of the docs and the bindings' tables are kept
in the source tree, where people read them without building; the library's and
the tools' headers are written into the build folder when they are built.

    tables/generate.py              rewrite the files kept in the source tree
    tables/generate.py --check      exit 1 and name each of them that is out of date
    tables/generate.py --build DIR  write the build folder's headers under DIR
    tables/generate.py --outputs    the build folder's headers, as CMake lists them

A block named for a file that is not one of FILES below still goes between
the BEGIN GENERATED and END GENERATED lines of that hand-written file.
--check also finds each log line in the library files that write it, as a
string there or as its constant. Other scripts import load_fields(),
load_pad_buffers(), load_resp_codes(), load_results() and load_log_lines()."""
import csv
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(HERE)
RECORD_SIZE = {"request": 240, "response": 450}
PAD_BUFFER_SIZE = {"sign": 2037, "pin": 69}
LAYOUTS = ["head", "card", "cheque", "points"]
LAYOUT_TITLE = {"head": "Common head", "card": "Card layout", "cheque": "Cheque layout",
                "points": "Points layout"}
EXPORTS = {"send": "Zelta_Send", "ack": "Zelta_Ack", "download": "Zelta_download"}


def read_tsv(name):
    with open(os.path.join(HERE, name), encoding="utf-8", newline="") as f:
        lines = [line for line in f if not line.startswith("#")]
    return list(csv.DictReader(lines, delimiter="\t", quoting=csv.QUOTE_NONE))


def load_fields():
    """Rows with record, layout, name, offset (int), width (int), meaning."""
    rows = read_tsv("record_fields.tsv")
    for r in rows:
        r["offset"], r["width"] = int(r["offset"]), int(r["width"])
    check_fields(rows)
    return rows


def load_pad_buffers():
    """Rows with buffer, name, offset (int), width (int), meaning."""
    rows = read_tsv("pad_buffers.tsv")
    for r in rows:
        r["offset"], r["width"] = int(r["offset"]), int(r["width"])
        if r["buffer"] not in PAD_BUFFER_SIZE or r["offset"] + r["width"] > PAD_BUFFER_SIZE[r["buffer"]]:
            fail("tables/pad_buffers.tsv: %s.%s lies outside its buffer" % (r["buffer"], r["name"]))
    return rows


def load_resp_codes():
    return read_tsv("resp_codes.tsv")


def load_results():
    rows = read_tsv("results.tsv")
    for r in rows:
        r["value"] = int(r["value"])
    return rows


def load_log_lines():
    """Rows with name, form, text (line breaks decoded), buffer (int or None),
    where (list of files), meaning."""
    rows = read_tsv("log_lines.tsv")
    for r in rows:
        r["text"] = r["text"].replace("\\n", "\n")
        r["buffer"] = int(r["buffer"]) if r["buffer"] else None
        r["where"] = [w.strip() for w in r["where"].split(",")]
        if r["form"] not in ("text", "format", "bytes"):
            fail("log line %s: unknown form %s" % (r["name"], r["form"]))
    return rows


def load_link_timing():
    """Rows with name, value (int), meaning."""
    rows = read_tsv("link_timing.tsv")
    for r in rows:
        r["value"] = int(r["value"])
    return rows


def load_link_bytes():
    """The control bytes (name, value as int, meaning) and the reply's slot
    capacities (field, capacity, meaning; ints)."""
    wire, slots = read_tsv("wire_bytes.tsv"), read_tsv("reply_slots.tsv")
    for r in wire:
        r["value"] = int(r["value"], 16)
    for r in slots:
        r["field"], r["capacity"] = int(r["field"]), int(r["capacity"])
    if [r["field"] for r in slots] != list(range(len(slots))):
        fail("tables/reply_slots.tsv: fields must run from 0 in order")
    return wire, slots


def fail(message):
    sys.exit("tables/generate.py: " + message)


def check_fields(rows):
    seen = set()
    for r in rows:
        key = (r["record"], r["name"])
        if r["record"] not in RECORD_SIZE or r["layout"] not in LAYOUTS:
            fail("unknown record or layout in %s" % (key,))
        if key in seen:
            fail("%s %s named twice" % key)
        seen.add(key)
        if r["width"] <= 0 or r["offset"] + r["width"] > RECORD_SIZE[r["record"]]:
            fail("%s %s lies outside its record" % key)
    # Fields of one layout (the head counts in every layout) may overlap only
    # where one lies inside the other, as a track lies inside its card data.
    for a in rows:
        for b in rows:
            if a is b or a["record"] != b["record"]:
                continue
            if a["layout"] != b["layout"] and "head" not in (a["layout"], b["layout"]):
                continue
            a_end, b_end = a["offset"] + a["width"], b["offset"] + b["width"]
            overlap = a["offset"] < b_end and b["offset"] < a_end
            nested = (a["offset"] >= b["offset"] and a_end <= b_end) or (b["offset"] >= a["offset"] and b_end <= a_end)
            if overlap and not nested:
                fail("%s fields %s and %s overlap" % (a["record"], a["name"], b["name"]))


def c_string(text):
    """A C string literal of the CP949 bytes of `text`, non-ASCII bytes as octal
    escapes (which, unlike hex ones, never run into a following digit)."""
    out = []
    for byte in text.encode("cp949"):
        if byte < 0x20 or byte > 0x7E or chr(byte) in '"\\?':
            out.append("\\%03o" % byte)
        else:
            out.append(chr(byte))
    return '"' + "".join(out) + '"'


def pascal(name):
    """a_field_name as AFieldName: C++ constants (after their k) and C# names."""
    return "".join(p.capitalize() for p in name.split("_"))


def plain(meaning):
    """A meaning without Markdown quotes, for comments."""
    return meaning.replace("`", "")


# ---- The library's record header ----

def internal_fields(rows):
    out = []
    for record, space in (("request", "req"), ("response", "resp")):
        out.append("namespace %s {" % space)
        out.append("inline constexpr std::size_t kSize = %d;" % RECORD_SIZE[record])
        for layout in LAYOUTS:
            fields = [r for r in rows if r["record"] == record and r["layout"] == layout]
            out.append("")
            out.append("// %s." % LAYOUT_TITLE[layout])
            for r in fields:
                out.append("// %s" % plain(r["meaning"]))
                out.append("inline constexpr Field %s{%d, %d};" % (r["name"], r["offset"], r["width"]))
        out.append("}  // namespace %s" % space)
        out.append("")
    return "\n".join(out).rstrip("\n")


def internal_pad_buffers(rows):
    out = []
    for buffer in PAD_BUFFER_SIZE:
        out.append("namespace %s_buffer {" % buffer)
        out.append("inline constexpr std::size_t kSize = %d;" % PAD_BUFFER_SIZE[buffer])
        for r in rows:
            if r["buffer"] == buffer:
                out.append("inline constexpr Field %s{%d, %d};  // %s" % (r["name"], r["offset"], r["width"],
                                                                    plain(r["meaning"])))
        out.append("}  // namespace %s_buffer" % buffer)
    return "\n".join(out)


def internal_resp_codes(codes):
    out = []
    for c in codes:
        out.append("// %s" % plain(c["meaning"]))
        out.append("inline constexpr char kResp%s[] = \"%s\";" % (pascal(c["name"]), c["value"]))
    return "\n".join(out)


# ---- The public C header ----

def public_fields(rows):
    out = []
    for record, prefix in (("request", "REQ"), ("response", "RESP")):
        out.append("/* %s record, %d bytes. */" % (record.capitalize(), RECORD_SIZE[record]))
        for layout in LAYOUTS:
            out.append("/* %s */" % LAYOUT_TITLE[layout])
            for r in rows:
                if r["record"] == record and r["layout"] == layout:
                    n = "ZPOSAPP_%s_%s" % (prefix, r["name"].upper())
                    out.append("#define %-40s %3d /* %s */" % (n + "_OFFSET", r["offset"], plain(r["meaning"])))
                    out.append("#define %-40s %3d" % (n + "_WIDTH", r["width"]))
        out.append("")
    return "\n".join(out).rstrip("\n")


def public_resp_codes(codes):
    return "\n".join('#define %-36s "%s" /* %s */' % ("ZPOSAPP_RESP_CODE_" + c["name"].upper(), c["value"],
                                                     plain(c["meaning"])) for c in codes)


def public_results(results):
    out = ["/* The exports, as zposapp_result_text names them (Zelta_OKCashbag shares Zelta_Send's results). */"]
    for i, (export, function) in enumerate(EXPORTS.items()):
        out.append("#define ZPOSAPP_EXPORT_%-8s %d /* %s */" % (export.upper(), i + 1, function))
    out.append("")
    for export, function in EXPORTS.items():
        rows = [r for r in results if r["export"] == export]
        out.append("/* Results of %s. */" % function)
        for r in rows:
            value = "(%d)" % r["value"] if r["value"] < 0 else "%d" % r["value"]
            out.append("#define %-36s %5s /* %s */" % ("ZPOSAPP_%s_%s" % (export.upper(), r["name"].upper()),
                                                     value, r["text"]))
        out.append("")
    out.append("/* A short English text for `result` of the export `which` (ZPOSAPP_EXPORT_...). */")
    out.append("static inline const char *zposapp_result_text(int which, int result)")
    out.append("{")
    out.append("    static const struct { int which, result; const char *text; } rows[] = {")
    for r in results:
        out.append("        {ZPOSAPP_EXPORT_%s, ZPOSAPP_%s_%s, \"%s\"}," % (r["export"].upper(), r["export"].upper(),
                                                                  r["name"].upper(), r["text"]))
    out.append("    };")
    out.append("    size_t i;")
    out.append("    for (i = 0; i < sizeof rows / sizeof rows[0]; ++i)")
    out.append("        if (rows[i].which == which && rows[i].result == result) return rows[i].text;")
    out.append("    return which == ZPOSAPP_EXPORT_DOWNLOAD && result > 0 ? \"bytes received\" : \"unknown result\";")
    out.append("}")
    return "\n".join(out).rstrip("\n")


# ---- The records page ----

def doc_fields(rows, record):
    out = []
    for layout in LAYOUTS:
        out.append("### %s" % LAYOUT_TITLE[layout])
        out.append("")
        out.append("| field | offset | width | content |")
        out.append("|---|---:|---:|---|")
        for r in rows:
            if r["record"] == record and r["layout"] == layout:
                out.append("| `%s` | %d | %d | %s |" % (r["name"], r["offset"], r["width"], r["meaning"]))
        out.append("")
    return "\n".join(out).rstrip("\n")


def doc_code_value(code):
    """A resp_code value as the docs' tables show it: blanks said in words."""
    return "four blanks" if not code["value"].strip() else "`%s`" % code["value"]


def doc_resp_codes(codes):
    out = ["| value | meaning |", "|---|---|"]
    for c in codes:
        out.append("| %s | %s |" % (doc_code_value(c), c["meaning"]))
    return "\n".join(out)


def doc_results(results):
    out = []
    for export, function in EXPORTS.items():
        out.append("`%s`:" % function)
        out.append("")
        out.append("| result | constant | meaning |")
        out.append("|---:|---|---|")
        if export == "download":
            out.append("| 1 or more | | bytes received |")
        for r in results:
            if r["export"] == export:
                out.append("| %d | `ZPOSAPP_%s_%s` | %s |" % (r["value"], export.upper(), r["name"].upper(), r["text"]))
        out.append("")
    return "\n".join(out).rstrip("\n")


# ---- The bindings' tables (Python and C#) ----
# Each binding keeps its record fields, resp_code values, export results and
# version in one generated file; the hand-written code beside it names fields,
# never offsets.

def project_version():
    """The version in CMakeLists.txt's project() line, the one version source."""
    with open(os.path.join(ROOT, "CMakeLists.txt"), encoding="utf-8") as f:
        for line in f:
            if line.startswith("project(ZPosApp VERSION "):
                return line.split()[2]
    fail("CMakeLists.txt has no 'project(ZPosApp VERSION x.y.z' line")


def python_fields(rows):
    out = ["REQUEST_SIZE = %d" % RECORD_SIZE["request"], "RESPONSE_SIZE = %d" % RECORD_SIZE["response"]]
    for record, table in (("request", "REQUEST_FIELDS"), ("response", "RESPONSE_FIELDS")):
        out.append("")
        out.append("%s = {" % table)
        for r in rows:
            if r["record"] == record:
                out.append('    "%s": Field("%s", %d, %d),  # %s' % (r["name"], r["layout"], r["offset"], r["width"],
                                                                  plain(r["meaning"])))
        out.append("}")
    return "\n".join(out)


def python_codes_and_results(codes, results):
    out = ["class RespCode(str, enum.Enum):", '    """The values of resp_code."""', ""]
    for c in codes:
        out.append('    %s = "%s"  # %s' % (c["name"].upper(), c["value"], plain(c["meaning"])))
    for export, function in EXPORTS.items():
        out.append("")
        out.append("")
        out.append("class %sResult(Result):" % export.capitalize())
        doc = "Zelta_Send and Zelta_OKCashbag" if export == "send" else function
        out.append('    """Results of %s, each with a short text."""' % doc)
        out.append("")
        for r in results:
            if r["export"] == export:
                out.append('    %s = %d, "%s"' % (r["name"].upper(), r["value"], r["text"]))
    return "\n".join(out)


def csharp_fields(rows):
    out = []
    for record, cls in (("request", "RequestFields"), ("response", "ResponseFields")):
        out.append("    /// <summary>Every field of the %d-byte %s record.</summary>" % (RECORD_SIZE[record], record))
        out.append("    public static class %s" % cls)
        out.append("    {")
        out.append("        public const int Size = %d;" % RECORD_SIZE[record])
        for r in rows:
            if r["record"] == record:
                out.append("        /// <summary>%s</summary>" % plain(r["meaning"]).replace("&", "&amp;")
                           .replace("<", "&lt;").replace(">", "&gt;"))
                out.append('        public static readonly Field %s = new Field("%s", %d, %d);' % (
                    pascal(r["name"]), r["name"], r["offset"], r["width"]))
        out.append("    }")
        out.append("")
    out.append("    public sealed partial class Response")
    out.append("    {")
    for r in rows:
        if r["record"] == "response":
            out.append("        public string %s { get { return Text(ResponseFields.%s); } }" % (
                pascal(r["name"]), pascal(r["name"])))
    out.append("    }")
    return "\n".join(out)


def csharp_codes_and_results(codes, results):
    out = ["    /// <summary>The values of resp_code.</summary>", "    public static class RespCode", "    {"]
    for c in codes:
        out.append('        public const string %s = "%s"; // %s' % (pascal(c["name"]), c["value"], plain(c["meaning"])))
    out.append("    }")
    for export, function in EXPORTS.items():
        out.append("")
        out.append("    /// <summary>Results of %s.</summary>" % function)
        out.append("    public enum %sResult" % export.capitalize())
        out.append("    {")
        for r in results:
            if r["export"] == export:
                out.append("        %s = %d," % (pascal(r["name"]), r["value"]))
        out.append("    }")
    out.append("")
    out.append("    /// <summary>A short English text for each result.</summary>")
    out.append("    public static class ResultText")
    out.append("    {")
    for export in EXPORTS:
        out.append("        public static string Of(%sResult result)" % export.capitalize())
        out.append("        {")
        out.append("            switch (result)")
        out.append("            {")
        for r in results:
            if r["export"] == export:
                out.append('                case %sResult.%s: return "%s";' % (export.capitalize(), pascal(r["name"]),
                                                                           r["text"]))
        fallback = '(int)result > 0 ? "bytes received" : "unknown result"' if export == "download" \
            else '"unknown result"'
        out.append("                default: return %s;" % fallback)
        out.append("            }")
        out.append("        }")
    out.append("    }")
    return "\n".join(out)


def binding_blocks(fields, codes, results):
    py, cs, version = "bindings/python/zposapp/_tables.py", "bindings/dotnet/RecordsTables.cs", project_version()
    return [
        (py, "version", '__version__ = "%s"' % version),
        (py, "record fields", python_fields(fields)),
        (py, "response codes and results", python_codes_and_results(codes, results)),
        (cs, "version", '        public const string Version = "%s";' % version),
        (cs, "record fields", csharp_fields(fields)),
        (cs, "response codes and results", csharp_codes_and_results(codes, results)),
        ("bindings/dotnet/Version.props", "version", "    <Version>%s</Version>" % version),
    ]


# ---- The library's log line header ----

def internal_log_lines(lines):
    out = []
    for r in lines:
        if r["form"] == "bytes":
            continue
        out.append("// %s" % plain(r["meaning"]))
        out.append("inline constexpr char k%s[] = %s;" % (pascal(r["name"]), c_string(r["text"])))
        if r["buffer"]:
            out.append("inline constexpr std::size_t k%sBuffer = %d;" % (pascal(r["name"]), r["buffer"]))
    return "\n".join(out)


# ---- zpos's name tables: fields and log lines with their meanings ----

def tool_named_fields(rows):
    out = []
    for record, space in (("request", "REQ"), ("response", "RESP")):
        out.append("inline constexpr NamedField k%sFields[] = {" % record.capitalize())
        for r in rows:
            if r["record"] == record:
                out.append("    {\"%s\", Layout::%s, {ZPOSAPP_FIELD(%s, %s)}, %s}," % (
                    r["name"], r["layout"], space, r["name"].upper(), c_string(plain(r["meaning"]))))
        out.append("};")
    return "\n".join(out)


def tool_log_lines(lines):
    # One meaning for each line of library_log::kLines, in its order.
    out = ["inline constexpr const char* kLogMeanings[] = {"]
    for r in lines:
        if r["form"] != "bytes":
            out.append("    %s,  // %s" % (c_string(plain(r["meaning"])), r["name"]))
    out.append("};")
    return "\n".join(out)


# ---- The shared header of the programs beside the library ----

def shared_library_log(lines, timing):
    out = []
    for r in timing:
        out.append("// %s" % plain(r["meaning"]))
        out.append("inline constexpr int k%s = %d;" % (pascal(r["name"]), r["value"]))
    out.append("inline constexpr Line kLines[] = {")
    for r in lines:
        if r["form"] != "bytes":
            out.append("    {\"%s\", %s, %s}," % (r["name"], c_string(r["text"]),
                                                "true" if r["form"] == "format" else "false"))
    out.append("};")
    return "\n".join(out)


def tool_link_bytes(wire, slots):
    out = []
    for r in wire:
        out.append("inline constexpr char k%s = 0x%02X;  // %s" % (r["name"].upper(), r["value"], plain(r["meaning"])))
    out.append("// Bytes of converted text the POS keeps of each reply field, by field number.")
    out.append("inline constexpr std::size_t kReplySlotCapacity[] = {")
    for at in range(0, len(slots), 16):
        row = slots[at:at + 16]
        out.append("    %s  // %d..%d" % (" ".join("%d," % r["capacity"] for r in row), row[0]["field"], row[-1]["field"]))
    out.append("};")
    return "\n".join(out)


def check_link_bytes(wire, slots):
    """The library's own control bytes and slot capacities are the table's."""
    def source(path):
        with open(os.path.join(ROOT, path), encoding="utf-8") as f:
            return f.read()
    header, split = source("support/wire.h"), source("reply/split.h")
    wrong = []
    for r in wire:
        m = re.search(r"constexpr char k%s = (0x[0-9A-Fa-f]+);" % r["name"].upper(), header)
        if not m or int(m.group(1), 16) != r["value"]:
            wrong.append("support/wire.h " + r["name"])
    m = re.search(r"kFieldCapacity = \{(.*?)\};", split, re.S)
    found = [int(n) for n in re.findall(r"\d+", re.sub(r"//[^\n]*", "", m.group(1)))] if m else []
    if found != [r["capacity"] for r in slots]:
        wrong.append("reply/split.h kFieldCapacity")
    return wrong


def check_link_timing(timing):
    """Each wait of the table has the same value in the link's own header."""
    with open(os.path.join(ROOT, "link/link_timing.h"), encoding="utf-8") as f:
        header = f.read()
    wrong = []
    for r in timing:
        m = re.search(r"constexpr int k%s = (\d+);" % pascal(r["name"]), header)
        if not m or int(m.group(1)) != r["value"]:
            wrong.append(r["name"])
    return wrong


# ---- The POS guide ----

# A download's positive result is a byte count, not a row of results.tsv.
DOWNLOAD_ANSWER = ("use the answer", "`0000` at its start means the server did what was asked")

def doc_result_actions(results, codes):
    out = []
    for export, function in EXPORTS.items():
        out.append("`%s`%s:" % (function, " (and `Zelta_OKCashbag`)" if export == "send" else ""))
        out.append("")
        out.append("| result | constant | what happened | the POS | why |")
        out.append("|---:|---|---|---|---|")
        if export == "download":
            out.append("| 1 or more | | the answer, that many bytes | **%s**: %s | |" % DOWNLOAD_ANSWER)
        for r in results:
            if r["export"] == export:
                out.append("| %d | `ZPOSAPP_%s_%s` | %s | **%s**: %s | %s |" % (
                    r["value"], export.upper(), r["name"].upper(), r["text"], r["action"], r["todo"], r["why"]))
        out.append("")
        if export == "send":
            out.append("`resp_code`, which decides for the result 1 and, where it says so, for -1:")
            out.append("")
            out.append("| `resp_code` | meaning | the POS | why |")
            out.append("|---|---|---|---|")
            for c in codes:
                out.append("| %s | %s | **%s**: %s | %s |" % (doc_code_value(c), c["meaning"], c["action"], c["todo"],
                                                             c["why"]))
            out.append("")
    return "\n".join(out).rstrip("\n")


def doc_log_lines(lines):
    out = ["| line | buffer | written by | meaning |", "|---|---:|---|---|"]
    for r in lines:
        if r["form"] == "bytes":
            line = "*%s*" % r["text"]
        else:
            line = "`%s`" % r["text"].replace("\n", "\\n")
        out.append("| %s | %s | %s | %s |" % (line, r["buffer"] or "", ", ".join("`%s`" % w for w in r["where"]),
                                             r["meaning"]))
    return "\n".join(out)


# ---- zpos's verdicts ----

def tool_verdicts(results, codes):
    out = ["// What the POS does after each result, by export.", "inline constexpr ResultVerdict kResultVerdicts[] = {"]
    for r in results:
        out.append("    {\"%s\", %d, \"%s\", %s}," % (r["export"], r["value"], r["action"], c_string(plain(r["todo"]))))
    out.append("};")
    out.append("// What the POS does after a response code; action \"by result\": the result decides.")
    out.append("inline constexpr CodeVerdict kCodeVerdicts[] = {")
    for c in codes:
        out.append("    {\"%s\", \"%s\", %s}," % (c["value"], c["action"], c_string(plain(c["todo"]))))
    out.append("};")
    out.append("// A download's answer (a positive result, the bytes received).")
    out.append("inline constexpr ResultVerdict kDownloadAnswer{\"download\", 1, \"%s\", %s};" % (
        DOWNLOAD_ANSWER[0], c_string(plain(DOWNLOAD_ANSWER[1]))))
    return "\n".join(out)


# ---- The log lines against the code that writes them ----

C_STRING = re.compile(r'"((?:[^"\\\n]|\\.)*)"')


def c_literals(path):
    """The byte strings of every C string literal in a file."""
    with open(os.path.join(ROOT, path), encoding="latin-1") as f:
        text = f.read()
    found = set()
    for m in C_STRING.finditer(text):
        body, out, i = m.group(1), bytearray(), 0
        while i < len(body):
            c = body[i]
            if c != "\\":
                out += c.encode("latin-1")
                i += 1
                continue
            e = body[i + 1]
            if e == "x":
                j = i + 2
                while j < len(body) and body[j] in "0123456789abcdefABCDEF":
                    j += 1
                out.append(int(body[i + 2:j], 16) & 0xFF)
                i = j
            elif e in "01234567":
                j = i + 1
                while j < len(body) and j < i + 4 and body[j] in "01234567":
                    j += 1
                out.append(int(body[i + 1:j], 8))
                i = j
            else:
                out += {"n": b"\n", "t": b"\t", "r": b"\r"}.get(e, e.encode("latin-1"))
                i += 2
        found.add(bytes(out))
    return found


def check_log_lines(lines):
    """Each line is a string in the files that write it, or those files name
    its constant."""
    missing = []
    for r in lines:
        if r["form"] == "bytes":
            continue
        literals, sources = set(), ""
        for path in r["where"]:
            literals |= c_literals(path)
        for path in r["where"]:
            with open(os.path.join(ROOT, path), encoding="latin-1") as f:
                sources += f.read()
        if r["text"].encode("cp949") not in literals and "log_lines::k%s" % pascal(r["name"]) not in sources:
            missing.append("%s (%s)" % (r["name"], ", ".join(r["where"])))
    return missing


# ---- The generated files ----
# Each one is its template with every "@name" line replaced by that block;
# SOURCE files are kept in the source tree, BUILD files are written into the
# build folder (--build), where CMake puts them on the include path.

SOURCE, BUILD = "source", "build"

FILES = {
    "support/record_tables.h": (BUILD, """\
// Generated by tables/generate.py from tables/record_fields.tsv and tables/resp_codes.tsv; do not edit.
// The fields of both records and the values of resp_code, for
// support/records.h, which defines Field before it includes this file.
#pragma once

#include <cstddef>

namespace zpos {

@record fields

// resp_code values.
@response codes

}  // namespace zpos
"""),
    "support/log_lines.h": (BUILD, """\
// Generated by tables/generate.py from tables/log_lines.tsv; do not edit.
// Every line the library writes to its daily log, one named constant per line
// (Korean ones as the CP949 bytes the log gets), with the size of the buffer
// the line is formatted into where its writer has one; records and other bytes
// of the moment have no constant.
#pragma once

#include <cstddef>

namespace zpos::log_lines {

@log lines

}  // namespace zpos::log_lines
"""),
    "request/pad_buffers.h": (BUILD, """\
// Generated by tables/generate.py from tables/pad_buffers.tsv; do not edit.
// The signature buffer shared with orvik_sign and the PIN buffer shared with
// general_pin.
#pragma once

#include <cstddef>

#include "support/records.h"

namespace zpos {

@pad buffers

}  // namespace zpos
"""),
    "tools/common/link_bytes.h": (BUILD, """\
// Generated by tables/generate.py from tables/wire_bytes.tsv and tables/reply_slots.tsv; do not edit.
// The control bytes of the host link and how much of each reply field the POS
// keeps, for the programs beside the library.
#pragma once

#include <cstddef>

namespace zpos::tools {

@link bytes

}  // namespace zpos::tools
"""),
    "tools/zpos/name_table_rows.h": (BUILD, """\
// Generated by tables/generate.py from tables/record_fields.tsv and tables/log_lines.tsv; do not edit.
// The rows of zpos's name tables, for tools/zpos/name_tables.h, which defines
// their types before it includes this file.
#pragma once

namespace zpos::cli {

@named fields

@log lines

}  // namespace zpos::cli
"""),
    "tools/zpos/verdict_rows.h": (BUILD, """\
// Generated by tables/generate.py from tables/results.tsv and tables/resp_codes.tsv; do not edit.
// The rows of zpos's verdicts, for tools/zpos/verdicts.h, which defines their
// types before it includes this file.
#pragma once

namespace zpos::cli {

@verdicts

}  // namespace zpos::cli
"""),
    "tools/common/library_log_rows.h": (BUILD, """\
// Generated by tables/generate.py from tables/log_lines.tsv and tables/link_timing.tsv; do not edit.
// The library's log lines and link waits, for tools/common/library_log.h,
// which defines Line before it includes this file.
#pragma once

namespace zpos::library_log {

@library log

}  // namespace zpos::library_log
"""),
    "include/zposapp_tables.h": (SOURCE, """\
/* Generated by tables/generate.py from the tables of the ZPosApp sources; do not edit. */
/* ZPosApp tables: every field of the request and response records (its
 * offset and width), the values of resp_code and the results of each export
 * with a short text. Included by zposapp_records.h, which a POS includes. */
#ifndef ZPOSAPP_TABLES_H
#define ZPOSAPP_TABLES_H

#include <stddef.h>

@record fields

/* Values of resp_code. */
@response codes

@results

#endif /* ZPOSAPP_TABLES_H */
"""),
    "docs/tables.md": (SOURCE, """\
<!-- Generated by tables/generate.py from the tables of the ZPosApp sources; do not edit. -->
# Record fields, results and log lines

The library's tables as a POS reads them: every field of the two records, the
values of `resp_code`, the results of each export and what the POS does after
each, and the lines of the library's log. [records.md](records.md) explains
the records and [pos-guide.md](pos-guide.md) how a POS uses them; the public
`zposapp_records.h` has the same names (`ZPOSAPP_REQ_TRAN_AMT_OFFSET`,
`ZPOSAPP_RESP_CODE_APPROVED`, `ZPOSAPP_SEND_REPLIED`, ...).

## Request fields

The 240-byte request record; offsets are 0-based bytes.

@request fields

## Response fields

The 450-byte response record.

@response fields

## Response codes

The values of `resp_code`.

@response codes

## Results

Each export has its own results; `zposapp_records.h` names them and gives each a short text.

@results

## What the POS does

The **bold** word is the action: **receipt** (print it, then `Zelta_Ack`),
**no receipt**, **retry** (the same request may be sent again), **fix
request** (it will fail the same way until it is changed), **help desk** (a
person has to confirm the transaction with the host), **done**.

@what the POS does

## Log lines

@log lines
"""),
    "bindings/python/zposapp/_tables.py": (SOURCE, """\
# Generated by tables/generate.py from the tables of the ZPosApp sources; do not edit.
\"\"\"The two records' fields, the values of resp_code and each export's results,
from the same tables as the library's own headers; zposapp.records has them.\"\"\"
import enum

from ._types import Field, Result

@version


@record fields


@response codes and results
"""),
    "bindings/dotnet/RecordsTables.cs": (SOURCE, """\
// Generated by tables/generate.py from the tables of the ZPosApp sources; do not edit.
// The two records' fields, the values of resp_code and each export's results,
// with a typed property on Response for every response field.
namespace ZPosApp
{
    public static class Library
    {
@version
    }

@record fields

@response codes and results
}
"""),
    "bindings/dotnet/Version.props": (SOURCE, """\
<!-- Generated by tables/generate.py from the version in the ZPosApp sources' CMakeLists.txt; do not edit. -->
<Project>
  <PropertyGroup>
@version
  </PropertyGroup>
</Project>
"""),
}


def blocks():
    """(file, block name, text) for every generated block."""
    fields, codes, results, lines = load_fields(), load_resp_codes(), load_results(), load_log_lines()
    return [
        ("support/record_tables.h", "record fields", internal_fields(fields)),
        ("support/record_tables.h", "response codes", internal_resp_codes(codes)),
        ("request/pad_buffers.h", "pad buffers", internal_pad_buffers(load_pad_buffers())),
        ("include/zposapp_tables.h", "record fields", public_fields(fields)),
        ("include/zposapp_tables.h", "response codes", public_resp_codes(codes)),
        ("include/zposapp_tables.h", "results", public_results(results)),
        ("docs/tables.md", "request fields", doc_fields(fields, "request")),
        ("docs/tables.md", "response fields", doc_fields(fields, "response")),
        ("docs/tables.md", "response codes", doc_resp_codes(codes)),
        ("docs/tables.md", "results", doc_results(results)),
        ("support/log_lines.h", "log lines", internal_log_lines(lines)),
        ("tools/zpos/name_table_rows.h", "named fields", tool_named_fields(fields)),
        ("tools/zpos/name_table_rows.h", "log lines", tool_log_lines(lines)),
        ("docs/tables.md", "what the POS does", doc_result_actions(results, codes)),
        ("docs/tables.md", "log lines", doc_log_lines(lines)),
        ("tools/zpos/verdict_rows.h", "verdicts", tool_verdicts(results, codes)),
        ("tools/common/library_log_rows.h", "library log", shared_library_log(lines, load_link_timing())),
        ("tools/common/link_bytes.h", "link bytes", tool_link_bytes(*load_link_bytes())),
    ] + binding_blocks(fields, codes, results)


def replace_block(text, path, name, body):
    begin = "BEGIN GENERATED %s:" % name
    lines = text.split("\n")
    starts = [i for i, line in enumerate(lines) if begin in line]
    if len(starts) != 1:
        fail("%s has %d '%s' lines, not one" % (path, len(starts), begin))
    start = starts[0]
    end = next((i for i in range(start + 1, len(lines)) if "END GENERATED" in lines[i]), None)
    if end is None:
        fail("%s: block '%s' has no END GENERATED line" % (path, name))
    return "\n".join(lines[:start + 1] + body.split("\n") + lines[end:])


def file_text(path, named):
    """The whole text of a generated file: its template with each "@name" line
    replaced by that block."""
    template = FILES[path][1]
    unused = set(named)
    out = []
    for line in template.split("\n"):
        if line.startswith("@"):
            if line[1:] not in named:
                fail("%s: no block '%s'" % (path, line[1:]))
            out.append(named[line[1:]])
            unused.discard(line[1:])
        else:
            out.append(line)
    if unused:
        fail("%s: its template has no place for %s" % (path, ", ".join(sorted(unused))))
    return "\n".join(out)


def read(path):
    try:
        with open(path, encoding="utf-8", newline="") as f:
            return f.read()
    except FileNotFoundError:
        return None


def write(path, text):
    """Writes `text` unless the file holds it already (so that nothing built
    from it is built again); True when it wrote."""
    if read(path) == text:
        return False
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w", encoding="utf-8", newline="") as f:
        f.write(text)
    return True


def generated_texts(where):
    """{path: text} of the generated files that live in `where` (SOURCE or
    BUILD); a block of a file that is not one of FILES goes between the
    BEGIN GENERATED and END GENERATED lines of that hand-written file."""
    named, texts = {}, {}
    for path, name, body in blocks():
        if path in FILES:
            named.setdefault(path, {})[name] = body
        elif where == SOURCE:
            if path not in texts:
                texts[path] = read(os.path.join(ROOT, path)) or fail("%s is missing" % path)
            texts[path] = replace_block(texts[path], path, name, body)
    for path, blocks_of_file in named.items():
        if FILES[path][0] == where:
            texts[path] = file_text(path, blocks_of_file)
    return texts


def main():
    args = sys.argv[1:]
    if args == ["--outputs"]:
        print(";".join(sorted(p for p, (where, _) in FILES.items() if where == BUILD)))
        return
    if len(args) == 2 and args[0] == "--build":
        written = [p for p, text in generated_texts(BUILD).items() if write(os.path.join(args[1], p), text)]
        print("%d files written" % len(written))
        return
    if args not in ([], ["--check"]):
        sys.exit("usage: tables/generate.py [--check | --build DIR | --outputs]")
    check = args == ["--check"]
    texts = generated_texts(SOURCE)
    stale = [p for p, text in texts.items() if read(os.path.join(ROOT, p)) != text]
    if check and stale:
        print("out of date, run tables/generate.py: " + ", ".join(stale))
        sys.exit(1)
    # A copy in the source tree would be found before the build folder's.
    kept = [p for p, (where, _) in FILES.items() if where == BUILD and os.path.exists(os.path.join(ROOT, p))]
    if check and kept:
        print("generated into the build folder, so not kept in the source tree: " + ", ".join(kept))
        sys.exit(1)
    if not check:
        for path in stale:
            write(os.path.join(ROOT, path), texts[path])
    missing = check_log_lines(load_log_lines()) if check else []
    if missing:
        print("tables/log_lines.tsv: not found where the table says it is written: " + "; ".join(missing))
        sys.exit(1)
    wrong = check_link_timing(load_link_timing()) if check else []
    if wrong:
        print("tables/link_timing.tsv: not as link/link_timing.h has it: " + ", ".join(wrong))
        sys.exit(1)
    wrong = check_link_bytes(*load_link_bytes()) if check else []
    if wrong:
        print("tables/wire_bytes.tsv, tables/reply_slots.tsv: not as the library has them: " + ", ".join(wrong))
        sys.exit(1)
    print(("%d files checked" if check else "%d files written") % (len(texts) if check else len(stale)))


if __name__ == "__main__":
    main()
