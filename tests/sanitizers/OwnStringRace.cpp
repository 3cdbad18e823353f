// Compares a string on one thread while another assigns it, with nothing ordering the two: under
// the tsan test preset this must be reported, so that no suppression of a string function in
// tests/playback/tsan-qt.supp hides such a race of ours (see CMakeLists.txt).
#include <cstdio>
#include <string>
#include <thread>

namespace {
std::string shared = "a value long enough to live on the heap";
}

int main()
{
    std::thread writer([] { shared.assign("another value long enough to live on the heap"); });
    const bool same = shared == "a value long enough to live on the heap";
    writer.join();
    std::printf("same: %d\n", same ? 1 : 0);
    return 0;
}
