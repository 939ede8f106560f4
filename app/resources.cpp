// The process limits checked at start. See resources.h.
#include "app/resources.h"

#include <dirent.h>
#include <sys/resource.h>

#include <algorithm>

namespace wq::app {
namespace {

// Descriptors open now (the standard streams, and what a parent left open).
unsigned long OpenDescriptors() {
    DIR* dir = opendir("/proc/self/fd");
    if (!dir) return 3;
    unsigned long n = 0;
    while (const dirent* e = readdir(dir)) {
        if (e->d_name[0] != '.') ++n;
    }
    closedir(dir);
    return n > 0 ? n - 1 : 0;  // the listing's own descriptor
}

// Raises the soft limit of `resource` to at least `wanted` if the hard limit
// allows; returns the soft limit in force afterwards.
rlim_t Raise(int resource, rlim_t wanted) {
    rlimit lim{};
    if (getrlimit(resource, &lim) != 0) return RLIM_INFINITY;
    if (lim.rlim_cur != RLIM_INFINITY && lim.rlim_cur < wanted) {
        const rlim_t raised =
            lim.rlim_max == RLIM_INFINITY ? wanted : std::min<rlim_t>(lim.rlim_max, wanted);
        if (raised > lim.rlim_cur) {
            rlimit more = lim;
            more.rlim_cur = raised;
            if (setrlimit(resource, &more) == 0) lim.rlim_cur = raised;
        }
    }
    return lim.rlim_cur;
}

}  // namespace

bool CheckProcessLimits(std::string* error) {
    const unsigned long open = OpenDescriptors();
    const rlim_t files = Raise(RLIMIT_NOFILE, open + kSpareFiles);
    if (files != RLIM_INFINITY && files < open + kSpareFiles) {
        *error = "too few file descriptors: the limit is " + std::to_string(files) + " with " +
                 std::to_string(open) + " open, and the player needs " +
                 std::to_string(kSpareFiles) + " more (ulimit -n)";
        return false;
    }
    const rlim_t space = Raise(RLIMIT_AS, kAddressSpaceBytes);
    if (space != RLIM_INFINITY && space < kAddressSpaceBytes) {
        *error = "too little address space: the limit is " + std::to_string(space >> 20) +
                 " MB and the player needs " + std::to_string(kAddressSpaceBytes >> 20) +
                 " MB (ulimit -v)";
        return false;
    }
    return true;
}

}  // namespace wq::app
