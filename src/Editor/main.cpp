#include <cstdio>

int main()
{
    std::puts("Tarnwick: the libraries are built; the application window is not there yet.");
    return 0;
}
