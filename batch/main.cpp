// platecam-batch: the window's computations and exports from the command line.

#include <iostream>
#include <string>
#include <vector>

#include "batch/batch.h"

int main(int argc, char** argv) {
    return platecam::RunBatch(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr);
}
