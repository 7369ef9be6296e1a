// The program that the test programs' shared precompiled header is built
// for; it is never run.
int main() { return 0; }
