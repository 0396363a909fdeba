// Built only with the sanitizers: does on purpose what they are there to
// catch, so that a sanitizer build that would let such a fault through fails
// its own tests instead of passing quietly.
//   sanitizer_canary cast      a double outside the int range converted to int
//   sanitizer_canary overflow  a write one past the end of a heap array
#include <cstdio>
#include <cstring>
#include <vector>

int main(int argc, char** argv)
{
    if (argc == 2 && std::strcmp(argv[1], "cast") == 0) {
        volatile double huge = 1e300;
        const int row = static_cast<int>(huge);
        std::printf("survived the cast: %d\n", row);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "overflow") == 0) {
        std::vector<double> pos(640);
        volatile int column = 640;
        pos.data()[column] = 1.0;
        std::printf("survived the overflow\n");
        return 0;
    }
    std::fprintf(stderr, "usage: sanitizer_canary cast|overflow\n");
    return 2;
}
