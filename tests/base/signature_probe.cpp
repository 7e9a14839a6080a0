// A program that does nothing: built signed, foreign-signed and unsigned for the signature tests.
int wmain() { return 0; }
