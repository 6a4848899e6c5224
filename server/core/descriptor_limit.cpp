#include "server/core/descriptor_limit.h"

#include <sys/resource.h>

namespace {

unsigned long gLimit = 0;  // main thread at start-up only

}  // namespace

unsigned long RaiseDescriptorLimit() {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0) return gLimit = 0;
    if (limit.rlim_cur < limit.rlim_max) {
        rlimit raised = limit;
        raised.rlim_cur = limit.rlim_max;
        if (setrlimit(RLIMIT_NOFILE, &raised) == 0) limit = raised;
    }
    return gLimit = static_cast<unsigned long>(limit.rlim_cur);
}

unsigned long DescriptorLimit() {
    return gLimit;
}
