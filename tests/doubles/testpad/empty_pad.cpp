// A pad library without the pad functions, so tests can see what happens
// when an entry point is missing from an otherwise loadable library.
extern "C" TESTPAD_EXPORT int testpad_nothing_here() { return 0; }
