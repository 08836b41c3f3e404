// Prints the console's input and output code pages as "code-pages:IN/OUT"
// (no spaces, which a console may draw as cursor moves). The console test
// runs it before and after zelq-list.exe in one console, to see that the
// program leaves them as they were.
#include <windows.h>

#include <cstdio>

int main() {
    std::printf("code-pages:%u/%u\n", GetConsoleCP(), GetConsoleOutputCP());
    return 0;
}
