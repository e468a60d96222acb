-- ZPosApp host link dissector for Wireshark and tshark.
--
-- Frames in both directions are a 2-byte big-endian length and that many body
-- bytes. One-byte bodies are the control frames (ENQ, ACK, NAK, EOT). The POS
-- sends its request as a message length, the masked message (STX .. ETX and a
-- check byte) and the card security block; the host answers with its masked
-- reply, whose Korean texts travel as 2-set keyboard keystrokes between SO and
-- SI. Bodies are unmasked with byte[i] ^ ((i + 1) % 127) ^ K, K being the low
-- byte of the length they go with (its high byte when the low byte is 0).
--
--   tshark -X lua_script:tools/wireshark/zposapp.lua -r capture.pcapng
--   tshark -X lua_script:tools/wireshark/zposapp.lua -d tcp.port==34491,zposapp -r capture.pcapng
--
-- The host's port is 10902 unless the preference zposapp.port says otherwise;
-- "Decode As" (-d) serves any other port.
--
-- A frame whose lengths do not add up (a frame cut short, a message length
-- beyond its frame, a message too short for its header, a security block
-- length beyond the block) is marked malformed in the expert info and shown
-- only as far as its bytes go.

local zposapp = Proto("zposapp", "ZPosApp host link")

local bxor = (bit32 and bit32.bxor) or bit.bxor

local STX, ETX, FS, SO, SI = 0x02, 0x03, 0x1C, 0x0E, 0x0F
local CONTROL = { [0x05] = "ENQ", [0x06] = "ACK", [0x15] = "NAK", [0x04] = "EOT" }

local f = {
    length = ProtoField.uint16("zposapp.length", "Frame length"),
    control = ProtoField.uint8("zposapp.control", "Control", base.HEX, CONTROL),
    msg_length = ProtoField.uint16("zposapp.msg_length", "Message length"),
    message = ProtoField.bytes("zposapp.message", "Message, masked"),
    kind = ProtoField.string("zposapp.kind", "Message"),
    header = ProtoField.string("zposapp.header", "Header"),
    entry = ProtoField.string("zposapp.entry", "Entry (K keyed, S read)"),
    length_field = ProtoField.string("zposapp.length_field", "Length field"),
    length_ok = ProtoField.bool("zposapp.length_ok", "Length field matches"),
    code = ProtoField.string("zposapp.code", "Transaction code"),
    field = ProtoField.string("zposapp.field", "Field"),
    check = ProtoField.uint8("zposapp.check", "Check byte", base.HEX),
    check_ok = ProtoField.bool("zposapp.check_ok", "Check byte verified"),
    block = ProtoField.bytes("zposapp.security_block", "Security block"),
    block_data_length = ProtoField.string("zposapp.block.data_length", "Card data length"),
    block_data = ProtoField.bytes("zposapp.block.data", "Card data, encrypted"),
    block_key_length = ProtoField.string("zposapp.block.key_length", "Key length"),
    block_key = ProtoField.bytes("zposapp.block.key", "Key"),
    block_date_time = ProtoField.string("zposapp.block.date_time", "Date and time"),
    block_serial = ProtoField.string("zposapp.block.serial", "Company code and serial number"),
    reply_field = ProtoField.string("zposapp.reply.field", "Reply field"),
}

-- Request and management fields with a name of their own, for filters and
-- tshark -e: zposapp.req.<key>; reply fields likewise as zposapp.reply.<key>.
local REQ_KEYS = { "term_id", "card", "expiry", "months", "amount", "amt_extra2", "amt_extra1", "org_auth_no",
    "org_date", "pin_block", "version", "media", "card2", "sign_length", "sign_data", "time_stamp", "blocks" }
local REPLY_KEYS = { "message", "line2", "auth_no", "approval", "issuer_code", "issuer_name", "merchant_no",
    "datetime", "card_class", "acquirer_code", "acquirer_name", "company_name", "company_code", "text1", "text2",
    "text3", "approval_no" }
