# Zelta_Ack confirms an approval of the same process: alone it has none.
zpos ack 2>&1 | grep -v 'application directory' | tidy
