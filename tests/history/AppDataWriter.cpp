// A settings writer of its own process. Without an argument it writes the two
// sample variants over each other until it is killed; the crash test kills it
// at random moments and inspects what is left. "save" writes the locale sample
// once; "show" reads the file, prints its numbers one a line and saves it again,
// as a calculator started under another locale would.
#include "AppDataFixture.h"

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc > 1 && std::strcmp(argv[1], "save") == 0) {
        Settings s;
        fillLocaleSample(s);
        s.write();
        return 0;
    }
    if (argc > 1 && std::strcmp(argv[1], "show") == 0) {
        Settings s;
        s.read();
        for (const double x : numbers(s))
            std::printf("%s\n", QString::number(x, 'g', 17).toUtf8().constData());
        s.write();
        return 0;
    }
    Settings a, b;
    fillSample(a, 0);
    fillSample(b, 1);
    for (int n = 0;; ++n) {
        (n % 2 ? a : b).write();
        if (n == 0) {
            std::puts("ready");
            std::fflush(stdout);
        }
    }
}
