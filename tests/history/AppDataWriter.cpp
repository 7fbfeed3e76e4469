// Writes the two sample variants over each other until it is killed; the crash
// test kills it at random moments and inspects what is left.
#include "AppDataFixture.h"

#include <cstdio>

int main() {
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
