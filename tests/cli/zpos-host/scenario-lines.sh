# A scenario line holds exactly what its keyword takes; any other stops the host with
# the file, the line and what it takes: [exit status], the line, standard error.
refuse() {
    local out
    printf '%s\n' "$1" >s.scenario
    out=$(timeout 5 zpos-host --port 0 --scenario s.scenario 2>err)
    echo "[$?] $1: $(cat err)${out:+ (standard output: $out)}"
}
for line in approve-all 'approve everything' 'approve card' 'decline amount -1 NO' 'decline code 100' \
    'issuer 0100' 'management maybe' 'service link link' 'datetime 26120612000x' \
    'delay -1' 'fault repeat-enq -1' 'fault repeat-enq 3 4' 'fault sideways' 'reply-delay 10,' \
    'reply-delay -5' answer approval 'record missing/x' 'record host.rec extra'; do
    refuse "$line"
done
