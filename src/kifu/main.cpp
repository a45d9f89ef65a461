// nagikifu: converts game records between formats and shows the final position of one.

#include "kifu/cli.h"

int main(int argc, char **argv) { return runNagikifuProcess(argc, argv); }
