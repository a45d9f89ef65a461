// nagikifu: converts game records between formats and shows the final position of one.

#include <iostream>
#include <string>
#include <vector>

#include "kifu/cli.h"

int main(int argc, char **argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    return runNagikifu(args, std::cin, std::cout, std::cerr);
}
