# --help wins over any other option, on standard output, with every default and fault.
zpos-host --port x --help | grep -E "^usage|default|^  none"
echo "exit $?"
