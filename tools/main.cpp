// Placeholder until korvia-batch lands.
#include <cstdio>
int main() { std::puts("korvia-batch: not yet built"); return 0; }