for _, key in ipairs(REQ_KEYS) do f["req_" .. key] = ProtoField.string("zposapp.req." .. key, key) end
for _, key in ipairs(REPLY_KEYS) do f["reply_" .. key] = ProtoField.string("zposapp.reply." .. key, key) end

local field_list = {}
for _, v in pairs(f) do field_list[#field_list + 1] = v end
zposapp.fields = field_list

local e_check = ProtoExpert.new("zposapp.check.bad", "Check byte does not match", expert.group.CHECKSUM,
    expert.severity.ERROR)
local e_length = ProtoExpert.new("zposapp.length.bad", "Length field does not match the message",
    expert.group.MALFORMED, expert.severity.ERROR)
local e_frame = ProtoExpert.new("zposapp.frame.bad", "Frame shorter than its length says",
    expert.group.MALFORMED, expert.severity.ERROR)
local e_msg_length = ProtoExpert.new("zposapp.msg_length.bad", "Message length does not fit the frame",
    expert.group.MALFORMED, expert.severity.ERROR)
local e_short = ProtoExpert.new("zposapp.short", "Message too short for its header",
    expert.group.MALFORMED, expert.severity.ERROR)
local e_block = ProtoExpert.new("zposapp.block.length.bad", "Security block length does not fit the block",
    expert.group.MALFORMED, expert.severity.WARN)
zposapp.experts = { e_check, e_length, e_frame, e_msg_length, e_short, e_block }

zposapp.prefs.port = Pref.uint("Host port", 10902, "TCP port of the payment host")

---------------------------------------------------------------------------
-- Hangul from 2-set keystrokes (upper case: key alone; lower case: Shift).

local INITIAL = { R = 0, r = 1, S = 2, E = 3, e = 4, F = 5, A = 6, Q = 7, q = 8, T = 9, t = 10, D = 11, W = 12,
    w = 13, C = 14, Z = 15, X = 16, V = 17, G = 18 }
local VOWEL = { K = 0, O = 1, I = 2, o = 3, J = 4, P = 5, U = 6, p = 7, H = 8, Y = 12, N = 13, B = 17, M = 18,
    L = 20 }
local VOWEL_PAIR = { HK = 9, HO = 10, HL = 11, NJ = 14, NP = 15, NL = 16, ML = 19 }
local FINAL = { R = 1, r = 2, S = 4, E = 7, F = 8, A = 16, Q = 17, T = 19, t = 20, D = 21, W = 22, C = 23, Z = 24,
    X = 25, V = 26, G = 27 }
local FINAL_PAIR = { RT = 3, SW = 5, SG = 6, FR = 9, FA = 10, FQ = 11, FT = 12, FX = 13, FV = 14, FG = 15, QT = 18 }

local function utf8_char(cp)
    if cp < 0x80 then return string.char(cp) end
    if cp < 0x800 then return string.char(0xC0 + math.floor(cp / 64), 0x80 + cp % 64) end
    return string.char(0xE0 + math.floor(cp / 4096), 0x80 + math.floor(cp / 64) % 64, 0x80 + cp % 64)
end

-- The vowel that starts at k (a pair before a single key) and its key count.
local function vowel_at(keys, k)
    local pair = VOWEL_PAIR[keys:sub(k, k + 1)]
    if pair then return pair, 2 end
    local single = VOWEL[keys:sub(k, k)]
    if single then return single, 1 end
    return nil, 0
end

-- A consonant is a final unless a vowel follows it, which makes it the next
-- syllable's initial; keys that spell no syllable are shown as they are.
local function hangul(keys)
    local out, i = {}, 1
    while i <= #keys do
        local c = keys:sub(i, i)
        local initial = INITIAL[c]
        local vowel, vowel_keys = vowel_at(keys, i + 1)
        if initial and vowel then
            local j = i + 1 + vowel_keys
            local final = 0
            local pair = FINAL_PAIR[keys:sub(j, j + 1)]
            if pair and not vowel_at(keys, j + 2) then
                final, j = pair, j + 2
            elseif FINAL[keys:sub(j, j)] and not vowel_at(keys, j + 1) then
                final, j = FINAL[keys:sub(j, j)], j + 1
            end
            out[#out + 1] = utf8_char(0xAC00 + (initial * 21 + vowel) * 28 + final)
            i = j
        else
            out[#out + 1] = c
            i = i + 1
        end
    end
    return table.concat(out)
end

-- Field bytes as text: keystroke runs as Hangul, other control bytes as \xNN.
local function field_text(bytes)
    local out, run, in_run = {}, {}, false
    for i = 1, #bytes do
        local b = bytes:byte(i)
        if b == SO then
            in_run, run = true, {}
        elseif b == SI then
            out[#out + 1] = hangul(table.concat(run))
            in_run = false
        elseif in_run then
            run[#run + 1] = string.char(b)
        elseif b < 0x20 or b > 0x7E then
            out[#out + 1] = string.format("\\x%02x", b)
        else
            out[#out + 1] = string.char(b)
        end
    end
    if in_run then out[#out + 1] = hangul(table.concat(run)) end
    return table.concat(out)
end

---------------------------------------------------------------------------
-- Masking and the message's pieces.

local function mask_key(length)
    local low = length % 256
    if low ~= 0 then return low end
    return math.floor(length / 256) % 256
end

-- The range unmasked with the key of `length`, as a new data source.
local function unmasked(range, length, name)
    local bytes = range:bytes()
    local key = mask_key(length)
    for i = 0, bytes:len() - 1 do
        bytes:set_index(i, bxor(bxor(bytes:get_index(i), (i + 1) % 127), key))
    end
    return bytes:tvb(name)
end

-- FS-separated fields of tvb[from, to): list of {offset, length}.
local function split_fields(tvb, from, to)
    local fields, start = {}, from
    for i = from, to - 1 do
        if tvb(i, 1):uint() == FS then
            fields[#fields + 1] = { start, i - start }
            start = i + 1
        end
    end
    fields[#fields + 1] = { start, to - start }
    return fields
end

---------------------------------------------------------------------------
-- Request messages: what each transaction code is, and field names by kind.

local CODES = {
    ["40"] = "cheque inquiry", ["10"] = "card approval", ["C0"] = "card approval, keyed",
    ["11"] = "card cancellation", ["C1"] = "card cancellation, keyed", ["41"] = "cash approval",
    ["D1"] = "cash approval, keyed", ["42"] = "cash cancellation", ["D2"] = "cash cancellation, keyed",
    ["66"] = "kind 70 approval", ["67"] = "kind 70 cancellation", ["62"] = "kind 90 approval",
    ["63"] = "kind 90 cancellation", ["64"] = "kind 70 or 90 inquiry", ["E1"] = "F1 approval",
    ["E2"] = "F2 cancellation",
}
local POINTS = { ["60"] = "points earn", ["61"] = "points earn cancellation", ["62"] = "points use",
    ["63"] = "points use cancellation", ["64"] = "points inquiry" }

-- Field number -> {key or false, name}; field 2 may come as two fields (2, 2b).
local REQUEST_FIELDS = {
    [1] = { "term_id", "terminal id" }, [2] = { "card", "card" }, ["2b"] = { "expiry", "expiry" },
    [3] = { "months", "instalment months" }, [4] = { "amount", "amount" }, [5] = { "amt_extra2", "amt_extra2" },
    [6] = { "amt_extra1", "amt_extra1" }, [7] = { "org_auth_no", "original approval number" },
    [8] = { "org_date", "original date" }, [9] = { "pin_block", "PIN block" }, [10] = { "version", "version" },
    [11] = { false, "G" }, [12] = { "media", "media code" }, [13] = { "org_auth_no", "original approval number" },
    [14] = { "card2", "card (second field)" }, [15] = { "sign_length", "signature length" },
    [16] = { "sign_data", "signature" }, [17] = { "time_stamp", "time stamp" }, [18] = { false, "pad field A" },
    [19] = { false, "pad field B" }, [20] = { false, "pad field C" }, [25] = { false, "A" },
    [29] = { "blocks", "extension blocks" }, [30] = { false, "CT02" },
}
local MANAGEMENT_FIELDS = {
    [1] = { "term_id", "terminal id" }, [2] = { "card", "card" }, ["2b"] = { "expiry", "expiry" },
    [3] = { "months", "instalment months" }, [4] = { "amount", "net amount" }, [5] = { "amt_extra2", "amt_extra2" },
    [6] = { "amt_extra1", "amt_extra1" }, [7] = { false, "eight blanks" }, [8] = { false, "six blanks" },
    [10] = { "version", "version" }, [11] = { false, "G" }, [17] = { "time_stamp", "time stamp" },
    [25] = { false, "A" },
}

local function add_named(tree, tvb, fields, names, split, points)
    for i, span in ipairs(fields) do
        local number = i
        if split and i == 3 then number = "2b" elseif split and i > 3 then number = i - 1 end
        local entry = names[number] or { false, (type(number) == "number" and number >= 31) and "extension block"
            or "empty" }
        local key, name = entry[1], entry[2]
        if points and number == 3 then name = "media" end
        if points and number == 14 then name = "points card" end
        local range = tvb(span[1], span[2])
        local text = field_text(span[2] > 0 and range:raw() or "")
        local label = string.format("Field %s, %s: %s", tostring(number), name, text)
        if key then
            tree:add(f["req_" .. key], range, text):set_text(label)
        else
            tree:add(f.field, range, text):set_text(label)
        end
    end
end

local function check_byte(tree, tvb, m)
    local sum = 0
    for i = 1, m - 2 do sum = bxor(sum, tvb(i, 1):uint()) end
    local sent = tvb(m - 1, 1):uint()
    tree:add(f.check, tvb(m - 1, 1))
    local ok = tree:add(f.check_ok, tvb(m - 1, 1), sum == sent)
    if sum ~= sent then ok:add_proto_expert_info(e_check, string.format("expected 0x%02x", sum)) end
end

-- The card security block: data and key, each after its four-digit length,
-- the record's date and time, and once per installation the company code
-- and serial number. A block that does not parse is shown whole only.
local function dissect_block(tree, block)
    local item = tree:add(f.block, block)
    local at, size = 0, block:len()
    for _, part in ipairs({ { f.block_data_length, f.block_data }, { f.block_key_length, f.block_key } }) do
        local digits = at + 4 <= size and block(at, 4):string() or ""
        if not digits:match("^%d%d%d%d$") then return end
        local count = tonumber(digits)
        local length = item:add(part[1], block(at, 4))
        if at + 4 + count > size then
            length:add_proto_expert_info(e_block, string.format("Length %d runs past the block's %d bytes", count,
                size - at - 4))
            return
        end
        if count > 0 then item:add(part[2], block(at + 4, count)) end
        at = at + 4 + count
    end
    if at + 10 <= size then item:add(f.block_date_time, block(at, 10)) end
    if at + 28 <= size then item:add(f.block_serial, block(at + 10, 18)) end
end

-- The shortest request whose header and fields can be read: the management
-- message's header runs to byte 7, a transaction's to byte 12, and the
-- fields then need room for FS, ETX and the check byte.
local MIN_REQUEST = { management = 10, transaction = 15 }

local function dissect_request(tvb, pinfo, tree, n)
    local m = tvb(2, 2):uint()
    local m_item = tree:add(f.msg_length, tvb(2, 2))
    if m > n - 2 then
        m_item:add_proto_expert_info(e_msg_length,
            string.format("Message length %d runs past the frame: %d bytes follow it", m, n - 2))
        tree:add(f.message, tvb(4, n - 2))
        pinfo.cols.info:append(" Request, malformed")
        return
    end
    if m > 0 then tree:add(f.message, tvb(4, m)) end
    if n - 2 - m > 0 then dissect_block(tree, tvb(4 + m, n - 2 - m)) end
    if m < 3 then
        m_item:add_proto_expert_info(e_short,
            string.format("A message of %d bytes has no room for STX, ETX and its check byte", m))
        pinfo.cols.info:append(" Request, malformed")
        return
    end
    local msg = unmasked(tvb(4, m), m, "Unmasked request")
    local sub = tree:add(zposapp, msg(), "Request message, unmasked")
    local management = msg(1, 1):string() == "S"
    local need = management and MIN_REQUEST.management or MIN_REQUEST.transaction
    if m < need then
        sub:add_proto_expert_info(e_short, string.format("A %s of %d bytes is shorter than its header and fields (%d)",
            management and "management message" or "transaction message", m, need))
        check_byte(sub, msg, m)
        pinfo.cols.info:append(" Request, malformed")
        return
    end
    local first, names, split, points, what, code
    if management then
        sub:add(f.header, msg(1, 6))
        first, names = 8, MANAGEMENT_FIELDS
        what = "management message"
    else
        sub:add(f.header, msg(1, 11))
        sub:add(f.entry, msg(2, 1))
        local length_text = msg(3, 4):string()
        sub:add(f.length_field, msg(3, 4))
        local length_ok = sub:add(f.length_ok, msg(3, 4), tonumber(length_text) == m)
        if tonumber(length_text) ~= m then length_ok:add_proto_expert_info(e_length) end
        code = msg(10, 2):string()
        sub:add(f.code, msg(10, 2))
        first, names = 13, REQUEST_FIELDS
        split = code == "C0" or code == "C1" or code == "40"
        what = CODES[code] or ("transaction code " .. code)
    end
    local fields = split_fields(msg, first, m - 2)
    if management then
        split = #fields == 26
    else
        -- A transaction message ends FS ETX: nothing follows the last FS.
        if #fields > 1 and fields[#fields][2] == 0 then fields[#fields] = nil end
        -- Points and kinds 70/90 share codes 62 to 64; points send media code 06.
        local media = fields[12] and msg(fields[12][1], fields[12][2]):string() or ""
        if POINTS[code] and (media == "06" or not CODES[code]) then
            points, what = true, POINTS[code]
        end
    end
    sub:add(f.kind, msg(1, 1), what)
    add_named(sub, msg, fields, names, split, points)
    check_byte(sub, msg, m)
    pinfo.cols.info:append(string.format(" Request: %s", what))
end

---------------------------------------------------------------------------
-- Replies: fields 0 to 46 after a six-byte header.

local REPLY_FIELDS = {
    [1] = { "message", "message line 1" }, [2] = { "line2", "message line 2 or approval number" },
    [3] = { "approval", "approval flag (O approved)" }, [4] = { "issuer_code", "issuer code" },
    [5] = { "issuer_name", "issuer name" }, [6] = { "merchant_no", "merchant number" },
    [7] = { "datetime", "date and time" }, [10] = { "card_class", "card class" },
    [11] = { "acquirer_code", "acquirer code" }, [12] = { "acquirer_name", "acquirer name" },
    [14] = { "company_name", "company name" }, [15] = { "company_code", "company code" },
    [17] = { false, "value" }, [18] = { false, "value" }, [19] = { false, "value" },
    [20] = { "text1", "text line 1" }, [21] = { "text2", "text line 2" }, [22] = { "text3", "text line 3" },
    [23] = { "approval_no", "approval number" }, [46] = { false, "length-prefixed field" },
}

local function dissect_reply(tvb, pinfo, tree, n)
    local msg = unmasked(tvb(2, n), n, "Unmasked reply")
    local sub = tree:add(zposapp, msg(), "Reply message, unmasked")
    local head = 7
    for i = 1, math.min(6, n - 1) do
        if msg(i, 1):uint() == FS then head = i break end
    end
    if head > n - 1 then
        sub:add_proto_expert_info(e_short, string.format("A reply of %d bytes ends inside its header", n))
        pinfo.cols.info:append(" Reply, malformed")
        return
    end
    sub:add(f.header, msg(1, head - 1))
    -- The fields run to the check byte; the ETX before it belongs to the last.
    local fields = split_fields(msg, head, n - 1)
    if head ~= 7 then table.insert(fields, 1, { head, 0 }) end
    local approved, message = false, ""
    for i, span in ipairs(fields) do
        local number = i - 1
        local range = msg(span[1], span[2])
        local raw = span[2] > 0 and range:raw() or ""
        if number == 46 then raw = raw:gsub("\3$", "") end
        local text = field_text(raw)
        local entry = REPLY_FIELDS[number] or { false, "" }
        local label = string.format("Field %d%s: %s", number, entry[2] ~= "" and (", " .. entry[2]) or "", text)
        local item = entry[1] and sub:add(f["reply_" .. entry[1]], range, text) or sub:add(f.reply_field, range, text)
        item:set_text(label)
        if number == 1 then message = text end
        if number == 3 then approved = text == "O" end
    end
    if approved and fields[3] and fields[3][2] > 0 then
        local auth = field_text(msg(fields[3][1], fields[3][2]):raw())
        sub:add(f.reply_auth_no, msg(fields[3][1], fields[3][2]), auth):set_text("Approval number: " .. auth)
    end
    if n >= 2 and msg(n - 2, 1):uint() == ETX then check_byte(sub, msg, n) end
    pinfo.cols.info:append(string.format(" Reply: %s, %s", approved and "approved" or "declined", message))
end

---------------------------------------------------------------------------

local function to_host(pinfo)
    local host_port = pinfo.match_uint
    if host_port == nil or host_port == 0 then host_port = zposapp.prefs.port end
    return pinfo.dst_port == host_port
end

local function dissect_frame(tvb, pinfo, tree)
    pinfo.cols.protocol = "ZPosApp"
    local outbound = to_host(pinfo)
    local item = tree:add(zposapp, tvb(), outbound and "ZPosApp, POS to host" or "ZPosApp, host to POS")
    if tvb:len() < 2 then
        item:add_proto_expert_info(e_frame, string.format("Only %d of the 2 length bytes", tvb:len()))
        return tvb:len()
    end
    local n = tvb(0, 2):uint()
    local length = item:add(f.length, tvb(0, 2))
    if tvb:len() - 2 < n then
        length:add_proto_expert_info(e_frame, string.format("Frame length %d, but %d bytes follow it", n,
            tvb:len() - 2))
        pinfo.cols.info:append(" Truncated frame")
        return tvb:len()
    end
    if n == 1 then
        local byte = tvb(2, 1):uint()
        item:add(f.control, tvb(2, 1))
        pinfo.cols.info:append(" " .. (CONTROL[byte] or string.format("0x%02x (not a control byte)", byte)))
    elseif outbound and n >= 4 then
        dissect_request(tvb, pinfo, item, n)
    elseif not outbound and n >= 3 then
        dissect_reply(tvb, pinfo, item, n)
    else
        pinfo.cols.info:append(string.format(" Short frame of %d bytes", n))
    end
    return tvb:len()
end

local function frame_length(tvb, pinfo, offset)
    -- Without its two length bytes the frame is whatever is left.
    if tvb:len() - offset < 2 then return tvb:len() - offset end
    return tvb(offset, 2):uint() + 2
end

function zposapp.dissector(tvb, pinfo, tree)
    pinfo.cols.info:clear()
    pinfo.cols.info:set(to_host(pinfo) and "POS to host:" or "Host to POS:")
    dissect_tcp_pdus(tvb, tree, 2, frame_length, dissect_frame)
    return tvb:len()
end

local registered_port = 0
local function register_port()
    local tcp = DissectorTable.get("tcp.port")
    if registered_port ~= 0 then tcp:remove(registered_port, zposapp) end
    registered_port = zposapp.prefs.port
    tcp:add(registered_port, zposapp)
end
function zposapp.prefs_changed() register_port() end
register_port()
