#include "common/leak_check.h"

#if defined(__SANITIZE_ADDRESS__)
#define VIMKO_HAS_LSAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VIMKO_HAS_LSAN 1
#endif
#endif

#ifdef VIMKO_HAS_LSAN
#include <sanitizer/lsan_interface.h>
#endif

void RunLeakCheck() {
#ifdef VIMKO_HAS_LSAN
    __lsan_do_leak_check();
#endif
}
