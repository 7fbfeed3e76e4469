#include <QCoreApplication>
#include <cstdio>

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    std::printf("Korvex %s\n", "2.1");
    return 0;
}
