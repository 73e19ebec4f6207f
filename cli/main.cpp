#include "cli/PingProgram.h"

int main(int argc, char** argv) { return larkspire::RunPingProgram(argc, argv); }
