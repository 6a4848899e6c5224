// libFuzzer target: VimkoInfo's walk over a tachograph file and the name and
// rename path made from what it found. Any input must end the walk without
// reading outside the file, and the rename path must stay in the file's
// directory.

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "info/ddd_walk.h"
#include "info/info_command.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view file(reinterpret_cast<const char*>(data), size);
    DddWalk walk = WalkDdd(file);
    std::string name = ShownName(walk);
    std::string path = RenamedPath("dir.d/file.ddd", name);
    if (path.rfind('/') != 5) std::abort();
    return 0;
}
