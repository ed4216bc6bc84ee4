// A program that only carries version information, read by the version tests.
int main() { return 0; }
