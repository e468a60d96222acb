# Wrong usage names the option and what it takes, exits 2 and sends nothing
# (no host listens on port 1).
while read -r line; do
    eval "set -- $line"
    refused zpos "$@"
done <<'CASES'
refund
ack --now
session
send extra
log /nonexistent/AppLog.txt
log --dir /tmp AppLog.txt
in-doubt --since 261332
in-doubt --dir /nonexistent
send --kind 10 --port
send --port x
points --port 70000
send --port 1 --amount 1000000000
send --port 1 --kind 100
send --port 1 --type 020
send --port 1 --kind 10 --kind 20
points --port 1 --sub 04
points --port 1 --media 1
download --port 1
send --port 1 --term-id 12345678901
send --port 1 --org-auth 123456789
points --port 1 --org-auth 1234567890123
CASES
