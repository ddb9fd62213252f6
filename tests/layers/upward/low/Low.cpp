int HighFunction();
int LowFunction() { return HighFunction() + 1; }
