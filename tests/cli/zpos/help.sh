# Every command's help, and the whole help, on standard output.
zpos --help
for c in demo send points ack download session log in-doubt decode settings; do
    zpos "$c" --keep --help
done
