// A stand-in uninstaller: it only carries a version resource for the discovery test.
int main() { return 0; }
