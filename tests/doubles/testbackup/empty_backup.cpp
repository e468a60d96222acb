// A backup library without cryptCard and DataProcess_NVR, for the tests of a
// library whose exports are missing.
extern "C" int testbackup_nothing_here() { return 0; }
