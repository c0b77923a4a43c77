// codec_bench of the Windows build: codes raw frames with the built-in
// encoder, timed, as the shipped program's compiler makes it; the native
// codec_bench prepares the frames and measures what this wrote.
#include "bench/OurEncoderRun.h"

int main(int argc, char** argv) { return mavrion::bench::RunEncodeCommand(argc, argv); }
