# --help wins over any other option, on standard output, with every default.
zpos-host --port x --help | grep -E "^usage|default"
echo "exit $?"
