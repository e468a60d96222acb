# The whole help, and each command's (its first line here), on standard output.
zpos --help
for c in demo send points ack download session log in-doubt decode settings; do
    zpos "$c" --keep --help | head -1
done
