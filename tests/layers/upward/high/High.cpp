int LowFunction();
int HighFunction() { return 1; }
int HighCallsDown() { return LowFunction(); }
