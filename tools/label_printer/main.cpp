// vimko-label-printer: a stand-in for the label-printer program that the
// manager starts to print a unit's label. It prints nothing; it appends its
// arguments, one per line, followed by an empty line, to the file named by
// the environment variable VIMKO_LABEL_LOG (standard output without it), so
// a test can see exactly what the manager handed over.
//
//   vimko-label-printer Vimko5N.LBX -objDevId ID:... -objImei IMEI:...
//                       -objCcid CCID:... -objStatus (C)

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    const char* path = std::getenv("VIMKO_LABEL_LOG");
    std::FILE* out = path != nullptr ? std::fopen(path, "a") : stdout;
    if (out == nullptr) return 1;
    for (int i = 1; i < argc; ++i) std::fprintf(out, "%s\n", argv[i]);
    std::fprintf(out, "\n");
    bool written = std::fflush(out) == 0;
    if (out != stdout) written = std::fclose(out) == 0 && written;
    return written ? 0 : 1;
}
