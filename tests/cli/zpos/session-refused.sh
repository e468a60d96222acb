# A session with a bad line says where it is and runs none of its lines.
start_host PORT --record frames.rec
printf 'send --kind 10\n\n# next\nsend --amout 5\n' >bad.session
status zpos session bad.session --port "$PORT" 2>&1
[ -s frames.rec ] && echo "sent something" || echo "sent nothing"
