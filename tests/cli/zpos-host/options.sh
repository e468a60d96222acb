# A wrong option is refused before the host listens, naming the option and what it
# takes; one taken by mistake starts a host, which the timeout ends ([124]).
refuse() {
    local out
    out=$(timeout 5 zpos-host "$@" 2>err)
    echo "[$?] $*: $(cat err)${out:+ (standard output: $out)}"
}
mkdir folder
refuse --port abc
refuse --port 99999
refuse --fault none,sideways
refuse --reply-delay 0,3s
refuse --verbose
refuse 10902
refuse --download --record
refuse --port 0 --port 1
refuse --pcap folder
refuse --scenario folder
refuse --scenario missing/x
