#include <cstdio>
int main() { std::puts("drovan-batch"); return 0; }
