// Another vendor's program that a user keeps in the installation directory: validly signed, but not by an
// accepted publisher, so the uninstaller must leave it.
int wmain() { return 0; }
