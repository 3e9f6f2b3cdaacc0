// The wizard's entry point. For now it starts and exits cleanly; the start-up
// sequence arrives with the main window.
int main() { return 0; }
