# --help wins over any other option, on standard output, with every default.
zpos-host --port x --help
echo "exit $?"
