#include <cstdio>

// The configuration window arrives with the application shell; until then the
// program only identifies itself.
int main()
{
    std::printf("Tarvo %s\n", TARVO_VERSION);
    return 0;
}
