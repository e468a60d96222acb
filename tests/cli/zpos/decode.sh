# Saved records decoded field by field by the layout their tran_kind picks;
# a file of any other size is refused. 정상승인 is CP949 bytes.
ok=$'\xC1\xA4\xBB\xF3\xBD\xC2\xC0\xCE'
rec 240 0 0240 27 0200 31 10 45 1200000001 55 S 58 9410123456789012=2812101 115 000030000 >card-request
rec 240 0 0240 27 0420 31 40 45 1200000001 55 0111 114 000005000 >points-request
rec 450 0 0450 27 0210 31 10 55 0000 238 12345678 263 "$ok" >card-response
rec 450 0 0450 27 0210 31 40 55 0000 143 000011112222 222 "$ok" >points-response
rec 450 0 0450 27 0210 31 20 55 0000 67 "VALID 2612" >cheque-response
# Each layout's own fields, those not blank.
for f in card-request card-response points-request points-response cheque-response; do
    zpos decode "$f" | grep -E "^(request|response)|^  (rec_len|msg_type|tran_kind|entry_mode|resp_code|track2|card_data|tran_amt|auth_no|message|pt_[a-z_0-9]+|chk_message) " |
        grep -v "\[ *\]$"
done
printf '%100s' "" >short; printf '%1000s' "" >long
for f in short long missing; do status zpos decode "$f" 2>&1; done
